// The main window at start, its status line, progress and cancel rules, the
// result-file chooser, About and Exit.
#include "aboutdialog.h"
#include "apptestsupport.h"
#include "marvekdev.h"
#include "testsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

// Counts the events it receives, to tell whether events were processed.
class EventCounter : public QObject
{
public:
    int count = 0;

protected:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::User) {
            ++count;
            return true;
        }
        return QObject::event(e);
    }
};

using apptest::child;

QStringList actionTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << action->text();
    return texts;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void startState();
    void parameterTableDefaults();
    void menus();
    void unitTestsGrid();
    void parametersPageFitsTheFont_data();
    void parametersPageFitsTheFont();
    void formKeepsAGivenObjectName();
    void screenshots();

    void progressPercent_data();
    void progressPercent();
    void updateProgressSetsTheBar();
    void noEventProcessingBelowOnePercent();
    void startProgressResets();
    void cancelFlagClearedOnlyByStartProgress();
    void setStatusShowsTextAndProcessesEvents();
    void busyOnlyWhileProcessingEvents();

    void csvExtension_data();
    void csvExtension();
    void cancelledChooserKeepsTheField();
    void chosenNameGoesToItsField();
    void aboutOpensModally();
    void exitEndsTheEventLoopWithZero();
    void constructAndDestroyRepeatedly();
};

void TestMainWindow::startState()
{
    MarvekDev w;
    QCOMPARE(w.size(), QSize(538, 572));
    w.show();
    // The window grows only where the font needs more room than the form was
    // drawn for (the offscreen platform uses 12 pt DejaVu Sans).
    QCOMPARE(w.width(), qMax(538, w.minimumSizeHint().width()));
    QCOMPARE(w.height(), qMax(572, w.minimumSizeHint().height()));
    QCOMPARE(w.windowTitle(), QStringLiteral("Four-Link Inverted Pendulum Simulation"));
    QCOMPARE(w.objectName(), QStringLiteral("MarvekDevClass"));

    auto *tabs = child<QTabWidget>(&w, "tabWidget");
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Parameters"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Output"));
    QCOMPARE(tabs->tabText(2), QStringLiteral("Unit Tests"));
    QCOMPARE(tabs->currentIndex(), 1);
    QCOMPARE(tabs->currentWidget()->objectName(), QStringLiteral("tab_3"));

    QCOMPARE(child<QLabel>(&w, "label_3")->text(), QStringLiteral("Ship Motion File: "));
    auto *ship = child<FileDropLineEdit>(&w, "paramShipMotionLineEdit");
    QCOMPARE(ship->text(), QStringLiteral("AHRS-2012-11-25_19-08-36-423_ipready.csv"));
    // The test runs in an empty folder: the default recording is missing there.
    QCOMPARE(ship->palette().color(QPalette::Text), QColor(Qt::red));
    QVERIFY(!ship->fileExists());

    QCOMPARE(child<QLineEdit>(&w, "toleranceLineEdit")->text(), QStringLiteral("0.0005"));
    auto *toDisk = child<QCheckBox>(&w, "outputToDiskCheckBox");
    QCOMPARE(toDisk->text(), QStringLiteral("Ouput results to disk"));
    QVERIFY(!toDisk->isChecked());
    QCOMPARE(child<QLabel>(&w, "statusLabel")->text(), QStringLiteral("-----"));
    auto *bar = child<QProgressBar>(&w, "progressBar");
    QCOMPARE(bar->value(), 0);
    QCOMPARE(bar->maximum(), 100);
    QCOMPARE(child<QPushButton>(&w, "cancelButton")->text(), QStringLiteral("Cancel"));

    // Result labels of the unit tests.
    for (const char *name : {"interpolationLabel", "computePoseLabel", "computeErrorLabel",
                             "computeControlLabel", "computeAccelLabel"})
        QCOMPARE(child<QLabel>(&w, name)->text(), QStringLiteral("Tests passed: 0 / 0 ( 0 %)"));
    QCOMPARE(child<QLabel>(&w, "simLabel")->text(), QStringLiteral("Tests passed: 0/0 (0 %)"));
    QCOMPARE(child<QLabel>(&w, "initLabel")->text(), QStringLiteral("Test:"));

    // The seven file fields: only the unit-test ship data insists on ".csv";
    // the six others start empty in the normal colour.
    QCOMPARE(child<FileDropLineEdit>(&w, "shipFileDropLineEdit")->getFileExtension(), QStringLiteral(".csv"));
    const QColor normalText = child<QLineEdit>(&w, "toleranceLineEdit")->palette().color(QPalette::Text);
    for (const char *name : {"linkFileDropLineEdit", "cgFileDropLineEdit", "controlFileDropLineEdit",
                             "errorFileDropLineEdit", "accelFileDropLineEdit"}) {
        auto *field = child<FileDropLineEdit>(&w, name);
        QVERIFY2(field->text().isEmpty(), name);
        QVERIFY2(field->getFileExtension().isEmpty(), name);
        QCOMPARE(field->palette().color(QPalette::Text), normalText);
    }
    QVERIFY(child<FileDropLineEdit>(&w, "paramShipMotionLineEdit")->getFileExtension().isEmpty());
    QVERIFY(w.findChildren<FileDropLineEdit *>().size() == 7);

    // Tool bar and status bar are present and empty.
    QVERIFY(child<QToolBar>(&w, "mainToolBar")->actions().isEmpty());
    QVERIFY(child<QStatusBar>(&w, "statusBar")->currentMessage().isEmpty());

    // Output page texts, row by row.
    const QStringList outputLabels = {"Link Coordinates:", "File Output:", "Link CG Positions:", "File Output:",
                                      "Control Moments:", "File Output:", "Errors:", "File Output:",
                                      "Accelerations:", "File Output:"};
    const char *labelNames[] = {"label_4", "label_9", "label_8", "label_12", "label_5",
                                "label_10", "label_6", "label_13", "label_7", "label_11"};
    for (int i = 0; i < outputLabels.size(); ++i)
        QCOMPARE(child<QLabel>(&w, labelNames[i])->text(), outputLabels[i]);
    for (const char *name : {"plotXButton", "plotQButton", "plotUButton", "plotEButton", "plotAButton"})
        QCOMPARE(child<QPushButton>(&w, name)->text(), QStringLiteral("Plot"));
    for (const char *name : {"linkButton", "cgButton", "controlButton", "errorButton", "accelButton"})
        QCOMPARE(child<QPushButton>(&w, name)->text(), QStringLiteral("Browse..."));
}

