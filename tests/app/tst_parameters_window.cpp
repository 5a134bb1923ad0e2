// The main window's parameter table: what applying it gives the body model
// and the window, the fixed unit-test parameters, and loading parameter files.

#include "marvekdev.h"

#include "apptestsupport.h"
#include "bodyparameters.h"
#include "fourbar3dshipclass.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace bodyparameters;

class TestParametersWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void defaultTableEqualsTestParameters();
    void rowsThatChangeTheModel_data();
    void rowsThatChangeTheModel();
    void applyFillsModelAndMembers();
    void applyKeepsLenientConversion();
    void testParametersKeepTimestep();

    void exampleFileGivesDefaults();
    void fileKeysAmongTableLines();
    void lowerCaseKeyIsTableLine();
    void twoEqualsSigns();
    void crlfLineEnds();
    void trailingNewlineEmptiesNextRow();
    void trailingNewlineAfterLastRow();
    void moreTableLinesThanRows();
    void oneNumberListFromFile();
    void unreadableFileChangesNothing_data();
    void unreadableFileChangesNothing();
    void openEditorCannotOverwriteLoadedValue();
    void cancelledDialogChangesNothing();

private:
    QString setValue(int row, const QString &text);
    QString value(int row) const;
    QStringList fieldTexts() const;
    QString writeFile(const QString &name, const QByteArray &contents);

    std::unique_ptr<MarvekDev> m_window;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestParametersWindow::init()
{
    m_window = std::make_unique<MarvekDev>();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestParametersWindow::cleanup()
{
    m_window.reset();
    m_dir.reset();
}

QString TestParametersWindow::setValue(int row, const QString &text)
{
    QTableWidgetItem *item = m_window->ui.paramTableWidget->item(row, 1);
    const QString old = item->text();
    item->setText(text);
    return old;
}

QString TestParametersWindow::value(int row) const
{
    return m_window->ui.paramTableWidget->item(row, 1)->text();
}

QStringList TestParametersWindow::fieldTexts() const
{
    const Ui::MarvekDevClass &ui = m_window->ui;
    return {ui.paramShipMotionLineEdit->text(), ui.linkFileDropLineEdit->text(),
            ui.cgFileDropLineEdit->text(),      ui.controlFileDropLineEdit->text(),
            ui.errorFileDropLineEdit->text(),   ui.accelFileDropLineEdit->text()};
}

QString TestParametersWindow::writeFile(const QString &name, const QByteArray &contents)
{
    return testsupport::writeTextFile(m_dir->filePath(name), contents);
}

void TestParametersWindow::defaultTableEqualsTestParameters()
{
    FourBar3DShipClass fromTable;
    FourBar3DShipClass fromTest;
    m_window->applyParameters(&fromTable);
    m_window->setTestParameters(&fromTest);
    QVERIFY(fromTable == fromTest);

    // Lists written without blanks read the same.
    for (int row : {int(MassFractionsRow), int(LengthFractionsRow), int(IxyFractionsRow),
                    int(IzzFractionsRow), int(ControlCoefficientsRow)})
        setValue(row, value(row).remove(QLatin1Char(' ')));
    FourBar3DShipClass fromCompactTable;
    m_window->applyParameters(&fromCompactTable);
    QVERIFY(fromCompactTable == fromTest);
}

void TestParametersWindow::rowsThatChangeTheModel_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("equal");

    QTest::newRow("mass fraction 4") << int(MassFractionsRow) << "0.122, 0.2, 0.597, 0.082" << false;
    QTest::newRow("length fraction 1") << int(LengthFractionsRow) << "0.286, 0.245, 0.288, 0.182" << false;
    QTest::newRow("ixy fraction 3") << int(IxyFractionsRow) << "0.416, 0.323, 0.51, 0.495" << false;
    QTest::newRow("izz fraction 2") << int(IzzFractionsRow) << "0.25, 0.26, 0.25, 0.25" << false;
    QTest::newRow("body mass") << int(BodyMassRow) << "89.6122" << false;
    QTest::newRow("body height") << int(BodyHeightRow) << "1.73" << false;
    QTest::newRow("id") << int(IdRow) << "93" << true;
    QTest::newRow("timestep") << int(TimestepRow) << "0.02" << true;
    QTest::newRow("turn direction") << int(TurnDirectionRow) << "90" << true;
    QTest::newRow("turn time") << int(TurnTimeRow) << "1.5" << true;
    QTest::newRow("coefficients") << int(ControlCoefficientsRow) << "100, 200" << true;
}

