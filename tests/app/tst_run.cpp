// The simulation run through the main window: whole runs against the
// independent reference results (files and plot windows), the step count,
// the refusals before the first step, a run cut short by a body state that
// is no longer finite, unwritable result files, Cancel, plot windows hidden
// during a run, the 3D window that Show builds and a run poses (its title at
// the screen's pace), and commands pressed during a run.
#include "apptestsupport.h"
#include "filedropwidget.h"
#include "guigraphwidget.h"
#include "shownsamples.h"

#include <Qt3DCore/QEntity>
#include <Qt3DCore/QTransform>
#include <Qt3DExtras/QCuboidMesh>
#include <Qt3DExtras/QSphereMesh>

#include <QPointer>
#include <QtTest>

#include <cmath>
#include <csignal>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/sysmacros.h>

using namespace apptest;

namespace {

// The step numbers of a graph's samples, and a range of them.
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

// Link box lengths and sphere scales of the shown scene, links 1 to 4.
QVector<float> sizes(MarvekView *view)
{
    QVector<float> boxes, spheres;
    for (Qt3DCore::QNode *node : view->sceneRoot()->childNodes()) {
        auto *entity = qobject_cast<Qt3DCore::QEntity *>(node);
        if (!entity)
            continue;
        const auto box = entity->componentsOfType<Qt3DExtras::QCuboidMesh>();
        if (!box.isEmpty() && boxes.size() < 4)
            boxes << box.first()->zExtent();
        if (!entity->componentsOfType<Qt3DExtras::QSphereMesh>().isEmpty())
            spheres << entity->componentsOfType<Qt3DCore::QTransform>().first()->scale();
    }
    return boxes + spheres;
}

// A line of the sample's first row at another time.
QByteArray firstRowAt(const char *time)
{
    return time + sampleUpTo(0.0).split('\n').at(1).mid(3) + '\n';
}

// The sample's first row and a copy of it at the given time.
QByteArray endingAt(const char *time)
{
    return sampleUpTo(0.0) + firstRowAt(time);
}

bool near(const QVector<float> &a, const QVector<float> &b)
{
    for (int i = 0; i < a.size() && a.size() == b.size(); ++i) {
        if (!(std::abs(a[i] - b[i]) < 1e-4f))
            return false;
    }
    return a.size() == b.size();
}

} // namespace

class TestRun : public QObject
{
    Q_OBJECT

private slots:
    void wholeRunsMatchTheReference();
    void rowsFollowRecordingAndTimestep_data();
    void rowsFollowRecordingAndTimestep();
    void refusedBeforeTheFirstStep_data();
    void refusedBeforeTheFirstStep();
    void memoryRoomDecidesTheRun_data();
    void memoryRoomDecidesTheRun();
    void nonFiniteStopsTheRun_data();
    void nonFiniteStopsTheRun();
    void unwritableResultFileIsReported();
    void cancelWritesNothing();
    void hiddenWindowsGetNothing();
    void showBuildsTheSceneFromTheTable();
    void refusedTableChangesNothing();
    void runPosesTheShownWindowWithTheShownParameters_data();
    void runPosesTheShownWindowWithTheShownParameters();
    void viewTitleKeepsTheScreensPace();
    void commandPressedDuringARunChangesNothing_data();
    void commandPressedDuringARunChangesNothing();
};