void TestMainWindow::parameterTableDefaults()
{
    MarvekDev w;
    auto *table = child<QTableWidget>(&w, "paramTableWidget");
    QCOMPARE(table->rowCount(), 11);
    QCOMPARE(table->columnCount(), 2);
    QVERIFY(table->horizontalHeader()->isHidden());
    QVERIFY(table->verticalHeader()->isHidden());
    QVERIFY(!table->isSortingEnabled());
    QCOMPARE(table->verticalScrollMode(), QAbstractItemView::ScrollPerPixel);

    const QStringList labels = {"ID", "Timestep (s)", "Body Mass (kg)", "Mass Fractions", "Body Height (m)",
                                "Length Fractions", "Ixy Fractions", "Izz Fractions", "Turn Direction (deg)",
                                "Turn at Time (s)", "Control Coefficients"};
    const QStringList values = {"92", "0.01", "89.6121", "0.122, 0.2, 0.597, 0.081", "1.72",
                                "0.285, 0.245, 0.288, 0.182", "0.416, 0.323, 0.5, 0.495",
                                "0.25, 0.25, 0.25, 0.25", "-90", "7.933", "712.0, 807.0"};
    for (int row = 0; row < 11; ++row) {
        QTableWidgetItem *label = table->item(row, 0);
        QTableWidgetItem *value = table->item(row, 1);
        QVERIFY(label && value);
        QCOMPARE(label->text(), labels[row]);
        QCOMPARE(value->text(), values[row]);
        QVERIFY(label->font().bold());
        QVERIFY(!value->font().bold());
        // Every cell is editable, labels included.
        QVERIFY(label->flags() & Qt::ItemIsEditable);
        QVERIFY(value->flags() & Qt::ItemIsEditable);
        QCOMPARE(table->verticalHeaderItem(row)->text(), QStringLiteral("New Row"));
    }
    QCOMPARE(table->horizontalHeaderItem(0)->text(), QStringLiteral("Label"));
    QCOMPARE(table->horizontalHeaderItem(1)->text(), QStringLiteral("Value"));
    // Columns are sized to their contents: the longest label fits.
    const QFontMetrics bold(table->item(10, 0)->font().resolve(table->font()));
    QVERIFY(table->columnWidth(0) >= bold.horizontalAdvance(labels[10]));
}