void TestParametersWindow::rowsThatChangeTheModel()
{
    QFETCH(int, row);
    QFETCH(QString, text);
    QFETCH(bool, equal);

    FourBar3DShipClass fromTest;
    m_window->setTestParameters(&fromTest);
    setValue(row, text);
    FourBar3DShipClass fromTable;
    m_window->applyParameters(&fromTable);
    QCOMPARE(fromTable == fromTest, equal);
}

void TestParametersWindow::applyFillsModelAndMembers()
{
    m_window->applyParameters(&m_window->m_model);

    const double fractions[4] = {0.122, 0.2, 0.597, 0.081};
    const double lengthFractions[4] = {0.285, 0.245, 0.288, 0.182};
    const double radii[4] = {0.416, 0.323, 0.5, 0.495};
    Eigen::VectorXd masses(4), lengths(4), ixy(4), izz(4);
    for (int k = 0; k < 4; ++k) {
        masses[k] = fractions[k] * 89.6121;
        lengths[k] = lengthFractions[k] * 1.72;
        const double gyration = radii[k] * lengths[k];
        ixy[k] = masses[k] * (gyration * gyration);
        izz[k] = 0.25;
    }
    QCOMPARE(m_window->m_model.masses(), masses);
    QCOMPARE(m_window->m_model.lengths(), lengths);
    FourBar3DShipClass expected;
    expected.setParameters(masses, lengths, ixy, izz);
    QVERIFY(m_window->m_model == expected);

    QCOMPARE(m_window->m_id, QStringLiteral("92"));
    QCOMPARE(m_window->m_timestep, 0.01);
    QCOMPARE(m_window->getTimestep(), 0.01);
    QCOMPARE(m_window->m_bodyMass, 89.6121);
    QCOMPARE(m_window->m_bodyHeight, 1.72);
    QCOMPARE(m_window->m_turnDirection, -90.0);
    QCOMPARE(m_window->m_turnTime, 7.933);
    QCOMPARE(m_window->m_controlCoefficients, Eigen::Vector2d(712.0, 807.0));
    QCOMPARE(checkValues(m_window->getParameterValues()), QString());
}

void TestParametersWindow::applyKeepsLenientConversion()
{
    // Applying converts what it cannot read to 0.0; the check before a run
    // is what refuses such a table.
    setValue(MassFractionsRow, QStringLiteral("heavy, 0.2, 0.597"));
    setValue(TimestepRow, QStringLiteral("soon"));
    setValue(ControlCoefficientsRow, QStringLiteral("712.0"));
    FourBar3DShipClass model;
    m_window->applyParameters(&model);
    QCOMPARE(model.masses(), Eigen::Vector4d(0.0, 0.2 * 89.6121, 0.597 * 89.6121, 0.0).eval());
    QCOMPARE(m_window->getTimestep(), 0.0);
    QCOMPARE(m_window->m_controlCoefficients, Eigen::Vector2d(712.0, 0.0));
    QCOMPARE(checkValues(m_window->getParameterValues()),
             QStringLiteral("Timestep (s): \"soon\" is not a number."));

    setValue(BodyMassRow, QStringLiteral("heavy"));
    m_window->applyParameters(&model);
    QCOMPARE(model.masses(), Eigen::VectorXd::Zero(4).eval());
}

void TestParametersWindow::testParametersKeepTimestep()
{
    setValue(TimestepRow, QStringLiteral("0.02"));
    setValue(IdRow, QStringLiteral("run 7"));
    m_window->applyParameters(&m_window->m_model);
    m_window->setTestParameters(&m_window->m_model);
    QCOMPARE(m_window->getTimestep(), 0.02);
    QCOMPARE(m_window->m_id, QStringLiteral("92"));
    QCOMPARE(m_window->m_turnDirection, -90.0);
    QCOMPARE(m_window->m_controlCoefficients, Eigen::Vector2d(712.0, 807.0));
}

void TestParametersWindow::exampleFileGivesDefaults()
{
    // The example file holds the default table; its final line break is a
    // twelfth table line, which finds no row.
    const QStringList defaults = m_window->getParameterValues();
    const QString defaultShipFile = fieldTexts().at(ShipMotionFile);
    QVERIFY(m_window->loadParameterFile(testsupport::examplesPath(QStringLiteral("parameters.txt"))));
    QCOMPARE(m_window->getParameterValues(), defaults);
    QCOMPARE(fieldTexts(), QStringList({"AHRS-2012-11-25_19-08-36-423_ipready.csv", "link_out.csv",
                                        "cg_out.csv", "control_out.csv", "error_out.csv",
                                        "accel_out.csv"}));
    // The recording it names, which the ship-motion field also names by
    // default, is the bundled sample.
    QCOMPARE(fieldTexts().at(ShipMotionFile), defaultShipFile);
    QCOMPARE(apptest::readAll(testsupport::examplesPath(defaultShipFile)),
             apptest::readAll(testsupport::dataPath(QStringLiteral("reference/ship-motion-sample.csv"))));
}

