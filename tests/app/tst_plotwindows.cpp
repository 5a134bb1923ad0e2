// The five "Plot" windows: the window each button opens (once), closing that
// only hides it, and what runs feed them: one sample per graph and step equal
// to the independent reference results, kept through later runs, a gap where
// a window was hidden, and only finite samples from a run that stopped.
#include "apptestsupport.h"
#include "guigraphwidget.h"

#include <QPointer>
#include <QtTest>

#include <cmath>

using namespace apptest;

namespace {

const char *const buttons[] = {"plotXButton", "plotQButton", "plotUButton", "plotEButton", "plotAButton"};
const char *const references[] = {"link.csv", "cg.csv", "control.csv", "error.csv", "accel.csv"};
const int steps = 11997; // the sample recording at 0.01 s

// The window a press of the button opens or shows.
GraphScrollWidget *press(Harness &h, int plot)
{
    h.click(buttons[plot]);
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *window = qobject_cast<GraphScrollWidget *>(widget);
        if (window && window->isVisible() && window->property("plot").isNull())
            window->setProperty("plot", plot);
        if (window && window->property("plot") == plot)
            return window;
    }
    return nullptr;
}

// The step numbers of a graph's samples.
QVector<int> sampleSteps(GuiGraphWidget *graph)
{
    QVector<int> result;
    for (int i = 0; i < graph->getDataCount(); ++i)
        result << int(std::lround(graph->getDataPoint(i)->getTime() / 0.01));
    return result;
}

QVector<int> stepRange(int first, int last)
{
    QVector<int> range;
    for (int i = first; i <= last; ++i)
        range << i;
    return range;
}

} // namespace

class TestPlotWindows : public QObject
{
    Q_OBJECT

private slots:
    void buttonOpensItsWindowOnce_data();
    void buttonOpensItsWindowOnce();
    void runsFeedEveryVisibleGraph();
    void hiddenWindowsGetNothing();
    void stoppedRunPlotsOnlyFiniteSamples();
};

void TestPlotWindows::buttonOpensItsWindowOnce_data()
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

void TestPlotWindows::buttonOpensItsWindowOnce()
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
    QPointer<GraphScrollWidget> window = press(h, plot);
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
    QCOMPARE(press(h, plot), window.data());
    QCOMPARE(press(h, plot), window.data());
    QVERIFY((h.window.get()->*visible[plot])());
    QCOMPARE(window->getGraphList().back()->getDataCount(), 1);
    QCOMPARE(window->findChildren<GuiGraphWidget *>().size(), series.size() + 1); // and the placeholder

    // The window goes with the main window.
    harness.reset();
    QVERIFY(!window);
}

void TestPlotWindows::runsFeedEveryVisibleGraph()
{
    Harness h;
    h.get<QLineEdit>("paramShipMotionLineEdit")->setText(referencePath("ship-motion-sample.csv"));
    GraphScrollWidget *windows[5];
    for (int plot = 0; plot < 5; ++plot)
        windows[plot] = press(h, plot);
    h.trigger("actionRun");
    QCOMPARE(h.warnings(), QStringList());
    QVERIFY(windows[3]->grab().save(testsupport::artifactPath("plot_errors_window.png")));

    // The samples of the reference run; the error file holds degrees,
    // converted as the run converts them.
    for (int plot = 0; plot < 5; ++plot) {
        const QVector<QVector<double>> expected = readRows(referencePath(QStringLiteral("fullrun/") + references[plot]));
        int g = 1;
        for (GuiGraphWidget *graph : windows[plot]->getGraphList()) {
            QCOMPARE(graph->getDataCount(), steps);
            for (int r = 0; r < steps; ++r) {
                const BaseDataPoint *sample = graph->getDataPoint(r);
                const double value = sample->getValue() * (plot == 3 ? 180.0 / 3.14159 : 1.0);
                const double e = expected[r][g];
                if (sample->getTime() != (r + 1) * 0.01 || !(std::abs(value - e) <= 1e-8 * std::max(1.0, std::abs(e))))
                    QFAIL(qPrintable(QStringLiteral("%1 %2 sample %3: %4 at %5 s")
                                         .arg(references[plot], graph->getTitle()).arg(r).arg(value).arg(sample->getTime())));
            }
            ++g;
        }
    }

    // Later runs append their samples after those of the runs before.
    h.trigger("actionRun");
    h.trigger("actionRun");
    const QVector<int> once = stepRange(1, steps);
    for (GraphScrollWidget *window : windows) {
        for (GuiGraphWidget *graph : window->getGraphList())
            QVERIFY(sampleSteps(graph) == once + once + once);
    }
}

void TestPlotWindows::hiddenWindowsGetNothing()
{
    // X open throughout; E closed at 30 % and shown again at 60 %; U opened
    // at 50 %; A opened and closed before the run; Q never opened.
    Harness h;
    h.get<QLineEdit>("paramShipMotionLineEdit")->setText(referencePath("ship-motion-sample.csv"));
    GraphScrollWidget *x = press(h, 0), *e = press(h, 3), *a = press(h, 4), *u = nullptr;
    a->close();
    auto lastStep = [&] { return sampleSteps(x->getGraphList().front()).last(); };
    int closedAfter = 0, openedAfter = 0, reopenedAfter = 0;
    h.runWhile(30, [&] {
        if (!closedAfter) {
            closedAfter = lastStep();
            e->close();
        } else if (!openedAfter && h.progress() >= 50) {
            openedAfter = lastStep();
            u = press(h, 2);
        } else if (h.progress() >= 60) {
            reopenedAfter = lastStep();
            press(h, 3);
            return true;
        }
        return false;
    });
    QVERIFY(closedAfter > 3000 && reopenedAfter > 7000);
    QCOMPARE(sampleSteps(x->getGraphList().back()), stepRange(1, steps));
    QCOMPARE(sampleSteps(e->getGraphList().back()), stepRange(1, closedAfter) + stepRange(reopenedAfter + 1, steps));
    QCOMPARE(sampleSteps(u->getGraphList().back()), stepRange(openedAfter + 1, steps));
    QCOMPARE(a->getGraphList().back()->getDataCount(), 0);
    QCOMPARE(press(h, 1)->getGraphList().back()->getDataCount(), 0);
}

void TestPlotWindows::stoppedRunPlotsOnlyFiniteSamples()
{
    Harness h;
    h.setRecording(sampleUpTo(10.0, 4.0, 16));
    for (int plot = 0; plot < 5; ++plot)
        press(h, plot);
    h.trigger("actionRun");
    QCOMPARE(h.warnings().size(), 1);
    int kept = -1;
    for (int plot = 0; plot < 5; ++plot) {
        for (GuiGraphWidget *graph : press(h, plot)->getGraphList()) {
            kept = kept < 0 ? graph->getDataCount() : kept;
            QCOMPARE(graph->getDataCount(), kept);
            for (int i = 0; i < kept; ++i)
                QVERIFY(std::isfinite(graph->getDataPoint(i)->getValue()));
        }
    }
    QVERIFY2(kept == 394 || kept == 395, qPrintable(QString::number(kept)));
}

QTEST_MAIN(TestPlotWindows)
#include "tst_plotwindows.moc"
