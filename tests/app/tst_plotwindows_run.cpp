// The plot windows during simulation runs: every visible window gets one
// sample per graph and step, equal to the independent reference results, and
// keeps them through later runs; a window closed during a run has a gap, one
// never opened gets nothing; a run stopped by numbers that are not finite
// plots only finite ones. Pictures of the error and acceleration windows are
// left under the build folder.
#include "apptestsupport.h"
#include "guigraphwidget.h"
#include "marvekdev.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include <cmath>
#include <functional>
#include <vector>

namespace {

const char *const plotButtons[] = {"plotXButton", "plotQButton", "plotUButton", "plotEButton",
                                   "plotAButton"};
enum Plot { PlotX = 0, PlotQ, PlotU, PlotE, PlotA };
const int steps = 11997; // the sample recording at 0.01 s

using apptest::child;
using apptest::readRows;
using apptest::resultFields;
using apptest::sampleUpTo;

// A main window ready to run the sample recording with no result file named,
// and a way to reach its plot windows (top-level windows of their own).
class PlotRunWindow
{
public:
    PlotRunWindow()
    {
        child<QLineEdit>(&main, "paramShipMotionLineEdit")
            ->setText(testsupport::dataPath(QStringLiteral("reference/ship-motion-sample.csv")));
        for (const char *field : resultFields)
            child<QLineEdit>(&main, field)->clear();
        progress = child<QProgressBar>(&main, "progressBar");
    }

    // Presses a Plot button; the window its first press opens is remembered
    // (other main windows' plot windows are top-level windows too).
    void press(Plot plot)
    {
        const QList<GraphScrollWidget *> before = plotWindows();
        child<QPushButton>(&main, plotButtons[plot])->click();
        for (GraphScrollWidget *window : plotWindows()) {
            if (!before.contains(window))
                windows[plot] = window;
        }
    }
    void run() { child<QAction>(&main, "actionRun")->trigger(); }
    GraphScrollWidget *window(Plot plot) const { return windows[plot]; }
    // Calls `action` at the first progress percentage of at least `percent`,
    // inside the run's step (after that step fed the windows).
    void atPercent(int percent, std::function<void()> action)
    {
        auto done = std::make_shared<bool>(false);
        QObject::connect(progress, &QProgressBar::valueChanged, progress,
                         [percent, action, done](int value) {
                             if (!*done && value >= percent) {
                                 *done = true;
                                 action();
                             }
                         });
    }

    static QList<GraphScrollWidget *> plotWindows()
    {
        QList<GraphScrollWidget *> found;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *window = qobject_cast<GraphScrollWidget *>(widget))
                found << window;
        }
        return found;
    }

    MarvekDev main;
    QProgressBar *progress;
    GraphScrollWidget *windows[5] = {};
};

// Sample times of a graph, and the step numbers they belong to.
std::vector<int> sampleSteps(GuiGraphWidget *graph)
{
    std::vector<int> result;
    for (int i = 0; i < graph->getDataCount(); ++i)
        result.push_back(int(std::lround(graph->getDataPoint(i)->getTime() / 0.01)));
    return result;
}

std::vector<GuiGraphWidget *> graphs(GraphScrollWidget *window)
{
    return {window->getGraphList().begin(), window->getGraphList().end()};
}

} // namespace

class TestPlotWindowsRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyGraphGotOneSamplePerStep();
    void samplesEqualTheReferenceRun();
    void picturesOfErrorsAndAccelerations();
    void laterRunsKeepEarlierSamples();
    void cleanupTestCase();

    void closedWindowHasAGapUnopenedGetsNothing();
    void stoppedRunPlotsOnlyFiniteSamples();

private:
    // One whole run over the sample recording with all five windows open,
    // shared by the first three checks.
    std::unique_ptr<PlotRunWindow> m_full;
};

void TestPlotWindowsRun::initTestCase()
{
    ModalDialogCloser closer;
    m_full = std::make_unique<PlotRunWindow>();
    for (Plot plot : {PlotX, PlotQ, PlotU, PlotE, PlotA})
        m_full->press(plot);
    m_full->run();
    QCOMPARE(closer.closedTexts(), QStringList());
    QCOMPARE(m_full->progress->value(), 99);
}

