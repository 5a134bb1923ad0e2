// One paint of a 600 x 200 live graph fed at 100 samples per second: the live
// window shows the last 60 s (6 000 samples) whatever is stored. Goals: the
// thinned paint costs about the same with 6 000 and 30 000 samples stored
// (within 20 %), and at most a third of drawing every segment.
#include "benchsupport.h"
#include "guigraphwidget.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QRandomGenerator>

#include <cmath>

namespace {

class BenchGraph : public GuiGraphWidget
{
public:
    BenchGraph(int samples, bool everySegment)
        : GuiGraphWidget(nullptr)
    {
        setLiveMode(true);
        setTitle(QStringLiteral("X1"));
        setUnits(QStringLiteral("rad"));
        resize(600, 200);
        setEverySegmentDrawing(everySegment);
        // a slow wave with noise, as a simulated angle looks
        QRandomGenerator random(1);
        for (int i = 0; i < samples; ++i) {
            const double t = i * 0.01;
            BaseDataPoint p(t, 0.2 * std::sin(2.0 * M_PI * t / 20.0) + 0.05 * (random.generateDouble() - 0.5));
            addData(p);
        }
    }
};

void paintGraph(benchmark::State &state, int samples, bool everySegment)
{
    BenchGraph graph(samples, everySegment);
    QImage image(graph.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        graph.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["stored"] = graph.getDataCount();
}

void BM_PaintThinned6000(benchmark::State &state) { paintGraph(state, 6000, false); }
void BM_PaintThinned30000(benchmark::State &state) { paintGraph(state, 30000, false); }
void BM_PaintEverySegment30000(benchmark::State &state) { paintGraph(state, 30000, true); }

BENCHMARK(BM_PaintThinned6000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintThinned30000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintEverySegment30000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    return benchsupport::runBenchmarks(argc, argv, true);
}