void TestRun::wholeRunsMatchTheReference()
{
    // All five files named and all five plot windows open, in the files'
    // order: link angles, CG, errors, control, accelerations.
    Harness h;
    h.get<QLineEdit>("paramShipMotionLineEdit")->setText(referencePath("ship-motion-sample.csv"));
    h.nameResults(QStringLiteral("full"));
    GraphScrollWidget *windows[] = {h.plot(0), h.plot(1), h.plot(3), h.plot(2), h.plot(4)};
    const ShownSamples shown({std::begin(windows), std::end(windows)});
    h.trigger("actionRun");
    // Every graph on screen shows the last step as soon as the run ends.
    QCOMPARE(shown.behind(), QStringList());
    QCOMPARE(h.warnings(), QStringList());
    QCOMPARE(h.status(), QStringLiteral("Running Sim"));
    QVERIFY(windows[2]->grab().save(testsupport::artifactPath("plot_errors_window.png")));

    const int steps = 11997, widths[] = {13, 13, 25, 25, 28};
    const QVector<QByteArray> first = h.results();
    for (int k = 0; k < 5; ++k) {
        const QVector<QVector<double>> expected = readRows(referencePath(QStringLiteral("fullrun/") + resultNames[k]));
        const QVector<QVector<double>> actual = readRows(h.result(k)->text());
        QCOMPARE(expected.size(), steps);
        QCOMPARE(actual.size(), steps);
        // No header line, a line feed after every row.
        QVERIFY(first[k].startsWith("0.01,") && first[k].endsWith("\n") && !first[k].contains('\r'));
        const std::list<GuiGraphWidget *> &graphs = windows[k]->getGraphList();
        for (int r = 0; r < steps; ++r) {
            QCOMPARE(actual[r].size(), widths[k]);
            QCOMPARE(actual[r][0], (r + 1) * 0.01);
            int c = 1;
            for (GuiGraphWidget *graph : graphs) {
                // The error window plots radians, the file holds degrees.
                const BaseDataPoint *sample = graph->getDataPoint(r);
                const double plotted = sample->getValue() * (k == 2 ? 180.0 / 3.14159 : 1.0);
                QCOMPARE(sample->getTime(), actual[r][0]);
                QVERIFY(std::abs(plotted - actual[r][c++]) <= 1e-12 * std::max(1.0, std::abs(plotted)));
            }
            for (c = 1; c < widths[k]; ++c) {
                const double e = expected[r][c];
                if (!(std::abs(actual[r][c] - e) <= 1e-8 * std::max(1.0, std::abs(e))))
                    QFAIL(qPrintable(QStringLiteral("%1 row %2 column %3: %4 instead of %5")
                                         .arg(resultNames[k]).arg(r + 1).arg(c)
                                         .arg(actual[r][c], 0, 'g', 17).arg(e, 0, 'g', 17)));
            }
        }
    }

    // Each later run writes its own rows; the windows keep every run's samples.
    h.trigger("actionRun");
    h.trigger("actionRun");
    QCOMPARE(shown.behind(), QStringList());
    QCOMPARE(h.results(), first);
    for (GraphScrollWidget *window : windows) {
        for (GuiGraphWidget *graph : window->getGraphList()) {
            QCOMPARE(graph->getDataCount(), 3 * steps);
            for (int i = 0; i < 3 * steps; i += steps - 1)
                QCOMPARE(graph->getDataPoint(i)->getTime(), (i % steps + 1) * 0.01);
        }
    }
}

void TestRun::rowsFollowRecordingAndTimestep_data()
{
    QTest::addColumn<QByteArray>("recording");
    QTest::addColumn<QString>("timestep");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("progress");

    QTest::newRow("60 s at 0.01 s") << sampleUpTo(60.0) << "0.01" << 5997 << 99;
    // The steps are floor(100.0 * T), as the stored runs have them: 47 for
    // 0.47 s, where 0.47 / 0.01 lies just below 47.
    const QByteArray at045 = sampleUpTo(0.45);
    QTest::newRow("0.47 s at 0.01 s") << at045 + "0.47" + at045.split('\n').at(10).mid(4) + '\n' << "0.01" << 44 << 95;
    // Half the timestep: the same step count, half the recording.
    QTest::newRow("10 s at 0.005 s") << sampleUpTo(10.0) << "0.005" << 1997 << 99;
    // The shortest recording that gives a step: 4 steps, of which the run
    // takes the first (one too few is refused before it starts).
    QTest::newRow("one step") << endingAt("0.04") << "0.01" << 1 << 50;
    // Cells no step reads: columns between the ship vectors, and a row after
    // the one of 10 s that the last step, at 9.99 s, reads.
    QByteArray unread = sampleUpTo(10.0);
    for (int column : {1, 2, 3, 7, 8, 9})
        unread = withCells(unread, column, column % 2 ? "nan" : "-inf", 0.0);
    QTest::newRow("not finite in columns no step reads") << unread << "0.01" << 997 << 99;
    QTest::newRow("not finite after the rows a step reads")
        << withCells(sampleUpTo(10.0) + firstRowAt("10.025"), 4, "inf", 10.025) << "0.01" << 999 << 99;
}

void TestRun::rowsFollowRecordingAndTimestep()
{
    QFETCH(QByteArray, recording);
    QFETCH(QString, timestep);
    QFETCH(int, rows);
    QFETCH(int, progress);
    Harness h;
    h.setRecording(recording);
    h.nameResults(QStringLiteral("r"));
    h.typeIntoCell(1, timestep); // its editor still open when Run is chosen
    h.trigger("actionRun");

    QCOMPARE(h.warnings(), QStringList());
    QCOMPARE(h.progress(), progress);
    const double dt = timestep.toDouble();
    for (int k = 0; k < 5; ++k) {
        const QVector<QVector<double>> written = readRows(h.result(k)->text());
        QVERIFY(QFile::exists(h.result(k)->text()));
        QCOMPARE(written.size(), rows);
        for (int r : {0, rows - 1})
            QCOMPARE(written[r][0], (r + 1) * dt);
    }
}

