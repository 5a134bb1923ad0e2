// The simulation run through the main window: a whole run over the sample
// recording against independent reference results, the refusals before the
// first step, a run cut short by numbers that are not finite, other
// timesteps, unwritable result files, Cancel, repeated and nested runs.
#include "apptestsupport.h"
#include "filedropwidget.h"
#include "marvekdev.h"
#include "testsupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <functional>

namespace {

using apptest::child;
using apptest::readAll;
using apptest::readRows;
using apptest::resultFields;
using apptest::sampleUpTo;

const char *const referenceNames[] = {"link.csv", "cg.csv", "error.csv", "control.csv",
                                      "accel.csv"};
const int resultWidths[] = {13, 13, 25, 25, 28};

// A main window set up for a run in the test's working folder.
class RunWindow
{
public:
    RunWindow()
    {
        shipField = child<QLineEdit>(&window, "paramShipMotionLineEdit");
        for (int k = 0; k < 5; ++k)
            fields[k] = child<QLineEdit>(&window, resultFields[k]);
        run = child<QAction>(&window, "actionRun");
        table = child<QTableWidget>(&window, "paramTableWidget");
        progress = child<QProgressBar>(&window, "progressBar");
        status = child<QLabel>(&window, "statusLabel");
        cancel = child<QPushButton>(&window, "cancelButton");
    }

    void setRecording(const QByteArray &contents, const QString &name = QStringLiteral("ship.csv"))
    {
        shipField->setText(testsupport::writeTextFile(name, contents));
    }
    // Names all five result files "<prefix>_link.csv" ... in the working folder.
    void nameResults(const QString &prefix)
    {
        for (int k = 0; k < 5; ++k) {
            const QString name = prefix + QLatin1Char('_') + QLatin1String(referenceNames[k]);
            QFile::remove(name);
            fields[k]->setText(name);
        }
    }
    QString result(int k) const { return fields[k]->text(); }
    void setTimestep(const QString &text) { table->item(1, 1)->setText(text); }

    MarvekDev window;
    QLineEdit *shipField;
    QLineEdit *fields[5];
    QAction *run;
    QTableWidget *table;
    QProgressBar *progress;
    QLabel *status;
    QPushButton *cancel;
};

// Calls `poke` from a zero timer while a run's steps are under way, once the
// bar has reached `atPercent`, until it returns true.
class DuringRun : public QObject
{
public:
    DuringRun(RunWindow &w, int atPercent, std::function<bool()> poke)
        : m_w(w), m_percent(atPercent), m_poke(std::move(poke))
    {
        connect(&m_timer, &QTimer::timeout, this, [this]() {
            if (m_w.status->text() == QLatin1String("Running Sim")
                && m_w.progress->value() >= m_percent && m_poke())
                m_timer.stop();
        });
        m_timer.start(0);
    }

private:
    RunWindow &m_w;
    int m_percent;
    std::function<bool()> m_poke;
    QTimer m_timer;
};

} // namespace

class TestRun : public QObject
{
    Q_OBJECT

private slots:
    void fullRunMatchesReference();
    void fileFieldQueries();

    void refusedBeforeTheFirstStep_data();
    void refusedBeforeTheFirstStep();
    void memoryRoomDecidesTheRun();
    void recordingTooShortForAStepWritesEmptyFiles();

    void nonFiniteStopsTheRun_data();
    void nonFiniteStopsTheRun();
    void halfTimestepCoversWholeRecording();
    void progressEndsAt99ForSixThousandSteps();
    void unwritableResultFileIsReported();

    void cancelWritesNothingAndNextRunStartsEmpty();
    void twoRunsEachWriteTheirOwnRows();
    void namesAreReadWhenTheRunStarts();
    void runPressedDuringARunChangesNothing();
};

