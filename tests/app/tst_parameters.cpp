// The parameter table: the check a run makes before it applies it, the link
// parameters it gives the body model, and parameter files loaded into it.
#include "apptestsupport.h"
#include "bodyparameters.h"
#include "fourbar3dshipclass.h"

#include <QtTest>

using namespace apptest;
using namespace bodyparameters;

namespace {

const QStringList defaults = {"92", "0.01", "89.6121", "0.122, 0.2, 0.597, 0.081", "1.72",
                              "0.285, 0.245, 0.288, 0.182", "0.416, 0.323, 0.5, 0.495",
                              "0.25, 0.25, 0.25, 0.25", "-90", "7.933", "712.0, 807.0"};

// Body mass and height, then the mass, length, Ixy and Izz fractions.
typedef QVector<double> Body;
const Body defaultBody = {89.6121, 1.72,  0.122, 0.2,   0.597, 0.081, 0.285, 0.245, 0.288,
                          0.182,   0.416, 0.323, 0.5,   0.495, 0.25,  0.25,  0.25,  0.25};

// The link parameters the body's description gives: masses m = f·M,
// lengths L = f·H, Ixy = m·(f·L)², Izz as given.
bool sameLinks(const FourBar3DShipClass &model, const Body &b)
{
    Eigen::VectorXd masses(4), lengths(4), ixy(4), izz(4);
    for (int k = 0; k < 4; ++k) {
        masses[k] = b[2 + k] * b[0];
        lengths[k] = b[6 + k] * b[1];
        const double gyration = b[10 + k] * lengths[k];
        ixy[k] = masses[k] * (gyration * gyration);
        izz[k] = b[14 + k];
    }
    FourBar3DShipClass expected;
    expected.setParameters(masses, lengths, ixy, izz);
    return model == expected;
}

QStringList fieldTexts(const Harness &h)
{
    QStringList texts{h.get<QLineEdit>("paramShipMotionLineEdit")->text()};
    for (int k : {0, 1, 3, 2, 4}) // the file's order: link, CG, control, errors, accelerations
        texts << h.result(k)->text();
    return texts;
}

} // namespace

class TestParameters : public QObject
{
    Q_OBJECT

private slots:
    void checkBeforeARun_data();
    void checkBeforeARun();
    void appliedTableGivesTheLinks_data();
    void appliedTableGivesTheLinks();
    void parameterFile_data();
    void parameterFile();
    void unreadableFileChangesNothing_data();
    void unreadableFileChangesNothing();
    void openEditorAtACommand_data();
    void openEditorAtACommand();
};

void TestParameters::checkBeforeARun_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // empty: the table may be used

    QTest::newRow("defaults") << int(IdRow) << "92" << "";
    QTest::newRow("ID is free text") << int(IdRow) << "not a number, and that is fine" << "";
    QTest::newRow("list without blanks") << int(MassFractionsRow) << "0.122,0.2,0.597,0.081" << "";
    QTest::newRow("extra list items") << int(IzzFractionsRow) << "0.25, 0.25, 0.25, 0.25," << "";
    QTest::newRow("smallest timestep") << int(TimestepRow) << "0.0001" << "";
    QTest::newRow("largest timestep") << int(TimestepRow) << "1" << "";
    QTest::newRow("timestep word") << int(TimestepRow) << "fast" << "Timestep (s): \"fast\" is not a number.";
    QTest::newRow("timestep blanks") << int(TimestepRow) << "  " << "Timestep (s): the value is empty.";
    QTest::newRow("timestep too small") << int(TimestepRow) << "0.00009" << "Timestep (s): 0.00009 is not between 0.0001 s and 1 s.";
    QTest::newRow("timestep too large") << int(TimestepRow) << "1.5" << "Timestep (s): 1.5 is not between 0.0001 s and 1 s.";
    QTest::newRow("timestep not finite") << int(TimestepRow) << "inf" << "Timestep (s): \"inf\" is not a number.";
    QTest::newRow("body mass zero") << int(BodyMassRow) << "0" << "Body Mass (kg): 0 is not greater than 0.";
    QTest::newRow("comma decimal") << int(BodyMassRow) << "89,6" << "Body Mass (kg): \"89,6\" is not a number.";
    QTest::newRow("body height zero") << int(BodyHeightRow) << "0.0" << "Body Height (m): 0.0 is not greater than 0.";
    QTest::newRow("one mass fraction") << int(MassFractionsRow) << "0.5" << "Mass Fractions: 4 numbers separated by commas are needed, 1 given.";
    QTest::newRow("word in a list") << int(MassFractionsRow) << "0.1, x, 0.5, 0.2" << "Mass Fractions: item 2, \"x\", is not a number.";
    QTest::newRow("empty list item") << int(LengthFractionsRow) << "0.285,, 0.288, 0.182" << "Length Fractions: item 2 is empty.";
    QTest::newRow("Izz nan") << int(IzzFractionsRow) << "0.25, nan, 0.25, 0.25" << "Izz Fractions: item 2, \"nan\", is not a number.";
    QTest::newRow("turn time empty") << int(TurnTimeRow) << "" << "Turn at Time (s): the value is empty.";
    QTest::newRow("one coefficient") << int(ControlCoefficientsRow) << "712.0" << "Control Coefficients: 2 numbers separated by commas are needed, 1 given.";
}