void TestRun::refusedBeforeTheFirstStep_data()
{
    QTest::addColumn<QByteArray>("recording"); // written to "ship.csv"
    QTest::addColumn<QString>("shipName");     // the ship-motion field
    QTest::addColumn<QStringList>("results");  // the five result fields
    QTest::addColumn<int>("row");              // a table row set to text, or -1
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("problem"); // the end of the warning

    const QByteArray sample = sampleUpTo(10.0);
    const QList<QByteArray> lines = sample.split('\n');
    auto cut = [](const QByteArray &line, int columns) { return line.split(',').mid(0, columns).join(','); };
    auto edited = [&](const std::function<void(QList<QByteArray> &)> &edit) {
        QList<QByteArray> copy = lines;
        edit(copy);
        return copy.join('\n');
    };
    const QByteArray tenColumns = edited([&](QList<QByteArray> &l) {
        for (int i = 1; i < l.size(); ++i)
            l[i] = cut(l[i], 10);
    });
    // The last step's time, 9.97 s, has three rows; the search may read the
    // third, a short one.
    const QByteArray repeatedLast = edited([&](QList<QByteArray> &l) {
        const QByteArray at997 = "9.97" + l[200].mid(l[200].indexOf(','));
        l.insert(201, cut(at997, 18));
        l.insert(201, at997);
        l.insert(201, at997);
    });

    const QStringList results = {"r_link.csv", "r_cg.csv", "r_error.csv", "r_control.csv", "r_accel.csv"};
    const QString ship = QStringLiteral("ship.csv");
    auto withResult = [&](int k, const QString &name) {
        QStringList named = results;
        named[k] = name;
        return named;
    };
    auto row = [&](const char *name, const QByteArray &recording, const QString &problem) {
        QTest::newRow(name) << recording << ship << results << -1 << QString() << problem;
    };
    row("empty", QByteArray(), "Cannot use ship motion file ship.csv:\nit has no data row.");
    row("header only", lines.first() + '\n', "it has no data row.");
    row("ten columns", tenColumns, "data row 1 has 10 columns, 19 are needed.");
    row("narrow first row", edited([&](QList<QByteArray> &l) { l[1] = cut(l[1], 12); }),
        "data row 1 has 12 columns, 19 are needed.");
    row("descending", edited([](QList<QByteArray> &l) { l.swapItemsAt(50, 51); }),
        "its time column is not ascending: data row 51 goes back from 2.5 s to 2.45 s.");
    row("late start", edited([](QList<QByteArray> &l) { l.removeAt(1); }),
        "it starts at 0.05 s, after the first step's time of 0.01 s.");
    row("short row", edited([&](QList<QByteArray> &l) { l[100] = cut(l[100], 17); }),
        "data row 100 has 17 columns, 19 are needed.");
    row("short row at the last step's time", repeatedLast, "data row 203 has 18 columns, 19 are needed.");
    // The last step, at 9.97 s, reads the row of 10 s.
    row("short row after the last step's time", edited([&](QList<QByteArray> &l) { l[201] = cut(l[201], 17); }),
        "data row 201 has 17 columns, 19 are needed.");
    // A value that is not finite in a cell a step reads (one row, by its
    // time), up to the row of 10 s that the last step reads; 1e999 reads as
    // infinity.
    auto atTime = [&](double time, int column, const QByteArray &text) {
        return withCells(sample, column, text, time, time);
    };
    row("nan in a ship angle", atTime(5.0, 4, "nan"),
        "Cannot use ship motion file ship.csv:\ndata row 101, column 5 is not a finite number.");
    row("inf in a linear acceleration", atTime(6.0, 13, "inf"),
        "data row 121, column 14 is not a finite number.");
    row("1e999 in a rate", atTime(0.05, 10, "1e999"), "data row 2, column 11 is not a finite number.");
    row("-inf in the last row a step reads", atTime(10.0, 18, "-inf"),
        "data row 201, column 19 is not a finite number.");
    row("too short for one step", endingAt("0.03"),
        "it ends at 0.03 s, too short for one step at a timestep of 0.01 s: it must last at least 4 "
        "timesteps (0.04 s).");

    auto named = [&](const char *name, const QString &shipName, const QStringList &fields, const QString &problem) {
        QTest::newRow(name) << sample << shipName << fields << -1 << QString() << problem;
    };
    named("no ship-motion file", QString(), results, "Cannot load ship motion file.");
    named("missing file", "no-such.csv", results, "Cannot load ship motion file no-such.csv:\nNo such file or directory.");
    named("device", "/dev/null", results, "Cannot load ship motion file /dev/null:\nit is not a regular file.");
    named("FIFO", "ship.fifo", results, "Cannot load ship motion file ship.fifo:\nit is not a regular file.");
    const QString shared = QStringLiteral("Each result needs a file of its own, apart from the ship motion file:\n");
    const QString shipPath = QStringLiteral("{folder}/") + ship; // the harness's folder
    named("result over the recording", ship, withResult(2, ship),
          shared + "\"Ship Motion File\" and \"Errors\" name the same file " + shipPath + ".");
    named("result over ./recording", ship, withResult(0, "./" + ship),
          "\"Ship Motion File\" and \"Link Coordinates\" name the same file " + shipPath + ".");
    named("result over a link to the recording", ship, withResult(4, "ship-link.csv"),
          "\"Ship Motion File\" and \"Accelerations\" name the same file " + shipPath + ".");
    named("two results in one file", ship, withResult(3, "r_link.csv"),
          shared + "\"Link Coordinates\" and \"Control Moments\" name the same file "
              + "{folder}/r_link.csv.");
    named("a link to a result not written yet", ship, withResult(1, "dangling.csv"),
          shared + "\"Link Coordinates\" and \"Link CG Positions\" name the same file "
              + "{folder}/r_link.csv.");
    QStringList throughLinkedFolder = results;
    throughLinkedFolder[0] = QStringLiteral("real/x.csv");
    throughLinkedFolder[2] = QStringLiteral("linked/x.csv");
    named("two results through a linked folder", ship, throughLinkedFolder,
          shared + "\"Link Coordinates\" and \"Errors\" name the same file {folder}/real/x.csv.");
    named("a folder", ship, withResult(3, "real"), "\"Control Moments\" names real: it is a folder.");
    named("a name ending in a folder separator", ship, withResult(4, "new/"),
          "\"Accelerations\" names new/: the name ends with a folder separator.");
    named("a missing folder", ship, withResult(1, "no-such-folder/cg.csv"),
          "\"Link CG Positions\" names no-such-folder/cg.csv: its folder does not exist.");
    named("a link into a missing folder", ship, withResult(2, "lost.csv"),
          "\"Errors\" names lost.csv: its folder does not exist.");
    // Nodes that a result would replace by a regular file.
    named("a pipe", ship, withResult(1, "result.fifo"),
          "\"Link CG Positions\" names result.fifo: it is not a regular file.");
    named("a link to a pipe", ship, withResult(3, "fifo-link.csv"),
          "\"Control Moments\" names fifo-link.csv: it is not a regular file.");
    named("a socket", ship, withResult(0, "result.socket"),
          "\"Link Coordinates\" names result.socket: it is not a regular file.");
    named("a device", ship, withResult(2, "result.device"),
          "\"Errors\" names result.device: it is not a regular file.");

    QTest::newRow("body mass not a number") << sample << ship << results << 2 << "heavy"
                                            << "Body Mass (kg): \"heavy\" is not a number.";
    QByteArray longRecording = sampleUpTo(0.05);
    longRecording += "1000.01" + longRecording.split('\n').at(1).mid(3) + '\n';
    QTest::newRow("too many steps")
        << longRecording << ship << results << 1 << "0.0001"
        << "The run would take 10000100 steps at a timestep of 0.0001 s; at most 10000000 steps are allowed.";
}