void TestPlotWindowsRun::everyGraphGotOneSamplePerStep()
{
    // Titles, units and series of the windows: tst_plotwindows.
    const int counts[] = {12, 12, 12, 24, 27};
    for (Plot plot : {PlotX, PlotQ, PlotU, PlotE, PlotA}) {
        GraphScrollWidget *window = m_full->window(plot);
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(int(window->getGraphList().size()), counts[plot]);
        for (GuiGraphWidget *graph : graphs(window)) {
            QCOMPARE(graph->getDataCount(), steps);
            for (int i = 0; i < steps; ++i) {
                if (graph->getDataPoint(i)->getTime() != (i + 1) * 0.01)
                    QFAIL(qPrintable(QStringLiteral("%1 sample %2 at %3 s")
                                         .arg(graph->getTitle())
                                         .arg(i)
                                         .arg(graph->getDataPoint(i)->getTime())));
            }
        }
    }
}

void TestPlotWindowsRun::samplesEqualTheReferenceRun()
{
    // Reference file and its first column for each window; the error file
    // holds degrees, converted as the run converts them.
    const char *files[] = {"link.csv", "cg.csv", "control.csv", "error.csv", "accel.csv"};
    for (Plot plot : {PlotX, PlotQ, PlotU, PlotE, PlotA}) {
        const QVector<QVector<double>> expected =
            readRows(testsupport::dataPath(QStringLiteral("reference/fullrun/") + files[plot]));
        QCOMPARE(expected.size(), steps);
        const std::vector<GuiGraphWidget *> windowGraphs = graphs(m_full->window(plot));
        double worst = 0.0;
        for (std::size_t g = 0; g < windowGraphs.size(); ++g) {
            for (int r = 0; r < steps; ++r) {
                double value = windowGraphs[g]->getDataPoint(r)->getValue();
                if (plot == PlotE)
                    value = value * 180.0 / 3.14159;
                const double e = expected[r][int(g) + 1];
                const double difference = std::abs(value - e) / std::max(1.0, std::abs(e));
                worst = std::max(worst, difference);
                if (!(difference <= 1e-8))
                    QFAIL(qPrintable(QStringLiteral("%1 graph %2 at %3 s: %4 instead of %5")
                                         .arg(files[plot])
                                         .arg(windowGraphs[g]->getTitle())
                                         .arg((r + 1) * 0.01)
                                         .arg(value, 0, 'g', 17)
                                         .arg(e, 0, 'g', 17)));
            }
        }
        qInfo("%s: largest difference %.3g", files[plot], worst);
    }
}

void TestPlotWindowsRun::picturesOfErrorsAndAccelerations()
{
    for (Plot plot : {PlotE, PlotA}) {
        GraphScrollWidget *window = m_full->window(plot);
        const QString name = plot == PlotE ? QStringLiteral("plot_errors")
                                           : QStringLiteral("plot_accelerations");
        // The window as it appears, and all of its graphs stacked.
        const QImage picture = window->grab().toImage();
        QVERIFY(picture.save(testsupport::artifactPath(name + QStringLiteral("_window.png"))));
        QWidget *contents = child<QWidget>(window, "scrollAreaWidgetContents");
        const QImage stack = contents->grab().toImage();
        QVERIFY(stack.save(testsupport::artifactPath(name + QStringLiteral("_graphs.png"))));
        QCOMPARE(picture.size(), window->size());
        QVERIFY(stack.height() >= int(window->getGraphList().size()) * 200);

        // Series were drawn: the picture of a graph is not only its frame.
        GuiGraphWidget *graph = window->getGraphList().front();
        const QImage graphPicture = graph->grab().toImage();
        QSet<QRgb> colours;
        for (int y = 0; y < graphPicture.height(); y += 2) {
            for (int x = 0; x < graphPicture.width(); x += 2)
                colours.insert(graphPicture.pixel(x, y));
        }
        QVERIFY2(colours.size() > 3, qPrintable(QString::number(colours.size())));
    }
}

void TestPlotWindowsRun::laterRunsKeepEarlierSamples()
{
    // Two more runs (the last use of the shared run): each graph holds all
    // three, one after the other.
    ModalDialogCloser closer;
    m_full->run();
    m_full->run();
    QCOMPARE(closer.closedTexts(), QStringList());
    std::vector<int> expected;
    for (int i = 0; i < 3 * steps; ++i)
        expected.push_back(i % steps + 1);
    for (Plot plot : {PlotX, PlotQ, PlotU, PlotE, PlotA}) {
        for (GuiGraphWidget *graph : graphs(m_full->window(plot)))
            QVERIFY(sampleSteps(graph) == expected);
    }
}

void TestPlotWindowsRun::cleanupTestCase()
{
    m_full.reset();
}

