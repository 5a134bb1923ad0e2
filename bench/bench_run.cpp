// A whole run over the 120 s sample recording through the main window, with
// no plot or 3D window open: with all five result files written, with none
// named (integration, interpolation and progress only), and the writing of
// five full result tables on their own. Goals: the whole run with its files
// within 0.5 s and a peak memory of at most 150 MB (counter peak_MB, the
// process's largest resident size so far).
#include "benchsupport.h"
#include "marvekdev.h"

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cmath>

namespace {

void runSample(benchmark::State &state, bool writeFiles)
{
    QTemporaryDir folder;
    MarvekDev window;
    benchsupport::prepareSampleRun(window, writeFiles ? &folder : nullptr);
    QAction *run = window.findChild<QAction *>(QStringLiteral("actionRun"));
    for (auto _ : state)
        run->trigger();
    state.counters["peak_MB"] = benchsupport::peakMegabytes();
}

void wholeRunWithFiles(benchmark::State &state)
{
    runSample(state, true);
}
BENCHMARK(wholeRunWithFiles)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void wholeRunWithoutFiles(benchmark::State &state)
{
    runSample(state, false);
}
BENCHMARK(wholeRunWithoutFiles)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The five tables of a whole run (11997 rows of 13, 13, 25, 25 and 28
// doubles) written to files.
void writeResultTables(benchmark::State &state)
{
    QTemporaryDir folder;
    AsciiDataFile tables[5];
    const int widths[] = {13, 13, 25, 25, 28};
    for (int i = 1; i <= 11997; ++i) {
        for (int t = 0; t < 5; ++t) {
            QVector<QVariant> row;
            row.append(i * 0.01);
            for (int c = 1; c < widths[t]; ++c)
                row.append(std::sin(i * 0.001 * c) * 1e-3 * c);
            tables[t].appendRow(row);
        }
    }
    for (auto _ : state) {
        for (int t = 0; t < 5; ++t)
            tables[t].writeFile(folder.filePath(QStringLiteral("table%1.csv").arg(t)));
    }
}
BENCHMARK(writeResultTables)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return benchsupport::runBenchmarks(argc, argv, true);
}
