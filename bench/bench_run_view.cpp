// A whole run over the 120 s sample recording through the main window with
// the 3D window shown, so that every step poses it and it renders while the
// run goes on; with all five result files written and with none named.
// Needs an X display (run under xvfb-run). Goal: the whole run within 5 s.
// Counters: peak_MB, the process's largest resident size so far.
#include "benchsupport.h"
#include "marvekdev.h"
#include "marvekview.h"

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

namespace {

MarvekView *viewOf()
{
    for (QWindow *window : QGuiApplication::topLevelWindows())
        if (auto *view = qobject_cast<MarvekView *>(window))
            return view;
    return nullptr;
}

void runSampleWithView(benchmark::State &state, bool writeFiles)
{
    QTemporaryDir folder;
    MarvekDev window;
    benchsupport::prepareSampleRun(window, writeFiles ? &folder : nullptr);
    window.findChild<QAction *>(QStringLiteral("actionShow"))->trigger();
    MarvekView *view = viewOf();
    if (!view || !view->isVisible()) {
        state.SkipWithError("the 3D window did not open");
        return;
    }
    // Let the window appear and draw its first frame before timing.
    QElapsedTimer wait;
    wait.start();
    while (!view->isExposed() && wait.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    while (wait.elapsed() < 500)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!view->isExposed()) {
        state.SkipWithError("the 3D window is not exposed; is there an X display?");
        return;
    }

    QAction *run = window.findChild<QAction *>(QStringLiteral("actionRun"));
    for (auto _ : state)
        run->trigger();
    state.counters["peak_MB"] = benchsupport::peakMegabytes();
}

void wholeRunViewShownWithFiles(benchmark::State &state)
{
    runSampleWithView(state, true);
}
BENCHMARK(wholeRunViewShownWithFiles)->Unit(benchmark::kMillisecond)->Iterations(3);

void wholeRunViewShownWithoutFiles(benchmark::State &state)
{
    runSampleWithView(state, false);
}
BENCHMARK(wholeRunViewShownWithoutFiles)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    return benchsupport::runBenchmarks(argc, argv, false);
}