void TestRun::fullRunMatchesReference()
{
    ModalDialogCloser closer;
    RunWindow w;
    w.shipField->setText(testsupport::dataPath(QStringLiteral("reference/ship-motion-sample.csv")));
    w.nameResults(QStringLiteral("full"));
    w.run->trigger();
    QCOMPARE(closer.closedTexts(), QStringList());
    QCOMPARE(w.status->text(), QStringLiteral("Running Sim"));
    QCOMPARE(w.progress->value(), 99);

    for (int k = 0; k < 5; ++k) {
        const QString reference =
            testsupport::dataPath(QStringLiteral("reference/fullrun/") + referenceNames[k]);
        const QVector<QVector<double>> expected = readRows(reference);
        const QVector<QVector<double>> actual = readRows(w.result(k));
        QCOMPARE(expected.size(), 11997);
        QCOMPARE(actual.size(), expected.size());
        double worst = 0.0;
        for (int r = 0; r < actual.size(); ++r) {
            QCOMPARE(actual[r].size(), resultWidths[k]);
            QCOMPARE(actual[r][0], (r + 1) * 0.01);
            for (int c = 0; c < resultWidths[k]; ++c) {
                const double e = expected[r][c];
                const double difference = std::abs(actual[r][c] - e) / std::max(1.0, std::abs(e));
                worst = std::max(worst, difference);
                if (!(difference <= 1e-8))
                    QFAIL(qPrintable(QStringLiteral("%1 row %2 column %3: %4 instead of %5")
                                         .arg(referenceNames[k])
                                         .arg(r + 1)
                                         .arg(c)
                                         .arg(actual[r][c], 0, 'g', 17)
                                         .arg(e, 0, 'g', 17)));
            }
        }
        qInfo("%s: largest difference %.3g", referenceNames[k], worst);
        // No header line, a line feed after every row.
        const QByteArray text = readAll(w.result(k));
        QVERIFY(text.startsWith("0.01,"));
        QVERIFY(text.endsWith("\n") && !text.contains('\r'));
    }
}

void TestRun::fileFieldQueries()
{
    RunWindow w;
    w.nameResults(QString());
    w.fields[0]->clear();
    w.fields[1]->setText(QStringLiteral("  "));
    QVERIFY(!w.window.hasLinkOutputFile());
    QVERIFY(w.window.hasCGOutputFile()); // blanks count as a name
    QVERIFY(w.window.hasErrorOutputFile());
    QVERIFY(w.window.hasControlOutputFile());
    QVERIFY(w.window.hasAccelOutputFile());
    QVERIFY(w.window.hasShipMotionFile()); // the form's default name
    w.shipField->clear();
    QVERIFY(!w.window.hasShipMotionFile());
    w.fields[4]->clear();
    QVERIFY(!w.window.hasAccelOutputFile());
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
    const QByteArray header = sample.left(sample.indexOf('\n') + 1);
    QList<QByteArray> lines = sample.split('\n');
    QByteArray tenColumns = header;
    for (const QByteArray &line : lines.mid(1)) {
        if (!line.isEmpty())
            tenColumns += line.split(',').mid(0, 10).join(',') + '\n';
    }
    auto cut = [](QByteArray line, int columns) { return line.split(',').mid(0, columns).join(','); };
    QList<QByteArray> descending = lines;
    descending.swapItemsAt(50, 51);
    QList<QByteArray> shortRow = lines;
    shortRow[100] = cut(shortRow[100], 17);
    QList<QByteArray> late = lines;
    late.removeAt(1);
    QList<QByteArray> narrowFirst = lines;
    narrowFirst[1] = cut(narrowFirst[1], 12);
    // The last step's time, 9.97 s, has three rows; the search may read the
    // third, a short one.
    QList<QByteArray> repeatedLast = lines;
    const QByteArray at997 = "9.97" + lines[200].mid(lines[200].indexOf(','));
    repeatedLast.insert(201, cut(at997, 18));
    repeatedLast.insert(201, at997);
    repeatedLast.insert(201, at997);

    const QStringList results = {"r_link.csv", "r_cg.csv", "r_error.csv", "r_control.csv",
                                 "r_accel.csv"};
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
    row("header only", header, "it has no data row.");
    row("ten columns", tenColumns, "data row 1 has 10 columns, 19 are needed.");
    row("narrow first row", narrowFirst.join('\n'), "data row 1 has 12 columns, 19 are needed.");
    row("descending", descending.join('\n'),
        "its time column is not ascending: data row 51 goes back from 2.5 s to 2.45 s.");
    row("late start", late.join('\n'), "it starts at 0.05 s, after the first step's time of 0.01 s.");
    row("short row", shortRow.join('\n'), "data row 100 has 17 columns, 19 are needed.");
    row("short row at the last step's time", repeatedLast.join('\n'),
        "data row 203 has 18 columns, 19 are needed.");

    QTest::newRow("no ship-motion file") << sample << QString() << results << -1 << QString()
                                         << "Cannot load ship motion file.";
    QTest::newRow("missing file") << sample << "no-such-recording.csv" << results << -1 << QString()
                                  << "Cannot load ship motion file no-such-recording.csv:\n"
                                     "No such file or directory.";
    QTest::newRow("device") << sample << "/dev/null" << results << -1 << QString()
                            << "Cannot load ship motion file /dev/null:\nit is not a regular file.";
    QTest::newRow("FIFO") << sample << "ship.fifo" << results << -1 << QString()
                          << "Cannot load ship motion file ship.fifo:\nit is not a regular file.";

    const QString shared = QStringLiteral("Each result needs a file of its own, apart from the "
                                          "ship motion file:\n");
    const QString shipPath = QDir::current().absoluteFilePath(ship);
    QTest::newRow("result over the recording") << sample << ship << withResult(2, ship) << -1
                                               << QString()
                                               << shared + "\"Ship Motion File\" and \"Errors\" "
                                                           "name the same file " + shipPath + ".";
    QTest::newRow("result over ./recording")
        << sample << ship << withResult(0, "./" + ship) << -1 << QString()
        << "\"Ship Motion File\" and \"Link Coordinates\" name the same file " + shipPath + ".";
    QTest::newRow("result over a link to the recording")
        << sample << ship << withResult(4, "ship-link.csv") << -1 << QString()
        << "\"Ship Motion File\" and \"Accelerations\" name the same file " + shipPath + ".";
    QStringList twice = withResult(3, "r_link.csv");
    QTest::newRow("two results in one file")
        << sample << ship << twice << -1 << QString()
        << shared + "\"Link Coordinates\" and \"Control Moments\" name the same file "
               + QDir::current().absoluteFilePath("r_link.csv") + ".";

    QTest::newRow("body mass not a number") << sample << ship << results << 2 << "heavy"
                                            << "Body Mass (kg): \"heavy\" is not a number.";
    QByteArray longRecording = sampleUpTo(0.05);
    longRecording += "1000.01" + longRecording.split('\n').at(1).mid(3) + '\n';
    QTest::newRow("too many steps")
        << longRecording << ship << results << 1 << "0.0001"
        << "The run would take 10000100 steps at a timestep of 0.0001 s; at most 10000000 steps "
           "are allowed.";
}

