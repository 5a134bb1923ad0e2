// The "Unit Tests" tab in folders that hold the independent reference
// tables: every row test agrees with them (the counts recomputed from its
// results file), the comparison rule, results files only when asked for,
// tables read once, faulty data stopping a test with a clear status text,
// the interpolation's ramp following the timestep last applied, Compute All
// and Cancel. (No test starts inside a run: tst_run.)
#include "apptestsupport.h"

#include <QCheckBox>
#include <QRegularExpression>
#include <QtTest>

#include <cmath>

using namespace apptest;

namespace {

// Passed and compared values of a summary line; empty for another text.
QVector<int> counts(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^Tests passed: (\\d+) / (\\d+) \\([^ ]+ %\\) Time: [0-9.e+-]+ s$"));
    const QRegularExpressionMatch m = pattern.match(text);
    return m.hasMatch() ? QVector<int>{m.captured(1).toInt(), m.captured(2).toInt()} : QVector<int>();
}

bool allPassed(const QString &text)
{
    const QVector<int> c = counts(text);
    return c.size() == 2 && c[1] > 0 && c[0] == c[1];
}

// Computed values of a row test: results file columns [first, first + count)
// against reference table columns [tableColumn, tableColumn + count).
struct Span
{
    int first;
    QString table;
    int tableColumn;
    int count;
};

const char *const testLabels[] = {"computePoseLabel", "computeErrorLabel", "computeControlLabel",
                                  "computeAccelLabel", "interpolationLabel", "simLabel", "initLabel"};

QStringList labelTexts(const Harness &h)
{
    QStringList texts;
    for (const char *label : testLabels)
        texts << h.get<QLabel>(label)->text();
    return texts;
}

} // namespace

Q_DECLARE_METATYPE(QVector<Span>)

class TestUnitTests : public QObject
{
    Q_OBJECT

private slots:
    void comparisonRule_data();
    void comparisonRule();
    void rowTestAgreesWithReference_data();
    void rowTestAgreesWithReference();
    void stoppedTestChangesNoLabel_data();
    void stoppedTestChangesNoLabel();
    void tablesReadOnceAFailedLoadAgain();
    void resultsFileOnlyWhenTicked();
    void interpolationRampsWithTheTimestepLastApplied_data();
    void interpolationRampsWithTheTimestepLastApplied();
    void initComparesTableWithTestParameters();
    void computeAllRunsFourTestsUntilCancel();
};

void TestUnitTests::comparisonRule_data()
{
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<int>("passed");
    QTest::addColumn<int>("compared");
    const double nan = std::nan("");
    QTest::newRow("both below 1e-6: skipped") << 5e-7 << -9e-7 << 0.0005 << 0 << 0;
    QTest::newRow("1e-6 against 0: compared") << 1e-6 << 0.0 << 0.0005 << 1 << 1;
    QTest::newRow("just below tolerance") << 1.0 << 1.0004 << 0.0005 << 1 << 1;
    QTest::newRow("equal to tolerance") << 0.0 << 0.0005 << 0.0005 << 0 << 1;
    QTest::newRow("zero tolerance") << 3.0 << 3.0 << 0.0 << 0 << 1;
    QTest::newRow("NaN against zero") << nan << 0.0 << 0.0005 << 0 << 1;
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("infinity against itself") << inf << inf << 0.0005 << 0 << 1;
}

void TestUnitTests::comparisonRule()
{
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(double, tolerance);
    QFETCH(int, passed);
    QFETCH(int, compared);
    // Either order; the counts add to what they were.
    for (bool swapped : {false, true}) {
        int p = 4, c = 7;
        const Eigen::VectorXd first = Eigen::VectorXd::Constant(1, swapped ? b : a);
        const Eigen::VectorXd second = Eigen::VectorXd::Constant(1, swapped ? a : b);
        MarvekDev::compareValues(first, second, tolerance, p, c);
        QCOMPARE(p, 4 + passed);
        QCOMPARE(c, 7 + compared);
    }
    QCOMPARE(MarvekDev::testSummary(11, 12, 250), QStringLiteral("Tests passed: 11 / 12 (91.6667 %) Time: 0.25 s"));
}