void TestParametersWindow::fileKeysAmongTableLines()
{
    const QString name = writeFile(QStringLiteral("keys.txt"),
                                   "ID = 17\n"
                                   "SHIP MOTION FILE = ship.csv\n"
                                   "TIMESTEP = 0.005\n"
                                   "LINK COORDINATES OUTPUT FILE = link.csv\n"
                                   "LINK CG POSITIONS OUTPUT FILE = cg.csv\n"
                                   "our CONTROL MOMENTS OUTPUT FILE name = control.csv\n"
                                   "MASS = 70\n"
                                   "ERRORS OUTPUT FILE=  error.csv  \n"
                                   "ACCELERATIONS OUTPUT FILE = accel.csv");
    QVERIFY(m_window->loadParameterFile(name));

    QCOMPARE(fieldTexts(), QStringList({"ship.csv", "link.csv", "cg.csv", "control.csv",
                                        "error.csv", "accel.csv"}));
    QCOMPARE(value(IdRow), QStringLiteral("17"));
    QCOMPARE(value(TimestepRow), QStringLiteral("0.005"));
    QCOMPARE(value(BodyMassRow), QStringLiteral("70"));
    QCOMPARE(value(MassFractionsRow), QStringLiteral("0.122, 0.2, 0.597, 0.081"));

    // Loading does not apply the table.
    QCOMPARE(m_window->getTimestep(), 0.01);
}

void TestParametersWindow::lowerCaseKeyIsTableLine()
{
    const QString name = writeFile(QStringLiteral("lower.txt"),
                                   "ship motion file = ship.csv\n"
                                   "Timestep = 0.02");
    const QString shipField = fieldTexts().at(ShipMotionFile);
    QVERIFY(m_window->loadParameterFile(name));
    QCOMPARE(value(IdRow), QStringLiteral("ship.csv"));
    QCOMPARE(value(TimestepRow), QStringLiteral("0.02"));
    QCOMPARE(fieldTexts().at(ShipMotionFile), shipField);
}

void TestParametersWindow::twoEqualsSigns()
{
    const QString name = writeFile(QStringLiteral("equals.txt"),
                                   "ID = a = b\n"
                                   "SHIP MOTION FILE = x=y.csv");
    QVERIFY(m_window->loadParameterFile(name));
    QCOMPARE(value(IdRow), QStringLiteral("a"));
    QCOMPARE(fieldTexts().at(ShipMotionFile), QStringLiteral("x"));
}

void TestParametersWindow::crlfLineEnds()
{
    const QString name = writeFile(QStringLiteral("crlf.txt"),
                                   "ID = 5\r\n"
                                   "SHIP MOTION FILE = ship.csv\r\n"
                                   "Timestep (s) = 0.001\r\n"
                                   "Body Mass (kg) = 75");
    QVERIFY(m_window->loadParameterFile(name));
    QCOMPARE(value(IdRow), QStringLiteral("5"));
    QCOMPARE(value(TimestepRow), QStringLiteral("0.001"));
    QCOMPARE(value(BodyMassRow), QStringLiteral("75"));
    QCOMPARE(fieldTexts().at(ShipMotionFile), QStringLiteral("ship.csv"));
}

void TestParametersWindow::trailingNewlineEmptiesNextRow()
{
    const QString name = writeFile(QStringLiteral("trailing.txt"),
                                   "ID = 5\n"
                                   "Timestep = 0.001\n");
    QVERIFY(m_window->loadParameterFile(name));
    QCOMPARE(value(IdRow), QStringLiteral("5"));
    QCOMPARE(value(TimestepRow), QStringLiteral("0.001"));
    QCOMPARE(value(BodyMassRow), QString());
    QCOMPARE(value(MassFractionsRow), QStringLiteral("0.122, 0.2, 0.597, 0.081"));
    QCOMPARE(checkValues(m_window->getParameterValues()),
             QStringLiteral("Body Mass (kg): the value is empty."));
}

