// The main window's frame: progress, status, Cancel and the busy guard that
// every long operation shares, the result-file choosers, the plot windows,
// About, Exit and closing the window, the Parameters page at larger fonts,
// and pictures.
#include "aboutdialog.h"
#include "apptestsupport.h"
#include "guigraphwidget.h"

#include <QApplication>
#include <QFileDialog>
#include <QPointer>
#include <QScopeGuard>
#include <QScrollBar>
#include <QtTest>

using namespace apptest;

namespace {

// Counts the user events it receives: whether events were processed.
class EventCounter : public QObject
{
public:
    int count = 0;
    void post() { QCoreApplication::postEvent(this, new QEvent(QEvent::User)); }

protected:
    bool event(QEvent *e) override
    {
        count += e->type() == QEvent::User;
        return QObject::event(e);
    }
};

// Runs out of memory at the first paint after being armed.
class FailingPaint : public QWidget
{
public:
    bool armed = false;

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (armed) {
            armed = false;
            throw std::bad_alloc();
        }
    }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void progressProcessesEventsFromOnePercent();
    void cancelFlagClearedOnlyAtAStart();
    void chooserNamesItsField_data();
    void chooserNamesItsField();
    void plotButtonOpensItsWindowOnce_data();
    void plotButtonOpensItsWindowOnce();
    void aboutOpensModallyAndOkCloses();
    void closingEndsTheProgram_data();
    void closingEndsTheProgram();
    void commandsWorkAfterAFailedPaint();
    void parametersPageFitsTheFont_data();
    void parametersPageFitsTheFont();
};

void TestMainWindow::progressProcessesEventsFromOnePercent()
{
    Harness h;
    MarvekDev &w = *h.window;
    EventCounter counter;
    h.get<QLineEdit>("toleranceLineEdit")->setText("0.002");
    QCOMPARE(w.tolerance(), 0.0005); // read when an operation starts
    w.startProgress(1000);
    QCOMPARE(w.tolerance(), 0.002);
    counter.post();
    w.updateProgress(9); // 0.9 %: neither the bar nor events
    QCOMPARE(counter.count, 0);
    QCOMPARE(h.progress(), 0);
    w.updateProgress(290);
    QCOMPARE(counter.count, 1);
    QCOMPARE(h.progress(), 28); // the quotient first: 0.29 * 100.0 lies just below 29
    QCOMPARE(MarvekDev::progressPercent(3, 0), 0);
    counter.post();
    w.updateProgress(290); // at every call, not only on a change
    QCOMPARE(counter.count, 2);
    w.updateProgress(5); // a later call below one percent leaves the bar
    QCOMPARE(h.progress(), 28);

    counter.post();
    w.startProgress(4); // resets the bar and processes events
    QCOMPARE(h.progress(), 0);
    QCOMPARE(counter.count, 3);
    counter.post();
    w.setStatus("Loading test data");
    QCOMPARE(h.status(), QStringLiteral("Loading test data"));
    QCOMPARE(counter.count, 4);
}

void TestMainWindow::cancelFlagClearedOnlyAtAStart()
{
    Harness h;
    MarvekDev &w = *h.window;
    h.click("cancelButton");
    w.updateProgress(1);
    w.setStatus("working");
    QVERIFY(w.isCancelled()); // only starting an operation clears it
    w.startProgress(10);
    QVERIFY(!w.isCancelled());
    QTimer::singleShot(0, h.get<QPushButton>("cancelButton"), &QPushButton::click);
    w.updateProgress(5);
    QVERIFY(w.isCancelled());

}

void TestMainWindow::chooserNamesItsField_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("field"); // result field: link, CG, error, control, accel
    QTest::addColumn<QString>("typed"); // empty: the dialog is cancelled
    QTest::addColumn<QString>("expected");
    QTest::newRow("link") << "linkButton" << 0 << "links" << "links.csv";
    QTest::newRow("CG, upper case") << "cgButton" << 1 << "CG.CSV" << "CG.CSV";
    QTest::newRow("error, mixed case") << "errorButton" << 2 << "e.CsV" << "e.CsV";
    QTest::newRow("control, other extension") << "controlButton" << 3 << "c.txt" << "c.txt.csv";
    QTest::newRow("accel, csv inside") << "accelButton" << 4 << "a.csv.bak" << "a.csv.bak.csv";
    QTest::newRow("cancelled") << "accelButton" << 4 << "" << "kept.csv";
}