void TestMainWindow::menus()
{
    MarvekDev w;
    auto *bar = child<QMenuBar>(&w, "menuBar");
    QStringList titles;
    for (const QAction *action : bar->actions())
        titles << action->text();
    QCOMPARE(titles, (QStringList{"File", "Simulation", "Info"}));
    QCOMPARE(actionTexts(child<QMenu>(&w, "menuFile")), (QStringList{"Load Parameters", "Exit"}));
    QCOMPARE(actionTexts(child<QMenu>(&w, "menuSimulation")), (QStringList{"Run", "Show"}));
    QCOMPARE(actionTexts(child<QMenu>(&w, "menuInfo")), (QStringList{"About This Program..."}));
    for (const char *name : {"actionRun", "actionShow", "actionExit", "actionLoadParameters", "actionAbout"}) {
        const QAction *action = child<QAction>(&w, name);
        QVERIFY(action->shortcut().isEmpty());
        QVERIFY(!action->isCheckable());
    }
}

void TestMainWindow::unitTestsGrid()
{
    MarvekDev w;
    auto *grid = child<QGridLayout>(&w, "gridLayout");
    struct Cell
    {
        const char *name;
        int row;
        int column;
    };
    const Cell cells[] = {
        {"interpolationButton", 0, 0}, {"interpolationLabel", 0, 1}, {"label_2", 0, 2},
        {"shipFileDropLineEdit", 0, 3}, {"computePoseButton", 1, 0}, {"computePoseLabel", 1, 1},
        {"computeErrorButton", 2, 0}, {"computeErrorLabel", 2, 1}, {"computeControlButton", 3, 0},
        {"computeControlLabel", 3, 1}, {"computeAccelButton", 4, 0}, {"computeAccelLabel", 4, 1},
        {"computeAllButton", 5, 0}, {"label", 5, 2}, {"toleranceLineEdit", 5, 3},
        {"outputToDiskCheckBox", 5, 4}, {"rk4Button", 6, 0}, {"simLabel", 6, 1},
        {"testInitButton", 7, 0}, {"initLabel", 7, 1},
    };
    for (const Cell &cell : cells) {
        const int index = grid->indexOf(child<QWidget>(&w, cell.name));
        QVERIFY2(index >= 0, cell.name);
        int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
        QCOMPARE(row, cell.row);
        QCOMPARE(column, cell.column);
    }
    const QStringList texts = {"Ship Data Interpolation", "Compute Pose", "Compute Error", "Compute Control",
                               "Compute Accel", "Compute All", "RK4 Sim UT", "Test FourBar Init"};
    const char *buttons[] = {"interpolationButton", "computePoseButton", "computeErrorButton",
                             "computeControlButton", "computeAccelButton", "computeAllButton",
                             "rk4Button", "testInitButton"};
    for (int i = 0; i < texts.size(); ++i)
        QCOMPARE(child<QPushButton>(&w, buttons[i])->text(), texts[i]);
    QCOMPARE(child<QLabel>(&w, "label")->text(), QStringLiteral("Tolerance:"));
    QCOMPARE(child<QLabel>(&w, "label_2")->text(), QStringLiteral("Ship Data:"));

    // The two fields keep room for their text at the window's smallest width.
    w.show();
    w.resize(w.minimumSize());
    QApplication::processEvents();
    for (const char *name : {"toleranceLineEdit", "shipFileDropLineEdit"}) {
        const QLineEdit *field = child<QLineEdit>(&w, name);
        QVERIFY2(field->width() > field->fontMetrics().horizontalAdvance(QStringLiteral("0.0005")) + 10, name);
    }
}

void TestMainWindow::parametersPageFitsTheFont_data()
{
    QTest::addColumn<int>("points");
    for (int points : {8, 9, 10, 12})
        QTest::newRow(qPrintable(QStringLiteral("%1 pt").arg(points))) << points;
}