void TestUnitTests::rowTestAgreesWithReference_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("resultsFile");
    QTest::addColumn<int>("firstRow");
    QTest::addColumn<QVector<Span>>("spans");
    QTest::addColumn<bool>("valueOff"); // one expected position moved by twice the tolerance
    const QVector<Span> pose{{1, "matOutPos92.csv", 1, 12}};
    QTest::newRow("pose") << "computePoseButton" << "computePoseLabel" << "UTcomputePose.csv" << 0 << pose << false;
    QTest::newRow("pose, a value off") << "computePoseButton" << "computePoseLabel" << "UTcomputePose.csv" << 0 << pose << true;
    QTest::newRow("error") << "computeErrorButton" << "computeErrorLabel" << "UTcomputeError.csv" << 0
                           << QVector<Span>{{1, "matOutError92.csv", 1, 24}} << false;
    QTest::newRow("control") << "computeControlButton" << "computeControlLabel" << "UTcomputeControl.csv" << 0
                             << QVector<Span>{{1, "matOutControl92.csv", 1, 12}, {13, "", 0, 12}} << false;
    QTest::newRow("accel") << "computeAccelButton" << "computeAccelLabel" << "UTcomputeAccel.csv" << 0
                           << QVector<Span>{{1, "matOutAccel92.csv", 1, 27}} << false;
    QTest::newRow("interpolation") << "interpolationButton" << "interpolationLabel" << "UTshipData.csv" << 1
                                   << QVector<Span>{{1, "matOutXXX92.csv", 13, 6}, {7, "matOutXXX92.csv", 31, 6},
                                                    {13, "matOutXXX92.csv", 37, 6}} << false;
    QTest::newRow("RK4") << "rk4Button" << "simLabel" << "UTcomputePose.csv" << 0 << pose << false;
}

void TestUnitTests::rowTestAgreesWithReference()
{
    QFETCH(QString, button);
    QFETCH(QString, label);
    QFETCH(QString, resultsFile);
    QFETCH(int, firstRow);
    QFETCH(QVector<Span>, spans);
    QFETCH(bool, valueOff);
    Harness h;
    h.copyReferenceTables();
    if (valueOff) {
        QList<QByteArray> lines = readAll("matOutPos92.csv").split('\n');
        QList<QByteArray> cells = lines[701].split(',');
        cells[12] = QByteArray::number(cells[12].toDouble() + 0.001, 'g', 17);
        lines[701] = cells.join(',');
        testsupport::writeTextFile("matOutPos92.csv", lines.join('\n'));
    }
    h.get<QCheckBox>("outputToDiskCheckBox")->setChecked(true);
    h.get<QLineEdit>("shipFileDropLineEdit")->setText(referencePath("ship-motion-sample.csv"));
    h.click(qPrintable(button));
    QCOMPARE(h.status(), QStringLiteral("Test Complete - Results saved to ") + resultsFile);
    QCOMPARE(h.progress(), 100);

    // The counts the label must show, recomputed from the results file by
    // the comparison rule; a span without a table holds zeros.
    const QVector<QVector<double>> results = readRows(resultsFile);
    const QVector<QVector<double>> input = readRows("matOutXXX92.csv");
    QCOMPARE(results.size(), input.size() - firstRow);
    int passed = 0, compared = 0;
    for (const Span &span : spans) {
        const QVector<QVector<double>> expected = span.table.isEmpty() ? input : readRows(span.table);
        for (int i = 0; i < results.size(); ++i) {
            const int r = firstRow + i;
            QCOMPARE(results[i][0], input[r][0]);
            for (int k = 0; k < span.count; ++k) {
                const double a = results[i][span.first + k];
                const double b = span.table.isEmpty() ? 0.0 : expected[r][span.tableColumn + k];
                QVERIFY(!span.table.isEmpty() || a == 0.0);
                compared += !(std::abs(a) < 1e-6 && std::abs(b) < 1e-6);
                passed += !(std::abs(a) < 1e-6 && std::abs(b) < 1e-6) && std::abs(a - b) < 0.0005;
            }
        }
    }
    QVERIFY(compared > 1000);
    QCOMPARE(passed, compared - (valueOff ? 1 : 0));
    QCOMPARE(counts(h.get<QLabel>(qPrintable(label))->text()), (QVector<int>{passed, compared}));
}