void TestRun::refusedBeforeTheFirstStep()
{
    QFETCH(QByteArray, recording);
    QFETCH(QString, shipName);
    QFETCH(QStringList, results);
    QFETCH(int, row);
    QFETCH(QString, text);
    QFETCH(QString, problem);

    ModalDialogCloser closer;
    RunWindow w;
    testsupport::writeTextFile(QStringLiteral("ship.csv"), recording);
    QFile::remove(QStringLiteral("ship-link.csv"));
    QVERIFY(QFile::link(QStringLiteral("ship.csv"), QStringLiteral("ship-link.csv")));
    const apptest::Fifo fifo(QStringLiteral("ship.fifo"));
    w.shipField->setText(shipName);
    for (int k = 0; k < 5; ++k) {
        if (results[k].startsWith(QLatin1String("r_")))
            QFile::remove(results[k]);
        w.fields[k]->setText(results[k]);
    }
    if (row >= 0)
        w.table->item(row, 1)->setText(text);
    w.run->trigger();

    QCOMPARE(closer.closedTexts().size(), 1);
    const QString warning = closer.closedTexts().first();
    QVERIFY2(warning.startsWith(QStringLiteral("Simulation Failed: ")), qPrintable(warning));
    QVERIFY2(warning.endsWith(problem), qPrintable(warning));
    QCOMPARE(w.status->text(), QStringLiteral("-----"));
    QCOMPARE(readAll(QStringLiteral("ship.csv")), recording);
    for (const QString &name : results) {
        if (name.startsWith(QLatin1String("r_")))
            QVERIFY2(!QFile::exists(name), qPrintable(name));
    }
}

void TestRun::memoryRoomDecidesTheRun()
{
    ModalDialogCloser closer;
    RunWindow w;
    w.setRecording(sampleUpTo(10.0));
    w.nameResults(QStringLiteral("memory"));
    const qint64 estimate = w.window.estimateRunMemory(1000);
    QVERIFY2(estimate > 1000 * 1500, qPrintable(QString::number(estimate))); // rows of 104 cells

    w.window.setMemoryRoom(estimate - 1);
    w.run->trigger();
    QCOMPARE(closer.closedTexts().size(), 1);
    const QString warning = closer.closedTexts().first();
    QVERIFY2(warning.contains(QStringLiteral("1000 steps and hold about %1 MB")
                                  .arg(estimate / 1048576.0, 0, 'f', 1)),
             qPrintable(warning));
    QCOMPARE(w.status->text(), QStringLiteral("-----"));
    for (int k = 0; k < 5; ++k)
        QVERIFY(!QFile::exists(w.result(k)));

    closer.clear();
    w.window.setMemoryRoom(estimate);
    w.run->trigger();
    QCOMPARE(closer.closedTexts(), QStringList());
    QCOMPARE(readRows(w.result(4)).size(), 997);
}