void TestMainWindow::parametersPageFitsTheFont()
{
    QFETCH(int, points);
    const QFont font = QApplication::font();
    QFont sized = font;
    sized.setPointSize(points);
    QApplication::setFont(sized);
    auto restore = qScopeGuard([&] { QApplication::setFont(font); });

    MarvekDev w;
    auto *tabs = child<QTabWidget>(&w, "tabWidget");
    tabs->setCurrentIndex(0);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *table = child<QTableWidget>(&w, "paramTableWidget");
    auto *row = child<QWidget>(&w, "layoutWidget");
    auto *field = child<QLineEdit>(&w, "paramShipMotionLineEdit");
    QVERIFY2(field->height() >= field->sizeHint().height(), qPrintable(QString::number(field->height())));
    QVERIFY(!table->horizontalScrollBar()->isVisible());
    QVERIFY(child<QWidget>(&w, "tab")->rect().contains(row->geometry()));
    QVERIFY(child<QWidget>(&w, "tab")->rect().contains(table->geometry()));
    QVERIFY(child<QLabel>(&w, "label_3")->geometry().bottom() < field->geometry().top());
    QVERIFY(w.grab().save(testsupport::artifactPath(QStringLiteral("mainwindow_parameters_%1pt.png").arg(points))));
}

void TestMainWindow::formKeepsAGivenObjectName()
{
    QMainWindow window;
    window.setObjectName(QStringLiteral("givenName"));
    Ui::MarvekDevClass form;
    form.setupUi(&window);
    QCOMPARE(window.objectName(), QStringLiteral("givenName"));
    QCOMPARE(form.tabWidget->currentIndex(), 1);
}

void TestMainWindow::screenshots()
{
    MarvekDev w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *tabs = child<QTabWidget>(&w, "tabWidget");
    const char *files[] = {"mainwindow_parameters.png", "mainwindow_output.png", "mainwindow_unittests.png"};
    for (int i : {1, 0, 2}) {
        tabs->setCurrentIndex(i);
        const QImage image = w.grab().toImage();
        QCOMPARE(image.size(), w.size());
        QVERIFY(image.save(testsupport::artifactPath(QLatin1String(files[i]))));
    }
    QVERIFY(QFile::exists(testsupport::artifactPath(QStringLiteral("mainwindow_output.png"))));
}

void TestMainWindow::progressPercent_data()
{
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("percent");
    QTest::newRow("1 of 3") << 1 << 3 << 33;
    QTest::newRow("2 of 3") << 2 << 3 << 66;
    QTest::newRow("all") << 7 << 7 << 100;
    // 0.29 * 100.0 is just below 29 in double.
    QTest::newRow("29 of 100") << 29 << 100 << 28;
    QTest::newRow("below one percent") << 99 << 10000 << 0;
    QTest::newRow("exactly one percent") << 100 << 10000 << 1;
    QTest::newRow("nothing done") << 0 << 5 << 0;
    QTest::newRow("no total") << 3 << 0 << 0;
}

void TestMainWindow::progressPercent()
{
    QFETCH(int, done);
    QFETCH(int, total);
    QFETCH(int, percent);
    QCOMPARE(MarvekDev::progressPercent(done, total), percent);
}

void TestMainWindow::updateProgressSetsTheBar()
{
    MarvekDev w;
    auto *bar = child<QProgressBar>(&w, "progressBar");
    w.startProgress(100);
    w.updateProgress(29);
    QCOMPARE(bar->value(), 28);
    w.startProgress(3);
    QCOMPARE(bar->value(), 0);
    w.updateProgress(1);
    QCOMPARE(bar->value(), 33);
    w.updateProgress(3);
    QCOMPARE(bar->value(), 100);
    // A later call below one percent leaves the bar where it was.
    w.startProgress(1000);
    w.updateProgress(50);
    w.updateProgress(5);
    QCOMPARE(bar->value(), 5);
}