void TestRun::refusedBeforeTheFirstStep()
{
    QFETCH(QByteArray, recording);
    QFETCH(QString, shipName);
    QFETCH(QStringList, results);
    QFETCH(int, row);
    QFETCH(QString, text);
    QFETCH(QString, problem);
    Harness h;
    problem.replace(QStringLiteral("{folder}"), QDir::currentPath());
    testsupport::writeTextFile(QStringLiteral("ship.csv"), recording);
    QVERIFY(QFile::link(QStringLiteral("ship.csv"), QStringLiteral("ship-link.csv")));
    QVERIFY(QFile::link(QStringLiteral("r_link.csv"), QStringLiteral("dangling.csv")));
    QVERIFY(QFile::link(QStringLiteral("no-such-folder/errors.csv"), QStringLiteral("lost.csv")));
    QVERIFY(QDir().mkpath(QStringLiteral("real")) && QFile::link(QStringLiteral("real"), QStringLiteral("linked")));
    const Fifo fifo(QStringLiteral("ship.fifo"));
    const DrainedFifo resultFifo(QStringLiteral("result.fifo"));
    QVERIFY(QFile::link(QStringLiteral("result.fifo"), QStringLiteral("fifo-link.csv")));
    const BoundSocket socket("result.socket");
    // A clone of the null device, where the test may make one.
    const bool device = ::mknod("result.device", S_IFCHR | 0600, makedev(1, 3)) == 0;
    if (results.contains(QStringLiteral("result.device")) && !device)
        QSKIP("cannot make a device node here");
    const QStringList nodes = {"result.fifo", "fifo-link.csv", "result.socket", "result.device"};
    auto nodeStates = [&]() {
        QStringList states;
        for (const QString &node : nodes) {
            struct stat status = {};
            const bool found = ::lstat(QFile::encodeName(node).constData(), &status) == 0;
            states << (found ? QStringLiteral("%1 %2").arg(status.st_mode).arg(status.st_ino) : QString());
        }
        return states;
    };
    const QStringList nodesBefore = nodeStates();
    // A result of an earlier run, named again.
    testsupport::writeTextFile(QStringLiteral("r_accel.csv"), "0.01,1\n");
    h.get<QLineEdit>("paramShipMotionLineEdit")->setText(shipName);
    for (int k = 0; k < 5; ++k)
        h.result(k)->setText(results[k]);
    if (row >= 0)
        h.setValue(row, text);
    h.trigger("actionRun");

    QCOMPARE(h.warnings().size(), 1);
    const QString warning = h.warnings().first();
    QVERIFY2(warning.startsWith(QStringLiteral("Simulation Failed: ")) && warning.endsWith(problem),
             qPrintable(warning));
    QCOMPARE(h.status(), QStringLiteral("-----"));
    QCOMPARE(readAll(QStringLiteral("ship.csv")), recording);
    const QStringList written = QDir::current().entryList({"r_*"}, QDir::Files) + QDir("real").entryList(QDir::Files);
    QCOMPARE(written, QStringList{"r_accel.csv"});
    QCOMPARE(readAll(QStringLiteral("r_accel.csv")), QByteArray("0.01,1\n"));
    QCOMPARE(nodeStates(), nodesBefore);
}