void TestParameters::checkBeforeARun()
{
    QFETCH(int, row);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QStringList values = defaults;
    values[row] = text;
    QCOMPARE(checkValues(values), expected);
}

void TestParameters::appliedTableGivesTheLinks_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Body>("body");
    auto with = [](std::initializer_list<std::pair<int, double>> changes) {
        Body b = defaultBody;
        for (const auto &change : changes)
            b[change.first] = change.second;
        return b;
    };
    QTest::newRow("defaults") << int(IdRow) << "92" << defaultBody;
    QTest::newRow("body mass") << int(BodyMassRow) << "70" << with({{0, 70.0}});
    QTest::newRow("body height") << int(BodyHeightRow) << " 1.8 " << with({{1, 1.8}});
    QTest::newRow("mass fraction 4") << int(MassFractionsRow) << "0.122, 0.2, 0.597, 0.082" << with({{5, 0.082}});
    QTest::newRow("length fraction 1") << int(LengthFractionsRow) << "0.3,0.245,0.288,0.182" << with({{6, 0.3}});
    QTest::newRow("Ixy fraction 3") << int(IxyFractionsRow) << "0.416, 0.323, 0.51, 0.495" << with({{12, 0.51}});
    QTest::newRow("Izz fraction 2") << int(IzzFractionsRow) << "0.25, 0.26, 0.25, 0.25" << with({{15, 0.26}});
    // What is not a number counts as 0 (the check before a run refuses it).
    QTest::newRow("one-number list") << int(MassFractionsRow) << "0.5" << with({{2, 0.5}, {3, 0}, {4, 0}, {5, 0}});
    QTest::newRow("word first in a list") << int(MassFractionsRow) << "heavy, 0.2, 0.597" << with({{2, 0}, {5, 0}});
    QTest::newRow("body mass a word") << int(BodyMassRow) << "heavy" << with({{0, 0.0}});
    for (int row : {int(TimestepRow), int(TurnDirectionRow), int(TurnTimeRow), int(ControlCoefficientsRow)})
        QTest::newRow(qPrintable(defaultLabel(row))) << row << "3, 4" << defaultBody;
}

void TestParameters::appliedTableGivesTheLinks()
{
    QFETCH(int, row);
    QFETCH(QString, text);
    QFETCH(Body, body);
    Harness h;
    // A German default locale must not make "0.5" read as 5.
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    h.setValue(row, text);
    FourBar3DShipClass model;
    h.window->applyParameters(&model);
    QLocale::setDefault(previous);
    QVERIFY(sameLinks(model, body));
    FourBar3DShipClass fixed;
    h.window->setTestParameters(&fixed);
    QCOMPARE(model == fixed, body == defaultBody);
}