void TestParametersWindow::trailingNewlineAfterLastRow()
{
    QByteArray contents;
    for (int row = 0; row < RowCount; ++row)
        contents += "row " + QByteArray::number(row) + " = " + QByteArray::number(row) + "\n";
    QVERIFY(m_window->loadParameterFile(writeFile(QStringLiteral("full.txt"), contents)));
    for (int row = 0; row < RowCount; ++row)
        QCOMPARE(value(row), QString::number(row));
}

void TestParametersWindow::moreTableLinesThanRows()
{
    QByteArray contents;
    for (int row = 0; row < RowCount + 3; ++row)
        contents += "line = v" + QByteArray::number(row) + "\n";
    contents += "ACCELERATIONS OUTPUT FILE = accel.csv";
    QVERIFY(m_window->loadParameterFile(writeFile(QStringLiteral("long.txt"), contents)));
    QCOMPARE(m_window->ui.paramTableWidget->rowCount(), int(RowCount));
    QCOMPARE(value(0), QStringLiteral("v0"));
    QCOMPARE(value(RowCount - 1), QStringLiteral("v10"));
    QCOMPARE(fieldTexts().at(AccelerationsFile), QStringLiteral("accel.csv"));
}

void TestParametersWindow::oneNumberListFromFile()
{
    const QString name = writeFile(QStringLiteral("onenumber.txt"),
                                   "ID = 92\n"
                                   "Timestep = 0.01\n"
                                   "Body Mass = 80\n"
                                   "Mass Fractions = 0.5");
    QVERIFY(m_window->loadParameterFile(name));
    FourBar3DShipClass model;
    m_window->applyParameters(&model);
    QCOMPARE(model.masses(), Eigen::Vector4d(40.0, 0.0, 0.0, 0.0).eval());
    QCOMPARE(checkValues(m_window->getParameterValues()),
             QStringLiteral("Mass Fractions: 4 numbers separated by commas are needed, 1 given."));
}

void TestParametersWindow::unreadableFileChangesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing") << QStringLiteral("missing.txt");
    QTest::newRow("no name") << QString();
    QTest::newRow("folder") << QStringLiteral(".");
    QTest::newRow("device") << QStringLiteral("/dev/null");
    QTest::newRow("FIFO") << QStringLiteral("parameters.fifo");
}

void TestParametersWindow::unreadableFileChangesNothing()
{
    QFETCH(QString, name);
    const apptest::Fifo fifo(m_dir->filePath(QStringLiteral("parameters.fifo")));
    const QStringList values = m_window->getParameterValues();
    const QStringList fields = fieldTexts();
    QVERIFY(!m_window->loadParameterFile(name.isEmpty() || name.startsWith(QLatin1Char('/'))
                                             ? name
                                             : m_dir->filePath(name)));
    QCOMPARE(m_window->getParameterValues(), values);
    QCOMPARE(fieldTexts(), fields);
}

void TestParametersWindow::openEditorCannotOverwriteLoadedValue()
{
    QTableWidget *table = m_window->ui.paramTableWidget;
    m_window->show();
    table->editItem(table->item(BodyMassRow, 1));
    auto *editor = table->viewport()->findChild<QLineEdit *>();
    QVERIFY(editor);
    editor->setText(QStringLiteral("70"));
    QVERIFY(m_window->loadParameterFile(
        writeFile(QStringLiteral("mass.txt"), "ID = 1\nTimestep = 0.01\nBody Mass = 75")));
    QCOMPARE(value(BodyMassRow), QStringLiteral("75"));
    QVERIFY(!table->indexWidget(table->model()->index(BodyMassRow, 1)));
}

void TestParametersWindow::cancelledDialogChangesNothing()
{
    // Cancels the file dialog that "Load Parameters" opens, noting its title
    // and filter; the closer is there in case anything else turns up.
    ModalDialogCloser closer;
    QString title;
    QStringList filters;
    QTimer canceller;
    connect(&canceller, &QTimer::timeout, [&] {
        if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            title = dialog->windowTitle();
            filters = dialog->nameFilters();
            dialog->reject();
        }
    });
    canceller.start(5);

    const QStringList values = m_window->getParameterValues();
    const QStringList fields = fieldTexts();
    m_window->ui.actionLoadParameters->trigger();
    QCOMPARE(title, QStringLiteral("File Open"));
    QCOMPARE(filters, QStringList(QStringLiteral("*.txt")));
    QCOMPARE(m_window->getParameterValues(), values);
    QCOMPARE(fieldTexts(), fields);
    QVERIFY(closer.closedTexts().isEmpty());
}

QTEST_MAIN(TestParametersWindow)
#include "tst_parameters_window.moc"