void TestRun::memoryRoomDecidesTheRun_data()
{
    QTest::addColumn<bool>("files");
    QTest::addColumn<bool>("plots");
    QTest::newRow("five result files") << true << false;
    QTest::newRow("five plot windows") << false << true;
}

void TestRun::memoryRoomDecidesTheRun()
{
    // The memory a run takes, measured at the allocator in a first window;
    // in a second one, a room a little smaller refuses the same run, naming
    // the steps and the estimate, and one a little larger lets it run.
    QFETCH(bool, files);
    QFETCH(bool, plots);
    auto inUse = [] { return qint64(mallinfo2().uordblks + mallinfo2().hblkhd); };
    qint64 taken = 0;
    // Room as a part of what the run took; 0: the measuring run, with room to spare.
    for (const double part : {0.0, 0.9, 1.2}) {
        Harness h;
        h.get<QLineEdit>("paramShipMotionLineEdit")->setText(referencePath("ship-motion-sample.csv"));
        h.window->setMemoryRoom(0);
        h.trigger("actionRun"); // refused, with the recording loaded
        h.closer.clear();
        if (files) {
            h.nameResults(QStringLiteral("memory"));
            h.plot(4)->close(); // a hidden window takes nothing
        }
        for (int k = 0; k < 5 && plots; ++k)
            QVERIFY(QTest::qWaitForWindowExposed(h.plot(k)));
        QCoreApplication::processEvents();
        h.window->setMemoryRoom(part == 0.0 ? qint64(1) << 40 : qint64(part * taken));
        const qint64 estimate = h.window->estimateRunMemory(12000, 0.01);
        const qint64 before = inUse();
        h.trigger("actionRun");
        if (part == 0.0) {
            taken = inUse() - before;
            continue;
        }
        QVERIFY2(estimate >= taken && estimate < 1.2 * taken,
                 qPrintable(QStringLiteral("estimate %1, taken %2").arg(estimate).arg(taken)));
        const bool refused = part < 1.0;
        QCOMPARE(h.warnings().size(), refused ? 1 : 0);
        if (refused) {
            QVERIFY2(h.warnings().first().contains(QStringLiteral("12000 steps and hold about %1 MB").arg(estimate / 1048576.0, 0, 'f', 1)),
                     qPrintable(h.warnings().first()));
            QCOMPARE(h.status(), QStringLiteral("-----"));
        }
        QCOMPARE(readRows(h.result(4)->text()).size(), files && !refused ? 11997 : 0);
        const int samples = plots ? h.plot(4)->getGraphList().back()->getDataCount() : 0;
        QCOMPARE(samples, plots && !refused ? 11997 : 0);
    }
}

void TestRun::nonFiniteStopsTheRun_data()
{
    // Recorded angular accelerations of 1e300 rad/s² from here on: finite,
    // but the body's state overflows at the first step that feels them.
    QTest::addColumn<double>("hugeFrom");
    QTest::addColumn<QVector<int>>("kept");
    QTest::newRow("from the first row") << 0.0 << QVector<int>{0};
    // The step at 3.95 s may already read the row of 4.0 s with a weight of
    // nearly zero; the one at 3.96 s reads it.
    QTest::newRow("from 4 s") << 4.0 << QVector<int>{394, 395};
}

