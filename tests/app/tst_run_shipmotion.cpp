// How a run reads its ship-motion recording: the step count, the checks made
// before the first step, and the ship vectors of a step.
#include "asciidatafile.h"
#include "shipmotion.h"
#include "testsupport.h"

#include <QtTest>

#include <cmath>
#include <random>

namespace {

// A recording line: the time, then cell c = c + offset for columns 1 ... width-1.
QByteArray line(double time, int width, double offset = 0.0)
{
    QByteArray text = QByteArray::number(time, 'g', 17);
    for (int c = 1; c < width; ++c)
        text += ',' + QByteArray::number(c + offset, 'g', 17);
    return text + '\n';
}

AsciiDataFile *load(const QByteArray &contents)
{
    static int counter = 0;
    const QString path =
        testsupport::writeTextFile(QStringLiteral("recording%1.csv").arg(++counter), contents);
    auto *table = new AsciiDataFile;
    table->loadFile(path, QStringLiteral(","));
    return table;
}

} // namespace

class TestRunShipMotion : public QObject
{
    Q_OBJECT

private slots:
    void stepCountAtTheDefaultTimestepIsOneHundredTimesTheLastTime();
    void stepCountFollowsTheTimestep_data();
    void stepCountFollowsTheTimestep();
    void everyStepLiesInsideTheRecording();

    void checkRecording_data();
    void checkRecording();

    void columnsGoToTheirShipVectors();
    void rampInScalesTheFirstThreeSeconds();
    void noVectorsOutsideTheRecording();
};

void TestRunShipMotion::stepCountAtTheDefaultTimestepIsOneHundredTimesTheLastTime()
{
    // Every last time of whole milliseconds up to 2000 s gives the count of
    // the plain product 100.0 * T, also where that lies just below a whole
    // number (1.15 s: 114 steps) and T / 0.01 would round differently.
    for (qint64 ms = 0; ms <= 2000000; ++ms) {
        const double lastTime = double(ms) / 1000.0;
        const qint64 n = shipmotion::stepCount(lastTime, 0.01);
        if (n != qint64(std::floor(100.0 * lastTime)))
            QFAIL(qPrintable(QStringLiteral("T = %1 s gives %2 steps").arg(lastTime, 0, 'g', 17).arg(n)));
    }
    QCOMPARE(shipmotion::stepCount(1.15, 0.01), qint64(114));
    QCOMPARE(shipmotion::stepCount(0.47, 0.01), qint64(47));
}

void TestRunShipMotion::stepCountFollowsTheTimestep_data()
{
    QTest::addColumn<double>("lastTime");
    QTest::addColumn<double>("dt");
    QTest::addColumn<qint64>("steps");
    QTest::newRow("sample, 0.01") << 120.0 << 0.01 << qint64(12000);
    QTest::newRow("sample, 0.005") << 120.0 << 0.005 << qint64(24000);
    QTest::newRow("sample, 0.02") << 120.0 << 0.02 << qint64(6000);
    QTest::newRow("sample, 0.001") << 120.0 << 0.001 << qint64(120000);
    QTest::newRow("sample, 0.0001") << 120.0 << 0.0001 << qint64(1200000);
    QTest::newRow("between steps") << 1.234 << 0.1 << qint64(12);
    QTest::newRow("sixty seconds") << 60.0 << 0.01 << qint64(6000);
    QTest::newRow("zero time") << 0.0 << 0.01 << qint64(0);
    QTest::newRow("negative time") << -5.0 << 0.01 << qint64(0);
    QTest::newRow("zero timestep") << 120.0 << 0.0 << qint64(0);
    QTest::newRow("nan time") << std::nan("") << 0.01 << qint64(0);
    QTest::newRow("huge") << 1e300 << 0.01 << std::numeric_limits<qint64>::max();
}

void TestRunShipMotion::stepCountFollowsTheTimestep()
{
    QFETCH(double, lastTime);
    QFETCH(double, dt);
    QFETCH(qint64, steps);
    QCOMPARE(shipmotion::stepCount(lastTime, dt), steps);
}

void TestRunShipMotion::everyStepLiesInsideTheRecording()
{
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> times(0.05, 5000.0);
    std::uniform_real_distribution<double> steps(0.0001, 1.0);
    for (int k = 0; k < 200000; ++k) {
        const double lastTime = times(random);
        const double dt = steps(random);
        const qint64 n = shipmotion::stepCount(lastTime, dt);
        QVERIFY(n >= 0);
        if (n >= 4)
            QVERIFY(double(n - 3) * dt <= lastTime);
        // Never more than one step short of the recording's end.
        QVERIFY(double(n + 1) * dt > lastTime);
    }
}