void TestMainWindow::chooserNamesItsField()
{
    QFETCH(QString, button);
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    Harness h;
    h.result(field)->setText("kept.csv");
    h.closer.setAnswer([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog || typed.isEmpty())
            return;
        // Typed into the name field: selectFile leaves the field alone while
        // it has the keyboard focus.
        child<QLineEdit>(dialog, "fileNameEdit")->setText(QDir::current().absoluteFilePath(typed));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    h.click(qPrintable(button));
    QCOMPARE(h.result(field)->text(),
             typed.isEmpty() ? expected : QDir::current().absoluteFilePath(expected));
}

void TestMainWindow::plotButtonOpensItsWindowOnce_data()
{
    QTest::addColumn<int>("plot");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QStringList>("series");
    QStringList links, velocities, rates;
    for (int link = 1; link <= 4; ++link) {
        for (const char *axis : {"X", "Y", "Z"}) {
            links << QStringLiteral("%1%2").arg(axis).arg(link);
            velocities << QStringLiteral("d%1%2").arg(axis).arg(link);
            rates << QStringLiteral("V_%1%2").arg(axis).arg(link);
        }
    }
    QTest::newRow("link angles") << 0 << "Link Coordinates XYZ Euler Angles [rad] - Local Frames" << "rad" << links;
    QTest::newRow("centres of gravity") << 1 << "Link Positions XYZ [metres] - Rotated Person Frame" << "m" << links;
    QTest::newRow("control moments") << 2 << "Control Moments (Nm)" << "Nm" << links;
    QTest::newRow("errors") << 3 << "Errors - Positions and Velocities" << "" << links + velocities;
    QTest::newRow("accelerations")
        << 4 << "Accelerations  (12x XYZ Euler Angle Rates + 3x Translational Accelerations + 12x Angular Accelerations"
        << "m/s^2" << rates + QStringList{"POS_X", "POS_Y", "POS_Z"} + links;
}

void TestMainWindow::plotButtonOpensItsWindowOnce()
{
    QFETCH(int, plot);
    QFETCH(QString, title);
    QFETCH(QString, unit);
    QFETCH(QStringList, series);
    auto harness = std::make_unique<Harness>();
    Harness &h = *harness;
    bool (MarvekDev::*const visible[])() const = {&MarvekDev::isPlotXVisible, &MarvekDev::isPlotQVisible,
                                                  &MarvekDev::isPlotUVisible, &MarvekDev::isPlotEVisible,
                                                  &MarvekDev::isPlotAVisible};
    QPointer<GraphScrollWidget> window = h.plot(plot);
    QVERIFY(window && window->isWindow());
    QCOMPARE(window->windowTitle(), title);
    QStringList titles;
    for (GuiGraphWidget *graph : window->getGraphList()) {
        titles << graph->getTitle();
        QCOMPARE(graph->getUnits(), unit);
        QVERIFY(graph->isLiveMode());
    }
    QCOMPARE(titles, series);
    for (int k = 0; k < 5; ++k)
        QCOMPARE((h.window.get()->*visible[k])(), k == plot);

    // Closing hides it with its samples; the button shows the same window.
    window->addData(0.25, Eigen::VectorXd::Constant(series.size(), 3.0));
    QVERIFY(window->close() && window);
    QVERIFY(!(h.window.get()->*visible[plot])());
    QCOMPARE(h.plot(plot), window.data());
    QCOMPARE(h.plot(plot), window.data());
    QVERIFY((h.window.get()->*visible[plot])());
    QCOMPARE(window->getGraphList().back()->getDataCount(), 1);
    QCOMPARE(window->findChildren<GuiGraphWidget *>().size(), series.size() + 1); // and the placeholder

    // The window goes with the main window.
    harness.reset();
    QVERIFY(!window);
}

void TestMainWindow::aboutOpensModallyAndOkCloses()
{
    Harness h;
    bool modal = false;
    bool closedByOk = false; // a dead OK button would leave it to the harness
    h.closer.setAnswer([&](QWidget *widget) {
        if (auto *about = qobject_cast<AboutDialog *>(widget)) {
            modal = about->isModal();
            // Every text whole within its fixed place, whatever the font.
            for (const QLabel *label : about->findChildren<QLabel *>())
                QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
                         qPrintable(label->objectName()));
            QVERIFY(about->grab().save(testsupport::artifactPath("aboutdialog.png")));
            child<QPushButton>(about, "okButton")->click();
            closedByOk = !about->isVisible();
        }
    });
    h.trigger("actionAbout");
    QVERIFY(modal && closedByOk);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestMainWindow::closingEndsTheProgram_data()
{
    QTest::addColumn<bool>("exit");      // Exit, or the title bar's close button
    QTest::addColumn<bool>("duringRun"); // at 30 % of a run
    QTest::addColumn<bool>("loop");      // with the application's event loop running
    QTest::newRow("Exit") << true << false << true;
    QTest::newRow("close") << false << false << true;
    QTest::newRow("Exit during a run") << true << true << true;
    QTest::newRow("close during a run") << false << true << true;
    QTest::newRow("close, no event loop") << false << false << false;
}

void TestMainWindow::closingEndsTheProgram()
{
    // The 3D window closes first, the plot windows with the main window; a
    // run goes on to its end, writes its files and shows its warning (the
    // CG file's folder goes with the close), then the event loop returns 0.
    QFETCH(bool, exit);
    QFETCH(bool, duringRun);
    QFETCH(bool, loop);
    Harness h;
    h.window->show();
    h.trigger("actionShow");
    MarvekView *view = theView();
    QVector<GraphScrollWidget *> plots;
    for (int k = 0; k < 5; ++k)
        plots << h.plot(k);
    h.setRecording(sampleUpTo(20.0));
    h.nameResults(QStringLiteral("end"));
    QVERIFY(QDir().mkdir(QStringLiteral("gone")));
    h.result(1)->setText(QStringLiteral("gone/cg.csv"));
    bool viewFirst = false;
    const QObject watch; // goes before the harness
    connect(view, &QWindow::visibleChanged, &watch, [&](bool visible) { viewFirst = !visible && h.window->isVisible(); });
    auto allClosed = [&] {
        bool closed = !view->isVisible() && !h.window->isVisible();
        for (GraphScrollWidget *plot : plots)
            closed = closed && !plot->isVisible();
        return closed;
    };
    bool closedAtOnce = false;
    auto end = [&] {
        QDir(QStringLiteral("gone")).removeRecursively();
        if (exit)
            h.trigger("actionExit");
        else
            h.window->close();
        closedAtOnce = allClosed();
        return true;
    };
    if (!loop) {
        end();
        h.trigger("actionRun"); // its warning box still opens
        QCOMPARE(h.warnings().size(), 1);
        QVERIFY(closedAtOnce && viewFirst);
        return;
    }
    QTimer::singleShot(0, &watch, [&] { duringRun ? h.runWhile(30, end) : (void)end(); });
    QTimer stop; // a loop left running ends with 3
    connect(&stop, &QTimer::timeout, [] { QCoreApplication::exit(3); });
    stop.start(20000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(closedAtOnce && viewFirst && allClosed());
    if (!duringRun)
        return;
    QCOMPARE(h.warnings().size(), 1);
    QVERIFY2(h.warnings().first().contains("Not written: gone/cg.csv."), qPrintable(h.warnings().first()));
    for (int k : {0, 2, 3, 4})
        QCOMPARE(readRows(h.result(k)->text()).size(), 1997);
    QVERIFY(!h.window->isCancelled());
}

void TestMainWindow::commandsWorkAfterAFailedPaint()
{
    // Memory runs out in a paint during a run: the run says so, and then
    // Run works again and closing the window ends the event loop.
    Harness h;
    h.window->show();
    h.setRecording(sampleUpTo(10.0));
    h.nameResults(QStringLiteral("after"));
    FailingPaint failing;
    failing.show();
    QVERIFY(QTest::qWaitForWindowExposed(&failing));
    h.runWhile(30, [&] {
        failing.armed = true;
        failing.update();
        return true;
    });
    QVERIFY(!failing.armed);
    QCOMPARE(h.warnings().size(), 1);
    QVERIFY2(h.warnings().first().contains("ran out of memory"), qPrintable(h.warnings().first()));
    QCOMPARE(h.results(), QVector<QByteArray>(5));

    h.closer.clear();
    h.trigger("actionRun");
    QCOMPARE(h.warnings(), QStringList());
    QCOMPARE(readRows(h.result(4)->text()).size(), 997);

    failing.close();
    QTimer::singleShot(0, h.window.get(), [&] { h.window->close(); });
    QTimer stop; // a loop left running ends with 3
    connect(&stop, &QTimer::timeout, [] { QCoreApplication::exit(3); });
    stop.start(20000);
    QCOMPARE(QApplication::exec(), 0);
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

    Harness h;
    h.get<QTabWidget>("tabWidget")->setCurrentIndex(0);
    h.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
    auto *table = h.get<QTableWidget>("paramTableWidget");
    auto *field = h.get<QLineEdit>("paramShipMotionLineEdit");
    QVERIFY2(field->height() >= field->sizeHint().height(), qPrintable(QString::number(field->height())));
    QVERIFY(!table->horizontalScrollBar()->isVisible());
    QVERIFY(h.get<QLabel>("label_3")->geometry().bottom() < field->geometry().top());
    for (const char *placed : {"paramTableWidget", "layoutWidget"})
        QVERIFY(h.get("tab")->rect().contains(h.get(placed)->geometry()));
    if (points == 12) // the picture for people to look at
        QVERIFY(h.window->grab().save(testsupport::artifactPath("mainwindow_parameters_12pt.png")));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