void TestRun::nonFiniteStopsTheRun()
{
    QFETCH(double, hugeFrom);
    QFETCH(QVector<int>, kept);
    Harness h;
    h.setRecording(sampleUpTo(10.0, hugeFrom, 16, "1e300"));
    h.nameResults(QStringLiteral("cut"));
    for (const char *plot : {"plotXButton", "plotQButton", "plotUButton", "plotEButton", "plotAButton"})
        h.click(plot);
    h.trigger("actionRun");

    const int steps = readRows(h.result(0)->text()).size();
    QVERIFY2(kept.contains(steps), qPrintable(QString::number(steps)));
    QCOMPARE(h.warnings().size(), 1);
    const QString text = h.warnings().first();
    QVERIFY2(text.contains(QStringLiteral("stopped at t = %1 s").arg((steps + 1) * 0.01))
                 && text.contains(steps ? QStringLiteral("cut short") : QStringLiteral("No result file")),
             qPrintable(text));
    for (int k = 0; k < 5; ++k) {
        const QVector<QVector<double>> rows = readRows(h.result(k)->text());
        QCOMPARE(QFile::exists(h.result(k)->text()), steps > 0);
        QCOMPARE(rows.size(), steps);
        for (const QVector<double> &row : rows) {
            for (double v : row)
                QVERIFY(std::isfinite(v));
        }
    }
    // The plot windows got the same steps, all finite.
    int graphs = 0;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *window = qobject_cast<GraphScrollWidget *>(widget);
        for (GuiGraphWidget *graph : window ? window->getGraphList() : std::list<GuiGraphWidget *>()) {
            QCOMPARE(graph->getDataCount(), steps);
            for (int i = 0; i < steps; ++i)
                QVERIFY(std::isfinite(graph->getDataPoint(i)->getValue()));
            ++graphs;
        }
    }
    QCOMPARE(graphs, 87);
}

void TestRun::unwritableResultFileIsReported()
{
    // The CG file's folder goes while the run is on, and files over 60 kB
    // cannot be written: the error and acceleration tables are larger.
    Harness h;
    h.setRecording(sampleUpTo(2.0));
    h.nameResults(QStringLiteral("w"));
    QVERIFY(QDir().mkdir(QStringLiteral("gone")));
    h.result(1)->setText(QStringLiteral("gone/cg.csv"));
    rlimit unlimited = {};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = unlimited;
    limited.rlim_cur = 60000;
    setrlimit(RLIMIT_FSIZE, &limited);
    h.runWhile(30, [] { return QDir(QStringLiteral("gone")).removeRecursively(); });
    setrlimit(RLIMIT_FSIZE, &unlimited);
    std::signal(SIGXFSZ, previousHandler);

    QCOMPARE(h.warnings(), QStringList{"Simulation Failed: Cannot write result file gone/cg.csv:\n"
                                       "No such file or directory.\n"
                                       "Cannot write result file w_error.csv:\nFile too large.\n"
                                       "Cannot write result file w_accel.csv:\nFile too large.\n"
                                       "Written: w_link.csv, w_control.csv.\n"
                                       "Not written: gone/cg.csv, w_error.csv, w_accel.csv."});
    // No file half-written; the written ones whole and no longer shown missing.
    QCOMPARE(QDir::current().entryList(QDir::Files), (QStringList{"ship.csv", "w_control.csv", "w_link.csv"}));
    for (int k : {0, 3}) {
        QCOMPARE(readRows(h.result(k)->text()).size(), 197);
        QVERIFY(static_cast<FileDropLineEdit *>(h.result(k))->fileExists());
    }
}

void TestRun::cancelWritesNothing()
{
    Harness h;
    h.setRecording(sampleUpTo(20.0));
    h.nameResults(QStringLiteral("cancel"));
    h.runWhile(30, [&]() {
        h.click("cancelButton");
        return true;
    });
    QCOMPARE(h.warnings(), QStringList());
    QCOMPARE(h.status(), QStringLiteral("Running Sim"));
    QVERIFY(h.progress() >= 30 && h.progress() < 99);
    QCOMPARE(h.results(), QVector<QByteArray>(5));

    // The next run starts with empty tables.
    h.trigger("actionRun");
    QCOMPARE(readRows(h.result(0)->text()).size(), 1997);
    QCOMPARE(readRows(h.result(4)->text()).first()[0], 0.01);
}