void TestPlotWindowsRun::closedWindowHasAGapUnopenedGetsNothing()
{
    ModalDialogCloser closer;
    PlotRunWindow w;
    // X open from the start; E closed at 30 % and opened again at 60 %; U
    // opened only at 50 %; A opened and closed before the run; Q never opened.
    w.press(PlotX);
    w.press(PlotE);
    w.press(PlotA);
    w.window(PlotA)->close();
    int closedAfter = 0;
    int reopenedAfter = 0;
    int openedAfter = 0;
    auto lastStep = [&w](Plot plot) {
        GuiGraphWidget *graph = w.window(plot)->getGraphList().front();
        return int(std::lround(graph->getDataPoint(graph->getDataCount() - 1)->getTime() / 0.01));
    };
    w.atPercent(30, [&]() {
        closedAfter = lastStep(PlotE);
        QVERIFY(w.window(PlotE)->close());
    });
    w.atPercent(50, [&]() {
        openedAfter = lastStep(PlotX);
        w.press(PlotU);
    });
    w.atPercent(60, [&]() {
        reopenedAfter = lastStep(PlotX);
        w.press(PlotE);
    });
    w.run();
    QCOMPARE(closer.closedTexts(), QStringList());
    QVERIFY(closedAfter > 3000 && closedAfter < 4000);
    QVERIFY(reopenedAfter > 7000 && reopenedAfter < 8000);

    for (GuiGraphWidget *graph : graphs(w.window(PlotX)))
        QCOMPARE(graph->getDataCount(), steps);

    // The closed window has every step but those while it was hidden.
    std::vector<int> expected;
    for (int i = 1; i <= steps; ++i) {
        if (i <= closedAfter || i > reopenedAfter)
            expected.push_back(i);
    }
    for (GuiGraphWidget *graph : graphs(w.window(PlotE)))
        QVERIFY(sampleSteps(graph) == expected);

    // The window opened during the run starts at the next step.
    for (GuiGraphWidget *graph : graphs(w.window(PlotU))) {
        const std::vector<int> got = sampleSteps(graph);
        QCOMPARE(int(got.size()), steps - openedAfter);
        QCOMPARE(got.front(), openedAfter + 1);
        QCOMPARE(got.back(), steps);
    }

    // Hidden for the whole run, and never opened: nothing.
    QVERIFY(!w.window(PlotA)->isVisible());
    for (GuiGraphWidget *graph : graphs(w.window(PlotA)))
        QCOMPARE(graph->getDataCount(), 0);
    QCOMPARE(w.window(PlotQ), nullptr);
    w.press(PlotQ);
    QVERIFY(w.window(PlotQ));
    for (GuiGraphWidget *graph : graphs(w.window(PlotQ)))
        QCOMPARE(graph->getDataCount(), 0);
}

void TestPlotWindowsRun::stoppedRunPlotsOnlyFiniteSamples()
{
    ModalDialogCloser closer;
    PlotRunWindow w;
    child<QLineEdit>(&w.main, "paramShipMotionLineEdit")
        ->setText(testsupport::writeTextFile(QStringLiteral("nan.csv"), sampleUpTo(10.0, 4.0, 16)));
    for (Plot plot : {PlotX, PlotQ, PlotU, PlotE, PlotA})
        w.press(plot);
    w.run();
    QCOMPARE(closer.closedTexts().size(), 1);
    QVERIFY(closer.closedTexts().first().contains(QStringLiteral("stopped at t = ")));

    // Every window holds the same steps, all before the stop, all finite.
    int kept = -1;
    for (Plot plot : {PlotX, PlotQ, PlotU, PlotE, PlotA}) {
        for (GuiGraphWidget *graph : graphs(w.window(plot))) {
            if (kept < 0)
                kept = graph->getDataCount();
            QCOMPARE(graph->getDataCount(), kept);
            for (int i = 0; i < kept; ++i)
                QVERIFY(std::isfinite(graph->getDataPoint(i)->getValue()));
        }
    }
    QVERIFY2(kept == 394 || kept == 395, qPrintable(QString::number(kept)));

    // Nothing clears a window: the next run appends its samples, with times
    // starting again at the first step.
    closer.clear();
    w.run();
    QCOMPARE(closer.closedTexts().size(), 1);
    for (Plot plot : {PlotX, PlotQ, PlotU, PlotE, PlotA}) {
        for (GuiGraphWidget *graph : graphs(w.window(plot))) {
            QCOMPARE(graph->getDataCount(), 2 * kept);
            QCOMPARE(graph->getDataPoint(kept)->getTime(), 0.01);
            QCOMPARE(graph->getDataPoint(kept)->getValue(), graph->getDataPoint(0)->getValue());
        }
    }
}

QTEST_MAIN(TestPlotWindowsRun)
#include "tst_plotwindows_run.moc"