void TestUnitTests::stoppedTestChangesNoLabel_data()
{
    QTest::addColumn<QString>("edit");     // what is done to the folder's tables first
    QTest::addColumn<QString>("shipData"); // the "Ship Data:" field
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("status");
    const QString failure = QStringLiteral("File Load Failure");
    QTest::newRow("short table") << "shorten" << "" << "computePoseButton" << failure;
    QTest::newRow("ship data a device") << "" << "/dev/null" << "computeAccelButton" << failure;
    QTest::newRow("ship data a FIFO") << "" << "ship.fifo" << "computeAccelButton" << failure;
    QTest::newRow("ship data too short") << "" << "short.csv" << "interpolationButton"
                                         << "Ship Data Interpolation stopped: time 1.01 s of reference row 101 "
                                            "lies outside the ship data";
    QTest::newRow("ship data too narrow") << "" << "narrow.csv" << "interpolationButton"
                                          << "Ship Data Interpolation stopped: the ship data has fewer than 19 columns";
    QTest::newRow("ship data loaded by no test") << "pose first" << "ship.csv" << "interpolationButton"
                                                 << "Ship Data Interpolation stopped: no ship data is loaded (the "
                                                    "\"Ship Data:\" file is read by the first test of the program run)";
    QTest::newRow("no ship data named") << "" << "" << "interpolationButton" << "-----";
}

void TestUnitTests::stoppedTestChangesNoLabel()
{
    QFETCH(QString, edit);
    QFETCH(QString, shipData);
    QFETCH(QString, button);
    QFETCH(QString, status);
    Harness h;
    h.copyReferenceTables();
    const Fifo fifo(QStringLiteral("ship.fifo"));
    const QList<QByteArray> ship = readAll(referencePath("ship-motion-sample.csv")).split('\n');
    testsupport::writeTextFile("ship.csv", ship.join('\n'));
    testsupport::writeTextFile("short.csv", ship.mid(0, 22).join('\n'));
    QByteArray narrow;
    for (const QByteArray &line : ship)
        narrow += line.split(',').mid(0, 16).join(',') + '\n';
    testsupport::writeTextFile("narrow.csv", narrow);
    if (edit == QLatin1String("shorten")) // the pose test does not read it, but the set goes as a whole
        testsupport::writeTextFile("matOutAccel92.csv", readAll("matOutAccel92.csv").left(50000));
    if (edit == QLatin1String("pose first"))
        h.click("computePoseButton");
    h.get<QCheckBox>("outputToDiskCheckBox")->setChecked(true);
    h.get<QLineEdit>("shipFileDropLineEdit")->setText(shipData);
    const QStringList before = labelTexts(h);
    QFile::remove("UTcomputePose.csv");
    h.click(qPrintable(button));
    QCOMPARE(h.status(), status);
    QCOMPARE(labelTexts(h), before);
    QCOMPARE(QDir::current().entryList({"UT*.csv"}, QDir::Files), QStringList());
}

void TestUnitTests::tablesReadOnceAFailedLoadAgain()
{
    Harness h;
    h.copyReferenceTables();
    QVERIFY(QFile::rename("matOutControl92.csv", "away.csv"));
    h.click("computePoseButton");
    QCOMPARE(h.status(), QStringLiteral("File Load Failure"));
    QVERIFY(QFile::rename("away.csv", "matOutControl92.csv"));
    h.click("computePoseButton");
    QCOMPARE(h.status(), QStringLiteral("Test Complete"));

    // Once loaded, the tables are kept for the program run: the files may go.
    for (const QString &table : QDir::current().entryList({"matOut*.csv"}))
        QVERIFY(QFile::remove(table));
    h.click("computeAccelButton");
    QVERIFY(allPassed(h.get<QLabel>("computeAccelLabel")->text()));
}

void TestUnitTests::resultsFileOnlyWhenTicked()
{
    Harness h;
    h.copyReferenceTables();
    auto *toDisk = h.get<QCheckBox>("outputToDiskCheckBox");
    h.click("computeControlButton");
    QCOMPARE(h.status(), QStringLiteral("Test Complete"));
    QCOMPARE(QDir::current().entryList({"UT*.csv"}, QDir::Files), QStringList());

    toDisk->setChecked(true);
    h.click("computePoseButton");
    const QByteArray pose = readAll("UTcomputePose.csv");
    h.click("rk4Button"); // the same file, integrated poses this time
    QVERIFY(!pose.isEmpty() && readAll("UTcomputePose.csv") != pose);
    QCOMPARE(readRows("UTcomputePose.csv").size(), 2000);

    toDisk->setChecked(false);
    h.click("rk4Button");
    QCOMPARE(readRows("UTcomputePose.csv").size(), 2000);

    // A folder in the way of the results file: the test still ends.
    toDisk->setChecked(true);
    QDir().mkdir("UTcomputeError.csv");
    h.click("computeErrorButton");
    QVERIFY2(h.status().startsWith("Test Complete - Results could not be saved to UTcomputeError.csv: "),
             qPrintable(h.status()));
    QVERIFY(allPassed(h.get<QLabel>("computeErrorLabel")->text()));
}