void TestRun::hiddenWindowsGetNothing()
{
    // X open throughout, E closed at 30 % and shown again at 60 %, A opened
    // and closed before the run.
    Harness h;
    h.get<QLineEdit>("paramShipMotionLineEdit")->setText(referencePath("ship-motion-sample.csv"));
    GraphScrollWidget *x = h.plot(0), *e = h.plot(3), *a = h.plot(4);
    a->close();
    auto lastStep = [&] { return sampleSteps(x->getGraphList().front()).last(); };
    int closedAfter = 0, reopenedAfter = 0;
    h.runWhile(30, [&] {
        if (!closedAfter) {
            closedAfter = lastStep();
            e->close();
        } else if (h.progress() >= 60) {
            reopenedAfter = lastStep();
            h.plot(3);
            return true;
        }
        return false;
    });
    QVERIFY(closedAfter > 3000 && reopenedAfter > 7000);
    const int steps = 11997;
    QCOMPARE(sampleSteps(x->getGraphList().back()), stepRange(1, steps));
    QCOMPARE(sampleSteps(e->getGraphList().back()), stepRange(1, closedAfter) + stepRange(reopenedAfter + 1, steps));
    QCOMPARE(a->getGraphList().back()->getDataCount(), 0);
}

void TestRun::showBuildsTheSceneFromTheTable()
{
    Harness h;
    MarvekView *view = theView();
    h.setValue(3, "0.1, 0.2, 0.3, 0.4");
    h.setValue(4, "2.0");
    h.setValue(5, "0.3, 0.25, 0.25, 0.2");
    h.trigger("actionShow");
    QCOMPARE(h.warnings(), QStringList());
    QVERIFY(view->isVisible());
    QCOMPARE(view->title(), QStringLiteral("0 s"));
    // Boxes 99 % of the link lengths in cm, spheres scaled by the mass share.
    const QVector<float> expected = {59.4f, 49.5f, 49.5f, 39.6f, 0.1f, 0.2f, 0.3f, 0.4f};
    QVERIFY(near(sizes(view), expected));

    // Show again, also while shown: a new scene from the table as it is now.
    QPointer<Qt3DCore::QEntity> first = view->sceneRoot();
    h.setValue(4, "1.0");
    h.trigger("actionShow");
    QVERIFY(!first && std::abs(sizes(view)[0] - 29.7f) < 1e-4f);
}

void TestRun::refusedTableChangesNothing()
{
    Harness h;
    MarvekView *view = theView();
    h.setValue(2, "heavy");
    h.trigger("actionShow");
    QCOMPARE(h.warnings().size(), 1);
    QVERIFY(h.warnings().first().startsWith("Simulation Failed: The parameter table cannot be used:\nBody Mass (kg)"));
    QVERIFY(!view->isVisible() && !view->sceneRoot());

    // Refused while shown: the scene stays, and so do the model's parameters.
    h.setValue(2, "89.6121");
    h.trigger("actionShow");
    Qt3DCore::QEntity *shown = view->sceneRoot();
    const QVector<float> shownSizes = sizes(view);
    h.setRecording(sampleUpTo(2.0));
    h.nameResults("before");
    h.trigger("actionRun");
    const QVector<QByteArray> before = h.results();
    h.closer.clear();
    h.setValue(5, "0.5, 0.5");
    h.trigger("actionShow");
    QCOMPARE(h.warnings().size(), 1);
    QVERIFY(view->isVisible() && view->sceneRoot() == shown);
    QVERIFY(near(sizes(view), shownSizes));
    h.nameResults("after");
    h.trigger("actionRun");
    QCOMPARE(h.results(), before);
}

void TestRun::runPosesTheShownWindowWithTheShownParameters_data()
{
    QTest::addColumn<QString>("command"); // pressed between Show and Run, if any
    QTest::newRow("table edited") << QString();
    QTest::newRow("Compute All") << "computeAllButton";
    QTest::newRow("RK4 Sim UT") << "rk4Button";
    QTest::newRow("Test FourBar Init") << "testInitButton";
}

void TestRun::runPosesTheShownWindowWithTheShownParameters()
{
    QFETCH(QString, command);
    Harness h;
    h.copyReferenceTables();
    MarvekView *view = theView();
    // Neither the unit tests' body nor their turn, which comes at 7.933 s.
    h.setValue(2, "70");
    h.setValue(8, "0");
    h.setRecording(sampleUpTo(9.0));
    h.nameResults("r");
    h.trigger("actionRun");
    const QVector<QByteArray> hidden = h.results();
    QVERIFY(!hidden.first().isEmpty() && view->title().isEmpty());

    // Shown, the run gives the same files again and leaves the window at its
    // last step (897 of 900): neither the table nor a unit test pressed
    // after Show reaches it.
    h.trigger("actionShow");
    h.setValue(1, "-0.01");
    h.setValue(2, "120");
    h.setValue(8, "-90");
    h.setValue(10, "100, 50");
    if (!command.isEmpty())
        h.press(command);
    h.trigger("actionRun");
    QCOMPARE(h.warnings(), QStringList());
    QCOMPARE(h.results(), hidden);
    QTRY_COMPARE_WITH_TIMEOUT(view->title(), QStringLiteral("8.97 s"), 2000);

    // A run stopped by a body thrown over by recorded linear accelerations
    // of 1e300 m/s² from 5 s on keeps the last finite pose.
    h.setRecording(sampleUpTo(8.0, 5.0, 13, "1e300"));
    h.trigger("actionRun");
    QCOMPARE(h.warnings().size(), 1);
    QVERIFY2(h.warnings().first().contains(QStringLiteral("stopped at t = 4.96 s")), qPrintable(h.warnings().first()));
    QTRY_COMPARE_WITH_TIMEOUT(view->title(), QStringLiteral("4.95 s"), 2000);
    for (const Qt3DCore::QTransform *t : view->sceneRoot()->findChildren<Qt3DCore::QTransform *>()) {
        const QVector4D r = t->rotation().toVector4D();
        QVERIFY(std::isfinite(r.x() + r.y() + r.z() + r.w()));
        QVERIFY(std::isfinite(t->translation().lengthSquared() + t->scale3D().lengthSquared()));
    }

}