void TestMainWindow::noEventProcessingBelowOnePercent()
{
    MarvekDev w;
    EventCounter counter;
    w.startProgress(1000);
    QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    w.updateProgress(9); // 0.9 %
    QCOMPARE(counter.count, 0);
    QCOMPARE(child<QProgressBar>(&w, "progressBar")->value(), 0);
    w.updateProgress(10); // 1 %
    QCOMPARE(counter.count, 1);

    // startProgress processes events as well.
    QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    w.startProgress(10);
    QCOMPARE(counter.count, 2);
    // And events are processed on every call above zero, not only on changes.
    QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    w.updateProgress(5);
    QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    w.updateProgress(5);
    QCOMPARE(counter.count, 4);
}

void TestMainWindow::startProgressResets()
{
    MarvekDev w;
    auto *tolerance = child<QLineEdit>(&w, "toleranceLineEdit");
    auto *bar = child<QProgressBar>(&w, "progressBar");
    QCOMPARE(w.tolerance(), 0.0005);
    tolerance->setText(QStringLiteral("0.002"));
    QCOMPARE(w.tolerance(), 0.0005); // read only when an operation starts
    w.startProgress(4);
    QCOMPARE(w.tolerance(), 0.002);
    w.updateProgress(2);
    QCOMPARE(bar->value(), 50);
    tolerance->setText(QStringLiteral("tight"));
    w.startProgress(4);
    QCOMPARE(w.tolerance(), 0.0);
    QCOMPARE(bar->value(), 0);
    QCOMPARE(bar->maximum(), 100);
}

void TestMainWindow::cancelFlagClearedOnlyByStartProgress()
{
    MarvekDev w;
    QVERIFY(!w.isCancelled());
    QTest::mouseClick(child<QPushButton>(&w, "cancelButton"), Qt::LeftButton);
    QVERIFY(w.isCancelled());
    // Progress and status do not touch the flag.
    w.updateProgress(1);
    w.setStatus(QStringLiteral("working"));
    QVERIFY(w.isCancelled());
    // A press while nothing runs does not stop the next operation.
    w.startProgress(10);
    QVERIFY(!w.isCancelled());
    // Cancel pressed while an operation processes events is seen afterwards.
    QTimer::singleShot(0, child<QPushButton>(&w, "cancelButton"), &QPushButton::click);
    w.updateProgress(5);
    QVERIFY(w.isCancelled());
}

void TestMainWindow::setStatusShowsTextAndProcessesEvents()
{
    MarvekDev w;
    EventCounter counter;
    QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    w.setStatus(QStringLiteral("Loading test data"));
    QCOMPARE(child<QLabel>(&w, "statusLabel")->text(), QStringLiteral("Loading test data"));
    QCOMPARE(counter.count, 1);
}

void TestMainWindow::busyOnlyWhileProcessingEvents()
{
    MarvekDev w;
    QVERIFY(!w.isBusy());
    QList<bool> seen;
    QTimer::singleShot(0, &w, [&] { seen << w.isBusy(); });
    w.startProgress(2);
    QTimer::singleShot(0, &w, [&] { seen << w.isBusy(); });
    w.updateProgress(1);
    QTimer::singleShot(0, &w, [&] {
        seen << w.isBusy();
        // Nested event processing keeps the window busy until the outer one ends.
        w.setStatus(QStringLiteral("nested"));
        seen << w.isBusy();
    });
    w.setStatus(QStringLiteral("outer"));
    QCOMPARE(seen, (QList<bool>{true, true, true, true}));
    QVERIFY(!w.isBusy());
    // Events processed by anything else do not mark the window busy.
    QTimer::singleShot(0, &w, [&] { seen << w.isBusy(); });
    QCoreApplication::processEvents();
    QCOMPARE(seen.last(), false);
}

void TestMainWindow::csvExtension_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("used");
    QTest::newRow("no extension") << "/tmp/out/links" << "/tmp/out/links.csv";
    QTest::newRow("csv") << "/tmp/out/links.csv" << "/tmp/out/links.csv";
    QTest::newRow("upper case") << "/tmp/out/LINKS.CSV" << "/tmp/out/LINKS.CSV";
    QTest::newRow("mixed case") << "links.CsV" << "links.CsV";
    QTest::newRow("other extension") << "links.txt" << "links.txt.csv";
    QTest::newRow("csv inside the name") << "links.csv.bak" << "links.csv.bak.csv";
}

