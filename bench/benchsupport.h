#ifndef BENCHSUPPORT_H
#define BENCHSUPPORT_H

// Set-up shared by the benchmark programs that drive the main window: a
// window ready to run the sample recording, the peak memory counter, and a
// main() that starts Qt before the benchmarks.
#include "marvekdev.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>

#include <sys/resource.h>

namespace benchsupport {

// The process's largest resident size so far, in megabytes.
inline double peakMegabytes()
{
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}

// Sets `window` to run the 120 s sample recording; the five result files are
// named inside `folder`, or none is named when `folder` is null.
inline void prepareSampleRun(MarvekDev &window, const QTemporaryDir *folder)
{
    static const char *const resultFields[] = {"linkFileDropLineEdit", "cgFileDropLineEdit",
                                               "errorFileDropLineEdit",
                                               "controlFileDropLineEdit", "accelFileDropLineEdit"};
    window.findChild<QLineEdit *>(QStringLiteral("paramShipMotionLineEdit"))
        ->setText(QStringLiteral(MARVEK_TEST_DATA_DIR "/reference/ship-motion-sample.csv"));
    for (const char *name : resultFields) {
        window.findChild<QLineEdit *>(QLatin1String(name))
            ->setText(folder ? folder->filePath(QLatin1String(name) + QStringLiteral(".csv"))
                             : QString());
    }
}

// Runs the benchmarks named on the command line inside a QApplication; with
// `offscreen`, on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
inline int runBenchmarks(int argc, char **argv, bool offscreen)
{
    if (offscreen && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace benchsupport

#endif // BENCHSUPPORT_H
