// A whole run over the 120 s sample recording through the main window with
// all five plot windows open (87 live graphs), offscreen, no result file
// named. Goals: at most 3 s for the whole run, and the last tenth of the steps
// no costlier than the first tenth, although the graphs then hold ten times
// as many samples.
//
// The tenths are timed between progress percentages: steps from 1 % to 11 %
// against 89 % to 99 % (1200 steps each); below 1 % the run processes no
// events, so those steps would look cheaper than any others. The tenths are
// measured in the GUI thread's CPU time, which the other programs on a shared
// machine disturb less than wall time. The middle tenth (51 % to 61 %) starts
// when the graphs' 60 s live window has filled: from there on each repaint
// walks as many samples as at the end. Repaints take a bounded share of the
// run, so the first tenth, whose shorter paths paint faster, runs faster
// too; last_over_middle compares two tenths with the window full.
//
// Twelve successive runs in one main window with all five windows open: the
// graphs keep every run's samples, so each later run paints over the earlier
// ones. Goals: the twelfth run at most 1.5 times as long as the second, the
// first no slower than before, and during the twelfth run no graph on screen
// longer than 250 ms without a repaint (longest_gap_ms). Each run is timed in
// wall time (counters run1_s to run12_s, means over the iterations); then the
// windows are closed and one more run is timed (no_plots_s).
#include "benchsupport.h"
#include "guigraphwidget.h"
#include "marvekdev.h"

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <array>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

qint64 threadCpuNanoseconds()
{
    timespec now = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

const char *const plotButtons[] = {"plotXButton", "plotQButton", "plotUButton", "plotEButton",
                                   "plotAButton"};

// Argument 1: all five plot windows open; 0: none, for comparison.
void wholeRunWithAllPlotWindows(benchmark::State &state)
{
    const bool withPlots = state.range(0) != 0;
    double firstTenthMs = 0.0;
    double middleTenthMs = 0.0;
    double lastTenthMs = 0.0;
    int samples = 0;
    std::vector<double> ratios;
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<MarvekDev>();
        benchsupport::prepareSampleRun(*window, nullptr);
        for (const char *name : plotButtons) {
            if (withPlots)
                window->findChild<QPushButton *>(QLatin1String(name))->click();
        }
        QCoreApplication::processEvents(); // the new graphs are shown

        std::array<qint64, 101> reached;
        reached.fill(-1);
        QObject::connect(window->findChild<QProgressBar *>(QStringLiteral("progressBar")),
                         &QProgressBar::valueChanged, [&reached](int value) {
                             if (value >= 0 && value <= 100 && reached[value] < 0)
                                 reached[value] = threadCpuNanoseconds();
                         });
        QAction *run = window->findChild<QAction *>(QStringLiteral("actionRun"));
        state.ResumeTiming();

        run->trigger();

        state.PauseTiming();
        firstTenthMs += (reached[11] - reached[1]) / 1e6;
        middleTenthMs += (reached[61] - reached[51]) / 1e6;
        lastTenthMs += (reached[99] - reached[89]) / 1e6;
        ratios.push_back(double(reached[99] - reached[89]) / double(reached[11] - reached[1]));
        // Every graph of every window should hold every step.
        samples = 0;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *plot = qobject_cast<GraphScrollWidget *>(widget)) {
                for (GuiGraphWidget *graph : plot->getGraphList())
                    samples += graph->getDataCount();
            }
        }
        window.reset();
        state.ResumeTiming();
    }
    const double runs = double(state.iterations());
    state.counters["first_tenth_ms"] = firstTenthMs / runs;
    state.counters["middle_tenth_ms"] = middleTenthMs / runs;
    state.counters["last_tenth_ms"] = lastTenthMs / runs;
    state.counters["last_over_first"] = lastTenthMs / firstTenthMs;
    state.counters["last_over_middle"] = lastTenthMs / middleTenthMs;
    // One run's tenths last a few tens of milliseconds, so single ratios
    // scatter by about 20 %; the median over the runs is the figure to read.
    std::sort(ratios.begin(), ratios.end());
    state.counters["median_last_over_first"] = ratios[ratios.size() / 2];
    state.counters["samples"] = samples; // 87 graphs x 11997 steps = 1043739
}
BENCHMARK(wholeRunWithAllPlotWindows)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(15);

// Notes the paints of every graph of the plot windows during one run, and
// whether the graph was on screen then.
class PaintGaps : public QObject
{
public:
    void watch(GraphScrollWidget *window)
    {
        for (GuiGraphWidget *graph : window->getGraphList())
            graph->installEventFilter(this);
    }
    void start()
    {
        m_clock.start();
        m_lastPaint.clear();
        m_longest = 0;
    }
    // The longest time an on-screen graph went without a paint, in ms, up to
    // the end of the run.
    qint64 longestGap(const std::vector<GuiGraphWidget *> &graphs)
    {
        const qint64 end = m_clock.elapsed();
        for (GuiGraphWidget *graph : graphs) {
            if (!graph->visibleRegion().isEmpty())
                m_longest = std::max(m_longest, end - m_lastPaint[graph]);
        }
        return m_longest;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            auto *graph = static_cast<QWidget *>(watched);
            const qint64 now = m_clock.elapsed();
            if (!graph->visibleRegion().isEmpty())
                m_longest = std::max(m_longest, now - m_lastPaint[watched]);
            m_lastPaint[watched] = now;
        }
        return false;
    }

private:
    QElapsedTimer m_clock;
    std::map<QObject *, qint64> m_lastPaint; // ms since start; 0 before the first
    qint64 m_longest = 0;
};

void twelveRunsWithAllPlotWindows(benchmark::State &state)
{
    constexpr int runs = 12;
    std::array<double, runs> seconds = {};
    double noPlotSeconds = 0.0;
    double longestGapMs = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<MarvekDev>();
        benchsupport::prepareSampleRun(*window, nullptr);
        for (const char *name : plotButtons)
            window->findChild<QPushButton *>(QLatin1String(name))->click();
        QCoreApplication::processEvents();
        std::vector<GraphScrollWidget *> windows;
        std::vector<GuiGraphWidget *> graphs;
        PaintGaps gaps;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *plot = qobject_cast<GraphScrollWidget *>(widget)) {
                windows.push_back(plot);
                gaps.watch(plot);
                graphs.insert(graphs.end(), plot->getGraphList().begin(), plot->getGraphList().end());
            }
        }
        QAction *run = window->findChild<QAction *>(QStringLiteral("actionRun"));
        state.ResumeTiming();

        for (int r = 0; r < runs; ++r) {
            QElapsedTimer clock;
            clock.start();
            gaps.start();
            run->trigger();
            seconds[r] += clock.nsecsElapsed() / 1e9;
        }
        longestGapMs = std::max(longestGapMs, double(gaps.longestGap(graphs)));

        // The same run with every plot window closed, for comparison.
        for (GraphScrollWidget *plot : windows)
            plot->close();
        QElapsedTimer clock;
        clock.start();
        run->trigger();
        noPlotSeconds += clock.nsecsElapsed() / 1e9;

        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
    const double iterations = double(state.iterations());
    for (int r = 0; r < runs; ++r)
        state.counters["run" + std::to_string(r + 1) + "_s"] = seconds[r] / iterations;
    state.counters["no_plots_s"] = noPlotSeconds / iterations;
    state.counters["twelfth_over_second"] = seconds[11] / seconds[1];
    // Over the twelfth run of every iteration.
    state.counters["longest_gap_ms"] = longestGapMs;
}
BENCHMARK(twelveRunsWithAllPlotWindows)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    return benchsupport::runBenchmarks(argc, argv, true);
}