void TestUnitTests::interpolationRampsWithTheTimestepLastApplied_data()
{
    QTest::addColumn<QString>("command"); // applies the table's timestep of 0.02 s
    QTest::newRow("Run") << "actionRun";
    QTest::newRow("Show") << "actionShow";
    QTest::newRow("RK4 Sim UT") << "rk4Button";
    QTest::newRow("Test FourBar Init") << "testInitButton";
}

void TestUnitTests::interpolationRampsWithTheTimestepLastApplied()
{
    QFETCH(QString, command);
    Harness h;
    h.copyReferenceTables();
    h.get<QCheckBox>("outputToDiskCheckBox")->setChecked(true);
    h.get<QLineEdit>("shipFileDropLineEdit")->setText(referencePath("ship-motion-sample.csv"));
    h.click("interpolationButton");
    const QVector<QVector<double>> at001 = readRows("UTshipData.csv");
    h.setValue(1, "0.02");
    // A run reads its recording into the table the interpolation test reads.
    h.get<QLineEdit>("paramShipMotionLineEdit")->setText(referencePath("ship-motion-sample.csv"));
    h.press(command);
    h.click("interpolationButton");
    const QVector<QVector<double>> at002 = readRows("UTshipData.csv");

    // Row r is ramped by r * dt / 3 while that is below 1: twice the value
    // of 0.01 s up to row 149, the unramped value from row 300 on.
    QCOMPARE(at002.size(), at001.size());
    for (const int r : {1, 149, 150, 299, 300, 1999}) {
        const double ratio = r < 150 ? 2.0 : r < 300 ? 3.0 / (r * 0.01) : 1.0;
        for (int c = 1; c <= 18; ++c) {
            const double expected = ratio * at001[r - 1][c];
            QVERIFY(std::abs(at002[r - 1][c] - expected) <= 1e-12 * std::abs(expected));
        }
    }
}

void TestUnitTests::initComparesTableWithTestParameters()
{
    Harness h;
    auto *label = h.get<QLabel>("initLabel");
    h.click("testInitButton");
    QCOMPARE(label->text(), QStringLiteral("Test Passed"));
    // Link 4 differs in one of its fractions; the first still being typed.
    const QStringList values = h.window->getParameterValues();
    for (const auto &[row, text] : {std::pair{3, "0.122, 0.2, 0.597, 0.082"}, {6, "0.416, 0.323, 0.5, 0.496"},
                                    {7, "0.25, 0.25, 0.25, 0.26"}}) {
        row == 3 ? h.typeIntoCell(row, text) : h.setValue(row, text);
        h.click("testInitButton");
        QVERIFY2(label->text() == QStringLiteral("Test Failed"), text);
        h.setValue(row, values[row]);
    }
    // Rows that take no part may differ.
    for (const auto &[row, text] : {std::pair{1, "0.005"}, {10, "1.0, 2.0"}})
        h.setValue(row, text);
    h.click("testInitButton");
    QCOMPARE(label->text(), QStringLiteral("Test Passed"));
    QCOMPARE(h.status(), QStringLiteral("-----"));
}

void TestUnitTests::computeAllRunsFourTestsUntilCancel()
{
    Harness h;
    h.copyReferenceTables();
    h.get<QCheckBox>("outputToDiskCheckBox")->setChecked(true);
    const QStringList before = labelTexts(h);
    bool cancel = true;
    const EveryRound watch([&] {
        if (cancel && h.status() == QLatin1String("Running ComputePose UT...") && h.progress() > 10)
            h.click("cancelButton");
    });
    h.click("computeAllButton");
    QCOMPARE(h.status(), QStringLiteral("Running ComputePose UT..."));
    QCOMPARE(labelTexts(h), before);
    QCOMPARE(QDir::current().entryList({"UT*.csv"}, QDir::Files), QStringList());

    // Uncancelled, the four row tests each pass and write their results;
    // the accelerations, last, are what the status line reports.
    cancel = false;
    h.click("computeAllButton");
    QCOMPARE(h.status(), QStringLiteral("Test Complete - Results saved to UTcomputeAccel.csv"));
    const QStringList after = labelTexts(h);
    for (int k = 0; k < 4; ++k)
        QVERIFY2(allPassed(after[k]), testLabels[k]);
    QCOMPARE(after.mid(4), before.mid(4));
    QCOMPARE(QDir::current().entryList({"UT*.csv"}, QDir::Files).size(), 4);
}

QTEST_MAIN(TestUnitTests)
#include "tst_unittests.moc"
