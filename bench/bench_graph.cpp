// One paint of a 600 x 200 live graph fed at 100 samples per second: the live
// window shows the last 60 s (6 000 samples) whatever is stored. Goals: the
// thinned paint costs about the same with 6 000 and 30 000 samples stored
// (within 20 %), and at most a third of drawing every segment. The "Fed"
// cases add one sample before every paint, as a run does.
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
        // as the plot windows do: the samples widen the range to their own size
        setYRange(-0.0001, 0.0001);
        setEverySegmentDrawing(everySegment);
        for (int i = 0; i < samples; ++i)
            addNext();
    }

    // a slow wave with noise, as a simulated angle looks
    void addNext()
    {
        const double t = m_next++ * 0.01;
        BaseDataPoint p(t, 0.2 * std::sin(2.0 * M_PI * t / 20.0) + 0.05 * (m_random.generateDouble() - 0.5));
        addData(p);
    }

private:
    QRandomGenerator m_random{1};
    int m_next = 0;
};

void paintGraph(benchmark::State &state, int samples, bool everySegment, bool fed)
{
    BenchGraph graph(samples, everySegment);
    QImage image(graph.size(), QImage::Format_RGB32);
    // the first paints of a process fill Qt's font and glyph caches
    for (int i = 0; i < 500; ++i)
        graph.render(&image);
    for (auto _ : state) {
        if (fed)
            graph.addNext();
        graph.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["stored"] = graph.getDataCount();
}

void BM_PaintThinned6000(benchmark::State &state) { paintGraph(state, 6000, false, false); }
void BM_PaintThinned30000(benchmark::State &state) { paintGraph(state, 30000, false, false); }
void BM_PaintThinnedFed6000(benchmark::State &state) { paintGraph(state, 6000, false, true); }
void BM_PaintThinnedFed30000(benchmark::State &state) { paintGraph(state, 30000, false, true); }
void BM_PaintEverySegment30000(benchmark::State &state) { paintGraph(state, 30000, true, false); }

BENCHMARK(BM_PaintThinned6000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintThinned30000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintThinnedFed6000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintThinnedFed30000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintEverySegment30000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    return benchsupport::runBenchmarks(argc, argv, true);
}