void TestRun::recordingTooShortForAStepWritesEmptyFiles()
{
    ModalDialogCloser closer;
    RunWindow w;
    w.setRecording(sampleUpTo(0.0) + "0.03" + sampleUpTo(0.0).split('\n').at(1).mid(3) + '\n');
    w.nameResults(QStringLiteral("tiny"));
    w.run->trigger();
    QCOMPARE(closer.closedTexts(), QStringList());
    for (int k = 0; k < 5; ++k) {
        QVERIFY(QFile::exists(w.result(k)));
        QCOMPARE(readAll(w.result(k)), QByteArray());
    }
}

void TestRun::nonFiniteStopsTheRun_data()
{
    QTest::addColumn<double>("nanFrom"); // recorded angular accelerations are NaN from here
    QTest::addColumn<QVector<int>>("kept");
    QTest::newRow("from the first row") << 0.0 << QVector<int>{0};
    // The step at 3.95 s may already read the row of 4.0 s (with a weight of
    // zero, which does not clear a NaN); the one at 3.96 s reads it.
    QTest::newRow("from 4 s") << 4.0 << QVector<int>{394, 395};
}

void TestRun::nonFiniteStopsTheRun()
{
    QFETCH(double, nanFrom);
    QFETCH(QVector<int>, kept);
    ModalDialogCloser closer;
    RunWindow w;
    w.setRecording(sampleUpTo(10.0, nanFrom, 16));
    w.nameResults(QStringLiteral("cut"));
    w.run->trigger();

    const int steps = readRows(w.result(0)).size();
    QVERIFY2(kept.contains(steps), qPrintable(QString::number(steps)));
    QCOMPARE(closer.closedTexts().size(), 1);
    const QString text = closer.closedTexts().first();
    QVERIFY2(text.contains(QStringLiteral("stopped at t = %1 s").arg((steps + 1) * 0.01)),
             qPrintable(text));
    QVERIFY2(text.contains(steps ? QStringLiteral("cut short") : QStringLiteral("No result file")),
             qPrintable(text));
    for (int k = 0; k < 5; ++k) {
        const QVector<QVector<double>> rows = readRows(w.result(k));
        QCOMPARE(QFile::exists(w.result(k)), steps > 0);
        QCOMPARE(rows.size(), steps);
        for (const QVector<double> &row : rows) {
            for (double v : row)
                QVERIFY(std::isfinite(v));
        }
    }
}

void TestRun::halfTimestepCoversWholeRecording()
{
    ModalDialogCloser closer;
    RunWindow w;
    w.setRecording(sampleUpTo(10.0));
    w.nameResults(QStringLiteral("half"));
    // Typed into the cell, its editor still open when Run is chosen.
    w.window.show();
    w.table->editItem(w.table->item(1, 1));
    auto *editor = w.table->viewport()->findChild<QLineEdit *>();
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("0.005"));
    QCOMPARE(w.table->item(1, 1)->text(), QStringLiteral("0.01"));
    w.run->trigger();
    QCOMPARE(closer.closedTexts(), QStringList());
    for (int k = 0; k < 5; ++k) {
        const QVector<QVector<double>> rows = readRows(w.result(k));
        QCOMPARE(rows.size(), 1997);
        QCOMPARE(rows.first()[0], 0.005);
        QCOMPARE(rows.last()[0], 1997 * 0.005);
    }
}

void TestRun::progressEndsAt99ForSixThousandSteps()
{
    ModalDialogCloser closer;
    RunWindow w;
    w.setRecording(sampleUpTo(60.0));
    w.nameResults(QStringLiteral("sixty"));
    for (int k = 1; k < 5; ++k)
        w.fields[k]->clear();
    w.run->trigger();
    QCOMPARE(w.progress->value(), 99);
    const QVector<QVector<double>> rows = readRows(w.result(0));
    QCOMPARE(rows.size(), 5997);
    QCOMPARE(rows.last()[0], 5997 * 0.01);
    for (int k = 1; k < 5; ++k)
        QVERIFY(!QFile::exists(QStringLiteral("sixty_") + referenceNames[k]));
}