void TestMainWindow::csvExtension()
{
    QFETCH(QString, chosen);
    QFETCH(QString, used);
    QCOMPARE(MarvekDev::withCsvExtension(chosen), used);
}

void TestMainWindow::cancelledChooserKeepsTheField()
{
    MarvekDev w;
    const char *pairs[][2] = {{"linkButton", "linkFileDropLineEdit"}, {"cgButton", "cgFileDropLineEdit"},
                              {"controlButton", "controlFileDropLineEdit"}, {"errorButton", "errorFileDropLineEdit"},
                              {"accelButton", "accelFileDropLineEdit"}};
    for (const auto &pair : pairs) {
        auto *field = child<FileDropLineEdit>(&w, pair[1]);
        field->setText(QStringLiteral("kept.csv"));
        // Closes the save dialog (cancel), and any other modal widget.
        bool sawDialog = false;
        QString caption;
        QTimer probe;
        connect(&probe, &QTimer::timeout, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
                sawDialog = true;
                caption = dialog->windowTitle();
                dialog->reject();
            } else if (modal) {
                modal->close();
            }
        });
        probe.start(5);
        child<QPushButton>(&w, pair[0])->click();
        probe.stop();
        QVERIFY2(sawDialog, pair[0]);
        QCOMPARE(caption, QStringLiteral("File Save"));
        QCOMPARE(field->text(), QStringLiteral("kept.csv"));
    }
}

void TestMainWindow::chosenNameGoesToItsField()
{
    MarvekDev w;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const char *pairs[][2] = {{"linkButton", "linkFileDropLineEdit"}, {"cgButton", "cgFileDropLineEdit"},
                              {"controlButton", "controlFileDropLineEdit"}, {"errorButton", "errorFileDropLineEdit"},
                              {"accelButton", "accelFileDropLineEdit"}};
    for (const auto &pair : pairs) {
        // Each button's own name, without an extension, typed into the dialog.
        const QString chosen = dir.filePath(QLatin1String(pair[0]));
        QTimer probe;
        connect(&probe, &QTimer::timeout, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
                // Typed into the name field: selectFile leaves the field
                // alone while it has the keyboard focus.
                child<QLineEdit>(dialog, "fileNameEdit")->setText(chosen);
                QMetaObject::invokeMethod(dialog, "accept");
            } else if (modal) {
                modal->close();
            }
        });
        probe.start(5);
        child<QPushButton>(&w, pair[0])->click();
        probe.stop();
        QCOMPARE(child<FileDropLineEdit>(&w, pair[1])->text(), chosen + QStringLiteral(".csv"));
    }
}

void TestMainWindow::aboutOpensModally()
{
    MarvekDev w;
    w.show();
    QString title;
    bool modal = false;
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&] {
        QWidget *active = QApplication::activeModalWidget();
        if (!active)
            return;
        if (auto *about = qobject_cast<AboutDialog *>(active)) {
            title = about->windowTitle();
            modal = about->isModal();
            child<QPushButton>(about, "okButton")->click();
        } else {
            active->close();
        }
    });
    closer.start(10);
    child<QAction>(&w, "actionAbout")->trigger();
    closer.stop();
    QCOMPARE(title, QStringLiteral("About This Program"));
    QVERIFY(modal);
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(w.findChildren<AboutDialog *>().isEmpty());
}

void TestMainWindow::exitEndsTheEventLoopWithZero()
{
    MarvekDev w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTimer::singleShot(0, child<QAction>(&w, "actionExit"), &QAction::trigger);
    // A loop that Exit fails to end is ended with 3 after a generous wait.
    QTimer::singleShot(20000, [] { QCoreApplication::exit(3); });
    const int result = QApplication::exec();
    QCOMPARE(result, 0);
    QVERIFY(!w.isVisible());
    QVERIFY(!w.isCancelled());
}

void TestMainWindow::constructAndDestroyRepeatedly()
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 5; ++i) {
        auto w = std::make_unique<MarvekDev>();
        w->show();
        QApplication::processEvents();
        w->close();
        w.reset();
        QApplication::processEvents();
    }
    qInfo("five main windows built, shown and destroyed in %lld ms", static_cast<long long>(timer.elapsed()));
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