void TestParameters::parameterFile_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("fields"); // ship motion, link, CG, control, errors, accelerations
    auto values = [](std::initializer_list<std::pair<int, const char *>> changes) {
        QStringList v = defaults;
        for (const auto &change : changes)
            v[change.first] = QLatin1String(change.second);
        return v;
    };
    const QStringList untouched = {"AHRS-2012-11-25_19-08-36-423_ipready.csv", "", "", "", "", ""};

    QTest::newRow("example file") << readAll(testsupport::examplesPath("parameters.txt")) << defaults
                                  << QStringList{"AHRS-2012-11-25_19-08-36-423_ipready.csv", "link_out.csv",
                                                 "cg_out.csv", "control_out.csv", "error_out.csv", "accel_out.csv"};
    QTest::newRow("file keys among table lines")
        << QByteArray("ID = 17\nSHIP MOTION FILE = ship.csv\nTIMESTEP = 0.005\nLINK COORDINATES OUTPUT FILE = l.csv\n"
                      "LINK CG POSITIONS OUTPUT FILE = g.csv\nour CONTROL MOMENTS OUTPUT FILE name = c.csv\nMASS = 70\n"
                      "ERRORS OUTPUT FILE=  e.csv  \nACCELERATIONS OUTPUT FILE = a.csv")
        << values({{0, "17"}, {1, "0.005"}, {2, "70"}})
        << QStringList{"ship.csv", "l.csv", "g.csv", "c.csv", "e.csv", "a.csv"};
    QTest::newRow("a key in lower case is a table line")
        << QByteArray("ship motion file = s.csv\nTimestep = 0.02") << values({{0, "s.csv"}, {1, "0.02"}}) << untouched;
    QTest::newRow("two equals signs") << QByteArray("ID = a = b\nSHIP MOTION FILE = x=y.csv") << values({{0, "a"}})
                                      << QStringList{"x", "", "", "", "", ""};
    QTest::newRow("CR LF line ends") << QByteArray("ID = 5\r\nSHIP MOTION FILE = s.csv\r\nTimestep = 0.001\r\n"
                                                   "Body Mass = 75")
                                     << values({{0, "5"}, {1, "0.001"}, {2, "75"}})
                                     << QStringList{"s.csv", "", "", "", "", ""};
    QTest::newRow("a final line break empties the next row")
        << QByteArray("ID = 5\nTimestep = 0.001\n") << values({{0, "5"}, {1, "0.001"}, {2, ""}}) << untouched;
    QByteArray tooMany;
    for (int row = 0; row < RowCount + 2; ++row)
        tooMany += "line = v" + QByteArray::number(row) + "\n";
    QStringList allRows;
    for (int row = 0; row < RowCount; ++row)
        allRows << QStringLiteral("v%1").arg(row);
    QTest::newRow("lines beyond the last row") << tooMany + "ACCELERATIONS OUTPUT FILE = a.csv" << allRows
                                               << QStringList{untouched.first(), "", "", "", "", "a.csv"};
}

void TestParameters::parameterFile()
{
    QFETCH(QByteArray, contents);
    QFETCH(QStringList, values);
    QFETCH(QStringList, fields);
    Harness h;
    QVERIFY(h.window->loadParameterFile(testsupport::writeTextFile(QStringLiteral("p.txt"), contents)));
    QCOMPARE(h.window->getParameterValues(), values);
    QCOMPARE(fieldTexts(h), fields);
    // Loading does not apply the table.
    QCOMPARE(h.window->getTimestep(), 0.01);
}

void TestParameters::unreadableFileChangesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing") << QStringLiteral("missing.txt");
    QTest::newRow("folder") << QStringLiteral(".");
    QTest::newRow("device") << QStringLiteral("/dev/null");
    QTest::newRow("FIFO") << QStringLiteral("parameters.fifo");
    QTest::newRow("cancelled dialog") << QString();
}

void TestParameters::unreadableFileChangesNothing()
{
    QFETCH(QString, name);
    Harness h;
    const Fifo fifo(QStringLiteral("parameters.fifo"));
    const QStringList fields = fieldTexts(h);
    if (name.isEmpty())
        h.trigger("actionLoadParameters"); // the harness cancels the file dialog
    else
        QVERIFY(!h.window->loadParameterFile(name));
    QCOMPARE(h.window->getParameterValues(), defaults);
    QCOMPARE(fieldTexts(h), fields);
}

void TestParameters::openEditorAtACommand_data()
{
    // A value still in its cell's editor when Show is chosen is the table's;
    // Load Parameters puts the file's value in its place, also where the file
    // holds the value the cell had before the typing.
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("file"); // empty: Show
    QTest::addColumn<QString>("value");
    QTest::newRow("Show, first row") << int(IdRow) << "17" << QByteArray() << "17";
    QTest::newRow("Show, last row") << int(ControlCoefficientsRow) << "700, 800" << QByteArray() << "700, 800";
    const QByteArray head("ID = 1\nTimestep = 0.01\nBody Mass = ");
    QTest::newRow("Load, another value") << int(BodyMassRow) << "70" << head + "75" << "75";
    QTest::newRow("Load, the value before the typing") << int(BodyMassRow) << "70" << head + "89.6121" << "89.6121";
}

void TestParameters::openEditorAtACommand()
{
    QFETCH(int, row);
    QFETCH(QString, typed);
    QFETCH(QByteArray, file);
    QFETCH(QString, value);
    Harness h;
    h.typeIntoCell(row, typed);
    if (file.isEmpty())
        h.trigger("actionShow");
    else
        QVERIFY(h.window->loadParameterFile(testsupport::writeTextFile("m.txt", file)));
    QCOMPARE(h.window->getParameterValues().at(row), value);
    auto *table = h.get<QTableWidget>("paramTableWidget");
    QVERIFY(!table->indexWidget(table->model()->index(row, 1)));
}

QTEST_MAIN(TestParameters)
#include "tst_parameters.moc"