void TestRun::unwritableResultFileIsReported()
{
    ModalDialogCloser closer;
    RunWindow w;
    w.setRecording(sampleUpTo(5.0));
    w.nameResults(QStringLiteral("write"));
    QDir().mkpath(QStringLiteral("a-folder"));
    w.fields[1]->setText(QStringLiteral("no-such-folder/cg.csv"));
    w.fields[3]->setText(QStringLiteral("a-folder"));
    w.run->trigger();

    QCOMPARE(closer.closedTexts().size(), 1);
    const QString text = closer.closedTexts().first();
    QVERIFY2(text.startsWith(QStringLiteral("Simulation Failed: Cannot write result file "
                                            "no-such-folder/cg.csv:")),
             qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Cannot write result file a-folder:")), qPrintable(text));
    for (int k : {0, 2, 4})
        QCOMPARE(readRows(w.result(k)).size(), 497);
    QVERIFY(QFileInfo(QStringLiteral("a-folder")).isDir());

    // Fields of written files no longer show them as missing; the others do.
    for (int k : {0, 2, 4})
        QVERIFY(static_cast<FileDropLineEdit *>(w.fields[k])->fileExists());
    QVERIFY(!static_cast<FileDropLineEdit *>(w.fields[1])->fileExists());
}

void TestRun::cancelWritesNothingAndNextRunStartsEmpty()
{
    ModalDialogCloser closer;
    RunWindow w;
    w.setRecording(sampleUpTo(20.0));
    w.nameResults(QStringLiteral("cancel"));
    {
        DuringRun press(w, 30, [&]() {
            w.cancel->click();
            return true;
        });
        w.run->trigger();
    }
    QCOMPARE(closer.closedTexts(), QStringList());
    QCOMPARE(w.status->text(), QStringLiteral("Running Sim"));
    QVERIFY(w.progress->value() >= 30 && w.progress->value() < 99);
    for (int k = 0; k < 5; ++k)
        QVERIFY(!QFile::exists(w.result(k)));

    w.run->trigger();
    for (int k = 0; k < 5; ++k) {
        const QVector<QVector<double>> rows = readRows(w.result(k));
        QCOMPARE(rows.size(), 1997);
        QCOMPARE(rows.first()[0], 0.01);
    }
}

void TestRun::twoRunsEachWriteTheirOwnRows()
{
    ModalDialogCloser closer;
    RunWindow w;
    w.setRecording(sampleUpTo(8.0));
    w.nameResults(QStringLiteral("first"));
    w.run->trigger();
    QByteArray first[5];
    for (int k = 0; k < 5; ++k)
        first[k] = readAll(w.result(k));
    w.run->trigger();
    for (int k = 0; k < 5; ++k) {
        QCOMPARE(readAll(w.result(k)), first[k]);
        QCOMPARE(readRows(w.result(k)).size(), 797);
    }
    QCOMPARE(closer.closedTexts(), QStringList());
}

void TestRun::namesAreReadWhenTheRunStarts()
{
    ModalDialogCloser closer;
    RunWindow w;
    w.setRecording(sampleUpTo(8.0));
    w.nameResults(QStringLiteral("start"));
    w.fields[2]->clear();
    QFile::remove(QStringLiteral("late_link.csv"));
    QFile::remove(QStringLiteral("late_error.csv"));
    {
        DuringRun edit(w, 20, [&]() {
            w.fields[0]->setText(QStringLiteral("late_link.csv"));
            w.fields[2]->setText(QStringLiteral("late_error.csv"));
            return true;
        });
        w.run->trigger();
    }
    QCOMPARE(readRows(QStringLiteral("start_link.csv")).size(), 797);
    QVERIFY(!QFile::exists(QStringLiteral("late_link.csv")));
    QVERIFY(!QFile::exists(QStringLiteral("late_error.csv")));
    QVERIFY(!QFile::exists(QStringLiteral("start_error.csv")));
}

void TestRun::runPressedDuringARunChangesNothing()
{
    ModalDialogCloser closer;
    RunWindow w;
    w.setRecording(sampleUpTo(10.0));
    w.nameResults(QStringLiteral("calm"));
    w.run->trigger();
    QByteArray undisturbed[5];
    for (int k = 0; k < 5; ++k)
        undisturbed[k] = readAll(w.result(k));

    w.nameResults(QStringLiteral("pressed"));
    int presses = 0;
    {
        // Run again at 10, 20, ... 90 percent, from inside the run's own
        // event processing.
        DuringRun press(w, 0, [&]() {
            if (w.progress->value() >= 10 * (presses + 1)) {
                ++presses;
                w.run->trigger();
            }
            return presses == 9;
        });
        w.run->trigger();
    }
    QCOMPARE(presses, 9);
    QCOMPARE(closer.closedTexts(), QStringList());
    QCOMPARE(w.progress->value(), 99);
    for (int k = 0; k < 5; ++k)
        QCOMPARE(readAll(w.result(k)), undisturbed[k]);
}

QTEST_MAIN(TestRun)
#include "tst_run.moc"
