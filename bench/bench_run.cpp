// A whole run over the 120 s sample recording through the main window, with
// no plot or 3D window open: with all five result files written, with none
// named (integration, interpolation and progress only), and the writing of
// five full result tables on their own. Goals: the whole run with its files
// within 0.5 s and a peak memory of at most 150 MB (counter peak_MB, the
// process's largest resident size so far).
#include "marvekdev.h"

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>

#include <cmath>

#include <sys/resource.h>

namespace {

const char *const resultFields[] = {"linkFileDropLineEdit", "cgFileDropLineEdit",
                                    "errorFileDropLineEdit", "controlFileDropLineEdit",
                                    "accelFileDropLineEdit"};

double peakMegabytes()
{
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}

void runSample(benchmark::State &state, bool writeFiles)
{
    QTemporaryDir folder;
    MarvekDev window;
    window.findChild<QLineEdit *>(QStringLiteral("paramShipMotionLineEdit"))
        ->setText(QStringLiteral(MARVEK_TEST_DATA_DIR "/reference/ship-motion-sample.csv"));
    for (const char *name : resultFields) {
        window.findChild<QLineEdit *>(QLatin1String(name))
            ->setText(writeFiles ? folder.filePath(QLatin1String(name) + QStringLiteral(".csv"))
                                 : QString());
    }
    QAction *run = window.findChild<QAction *>(QStringLiteral("actionRun"));
    for (auto _ : state)
        run->trigger();
    state.counters["peak_MB"] = peakMegabytes();
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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