void TestRun::viewTitleKeepsTheScreensPace()
{
    // A run at 0.001 s over the whole sample poses the shown window at each
    // of its 119,997 steps; the title follows at most once per interval and
    // ends at the last step's time.
    Harness h;
    h.get<QLineEdit>("paramShipMotionLineEdit")->setText(referencePath("ship-motion-sample.csv"));
    h.setValue(1, "0.001");
    h.trigger("actionShow");
    MarvekView *view = theView();
    QCOMPARE(view->title(), QStringLiteral("0 s"));
    QSignalSpy titles(view, &QWindow::windowTitleChanged);
    QElapsedTimer clock;
    clock.start();
    h.trigger("actionRun");
    QCOMPARE(h.warnings(), QStringList());
    QTRY_COMPARE_WITH_TIMEOUT(view->title(), QStringLiteral("119.997 s"), 2000);
    const qint64 allowed = clock.elapsed() / MarvekView::titleInterval + 3;
    QVERIFY2(titles.count() >= 2 && titles.count() <= allowed,
             qPrintable(QStringLiteral("%1 title changes, at most %2 allowed").arg(titles.count()).arg(allowed)));
}

void TestRun::commandPressedDuringARunChangesNothing_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("label"); // a label the command would change, if any
    QTest::newRow("Run") << "actionRun" << QString();
    QTest::newRow("Show") << "actionShow" << QString();
    QTest::newRow("Compute All") << "computeAllButton" << "computeAccelLabel";
    QTest::newRow("Compute Pose") << "computePoseButton" << "computePoseLabel";
    QTest::newRow("Compute Error") << "computeErrorButton" << "computeErrorLabel";
    QTest::newRow("Compute Control") << "computeControlButton" << "computeControlLabel";
    QTest::newRow("Compute Accel") << "computeAccelButton" << "computeAccelLabel";
    QTest::newRow("Ship Data Interpolation") << "interpolationButton" << "interpolationLabel";
    QTest::newRow("RK4 Sim UT") << "rk4Button" << "simLabel";
    QTest::newRow("Test FourBar Init") << "testInitButton" << "initLabel";
}

void TestRun::commandPressedDuringARunChangesNothing()
{
    QFETCH(QString, command);
    QFETCH(QString, label);
    Harness h;
    h.copyReferenceTables();
    h.get<QLineEdit>("shipFileDropLineEdit")->setText(referencePath("ship-motion-sample.csv"));
    h.setRecording(sampleUpTo(10.0));
    h.nameResults(QStringLiteral("calm"));
    h.trigger("actionRun");
    const QVector<QByteArray> undisturbed = h.results();
    const QString labelText = label.isEmpty() ? QString() : h.get<QLabel>(qPrintable(label))->text();

    // The table and the result names are edited once the run has begun (the
    // names are those of the run's start), and the command pressed at 10,
    // 20, ... 90 percent from inside the run's own event processing.
    h.nameResults(QStringLiteral("pressed"));
    int presses = 0;
    h.runWhile(1, [&]() {
        h.setValue(2, QStringLiteral("120"));
        h.nameResults(QStringLiteral("late"));
        if (h.progress() >= 10 * (presses + 1)) {
            ++presses;
            h.press(command);
        }
        return presses == 9;
    });
    QCOMPARE(presses, 9);
    QCOMPARE(h.warnings(), QStringList());
    QCOMPARE(h.progress(), 99);
    h.nameResults(QStringLiteral("pressed"));
    QCOMPARE(h.results(), undisturbed);
    QCOMPARE(QDir::current().entryList({"late*"}), QStringList());
    QVERIFY(!theView()->isVisible());
    if (!label.isEmpty())
        QCOMPARE(h.get<QLabel>(qPrintable(label))->text(), labelText);
}

QTEST_MAIN(TestRun)
#include "tst_run.moc"
