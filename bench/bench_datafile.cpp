// Costs of the data table along a run: loading the ship recording and a
// 12000-row result file, one interpolation per time step, appending result
// rows and writing them.
#include "asciidatafile.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cmath>

namespace {

QString referencePath(const char* name)
{
    return QDir(QStringLiteral(MARVEK_TEST_DATA_DIR "/reference")).absoluteFilePath(QLatin1String(name));
}

void loadShipRecording(benchmark::State& state)
{
    const QString fileName = referencePath("ship-motion-sample.csv");
    AsciiDataFile table;
    for (auto _ : state)
        benchmark::DoNotOptimize(table.loadFile(fileName, QStringLiteral(",")));
    state.counters["rows"] = table.rowCount();
}
BENCHMARK(loadShipRecording)->Unit(benchmark::kMillisecond);

void loadResultFile(benchmark::State& state)
{
    const QString fileName = referencePath("fullrun/accel.csv");
    AsciiDataFile table;
    for (auto _ : state)
        benchmark::DoNotOptimize(table.loadFile(fileName, QStringLiteral(",")));
    state.counters["rows"] = table.rowCount();
}
BENCHMARK(loadResultFile)->Unit(benchmark::kMillisecond);

// 11997 steps of 0.01 s over the recording, as a run makes them.
void interpolateRun(benchmark::State& state)
{
    AsciiDataFile ship;
    ship.loadFile(referencePath("ship-motion-sample.csv"), QStringLiteral(","));
    for (auto _ : state) {
        double sum = 0.0;
        for (int i = 1; i <= 11997; ++i)
            sum += ship.getInterpolatedRow(i * 0.01)(0);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(interpolateRun)->Unit(benchmark::kMillisecond);

// Five result tables of 11997 rows (13 to 28 cells), as a run fills them.
void fillResultTables(AsciiDataFile* tables)
{
    const int widths[] = {13, 13, 25, 25, 28};
    for (int i = 1; i <= 11997; ++i) {
        for (int t = 0; t < 5; ++t) {
            QVector<QVariant> row;
            row.reserve(widths[t]);
            row.append(i * 0.01);
            for (int c = 1; c < widths[t]; ++c)
                row.append(std::sin(i * 0.001 * c) * 1e-3);
            tables[t].appendRow(std::move(row));
        }
    }
}

void appendRun(benchmark::State& state)
{
    for (auto _ : state) {
        AsciiDataFile tables[5];
        fillResultTables(tables);
        benchmark::DoNotOptimize(tables[4].rowCount());
    }
}
BENCHMARK(appendRun)->Unit(benchmark::kMillisecond);

void writeRun(benchmark::State& state)
{
    QTemporaryDir dir;
    AsciiDataFile tables[5];
    fillResultTables(tables);
    for (auto _ : state) {
        for (int t = 0; t < 5; ++t)
            benchmark::DoNotOptimize(tables[t].writeFile(dir.filePath(QString::number(t))));
    }
}
BENCHMARK(writeRun)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