void TestRunShipMotion::checkRecording_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<qint64>("steps");
    QTest::addColumn<QString>("problem");

    // Empty, header-only, narrow, descending, late and short-row recordings
    // are refused through the window (tst_run); these are the limits of the
    // checks.
    const QByteArray header = "time,a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,p,q,r\n";
    QByteArray good = header;
    for (int r = 0; r <= 20; ++r)
        good += line(r * 0.05, 19);
    QTest::newRow("good") << good << qint64(100) << QString();

    QByteArray late = header + line(0.02, 19) + line(1.0, 19);
    QTest::newRow("late start, no step") << late << qint64(3) << QString();

    QByteArray shortRow = good;
    shortRow.replace(line(0.5, 19), line(0.5, 18));
    QTest::newRow("short row read")
        << shortRow << qint64(100) << QStringLiteral("data row 11 has 18 columns, 19 are needed.");
    // With 20 steps the run reads up to t = 0.17 s, rows 1 to 5 only.
    QTest::newRow("short row not read") << shortRow << qint64(20) << QString();

    QByteArray nanTime = header + line(0.0, 19) + "nan" + line(0.0, 19).mid(1) + line(1.0, 19);
    QTest::newRow("nan time") << nanTime << qint64(100)
                              << QStringLiteral("the time of data row 2 is not a number.");
}

void TestRunShipMotion::checkRecording()
{
    QFETCH(QByteArray, contents);
    QFETCH(qint64, steps);
    QFETCH(QString, problem);
    QScopedPointer<AsciiDataFile> table(load(contents));
    QCOMPARE(shipmotion::checkRecording(*table, steps, 0.01), problem);
}

void TestRunShipMotion::columnsGoToTheirShipVectors()
{
    // Cell c holds c, so every interpolated entry names its column.
    QScopedPointer<AsciiDataFile> table(load(line(0.0, 22) + line(10.0, 22)));
    shipmotion::ShipVectors ship;
    QVERIFY(shipmotion::shipVectorsAt(*table, 5.0, &ship));
    Eigen::VectorXd angles(6), rates(6), accel(6);
    angles << 4, 5, 6, 0, 0, 0;
    rates << 10, 11, 12, 0, 0, 0;
    accel << 16, 17, 18, 13, 14, 15;
    QCOMPARE(ship.angles, angles);
    QCOMPARE(ship.rates, rates);
    QCOMPARE(ship.accel, accel);
    QVERIFY(ship.allFinite());
    ship.rates(1) = std::nan("");
    QVERIFY(!ship.allFinite());
}

void TestRunShipMotion::rampInScalesTheFirstThreeSeconds()
{
    QScopedPointer<AsciiDataFile> table(load(line(0.0, 19) + line(10.0, 19)));
    shipmotion::ShipVectors ship;
    QVERIFY(shipmotion::shipVectorsAt(*table, 1.5, &ship));
    QCOMPARE(ship.angles(0), 2.0);
    QCOMPARE(ship.accel(5), 7.5);
    QVERIFY(shipmotion::shipVectorsAt(*table, 0.01, &ship));
    QCOMPARE(ship.rates(2), 12.0 * (0.01 / 3.0));
    QVERIFY(shipmotion::shipVectorsAt(*table, 3.0, &ship));
    QCOMPARE(ship.angles(0), 4.0);
    QVERIFY(shipmotion::shipVectorsAt(*table, 9.0, &ship));
    QCOMPARE(ship.accel(0), 16.0);
}

void TestRunShipMotion::noVectorsOutsideTheRecording()
{
    QScopedPointer<AsciiDataFile> table(load(line(0.0, 19) + line(10.0, 19)));
    shipmotion::ShipVectors ship;
    ship.angles(0) = 99.0;
    QVERIFY(!shipmotion::shipVectorsAt(*table, 10.01, &ship));
    QVERIFY(!shipmotion::shipVectorsAt(*table, -0.01, &ship));
    QCOMPARE(ship.angles(0), 99.0);

    QScopedPointer<AsciiDataFile> narrow(load(line(0.0, 12) + line(10.0, 12)));
    QVERIFY(!shipmotion::shipVectorsAt(*narrow, 1.0, &ship));
}

QTEST_GUILESS_MAIN(TestRunShipMotion)
#include "tst_run_shipmotion.moc"
