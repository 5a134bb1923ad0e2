// The unit-test comparison rule and the summary line, without the window.
#include "marvekdev.h"

#include <QtTest>

#include <limits>

using Eigen::VectorXd;

class TestUnitTestComparison : public QObject
{
    Q_OBJECT

private slots:
    void pairs_data();
    void pairs();
    void countsAccumulate();
    void summary_data();
    void summary();
};

namespace {

VectorXd vec(std::initializer_list<double> values)
{
    VectorXd v(static_cast<Eigen::Index>(values.size()));
    Eigen::Index i = 0;
    for (double x : values)
        v(i++) = x;
    return v;
}

const double notANumber = std::numeric_limits<double>::quiet_NaN();

} // namespace

void TestUnitTestComparison::pairs_data()
{
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<int>("passed");
    QTest::addColumn<int>("compared");

    QTest::newRow("both below 1e-6: skipped") << 5e-7 << -9e-7 << 0.0005 << 0 << 0;
    QTest::newRow("1e-6 against 0: compared") << 1e-6 << 0.0 << 0.0005 << 1 << 1;
    QTest::newRow("just below tolerance") << 1.0 << 1.0004 << 0.0005 << 1 << 1;
    QTest::newRow("difference equal to tolerance") << 0.0 << 0.0005 << 0.0005 << 0 << 1;
    QTest::newRow("above tolerance") << 2.0 << 2.001 << 0.0005 << 0 << 1;
    QTest::newRow("zero tolerance passes nothing") << 3.0 << 3.0 << 0.0 << 0 << 1;
    QTest::newRow("NaN against zero") << notANumber << 0.0 << 0.0005 << 0 << 1;
    QTest::newRow("NaN against NaN") << notANumber << notANumber << 0.0005 << 0 << 1;
    QTest::newRow("infinity against itself") << std::numeric_limits<double>::infinity()
                                             << std::numeric_limits<double>::infinity() << 0.0005
                                             << 0 << 1;
}

void TestUnitTestComparison::pairs()
{
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(double, tolerance);
    QFETCH(int, passed);
    QFETCH(int, compared);

    // The rule does not depend on which vector comes first.
    for (bool swapped : {false, true}) {
        int p = 0;
        int c = 0;
        MarvekDev::compareValues(vec({swapped ? b : a}), vec({swapped ? a : b}), tolerance, p, c);
        QCOMPARE(p, passed);
        QCOMPARE(c, compared);
    }
}

void TestUnitTestComparison::countsAccumulate()
{
    int passed = 4;
    int compared = 7;
    MarvekDev::compareValues(vec({0.0, 1.0, 2.0, 1e-7, notANumber}), vec({0.0, 1.0001, 2.1, 0.0, 1.0}),
                             0.0005, passed, compared);
    QCOMPARE(passed, 4 + 1);
    QCOMPARE(compared, 7 + 3);
}

void TestUnitTestComparison::summary_data()
{
    QTest::addColumn<int>("passed");
    QTest::addColumn<int>("compared");
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QString>("text");

    QTest::newRow("11 of 12 in 250 ms")
        << 11 << 12 << qint64(250) << QStringLiteral("Tests passed: 11 / 12 (91.6667 %) Time: 0.25 s");
    QTest::newRow("all passed")
        << 24000 << 24000 << qint64(1234)
        << QStringLiteral("Tests passed: 24000 / 24000 (100 %) Time: 1.234 s");
    QTest::newRow("none passed")
        << 0 << 5 << qint64(0) << QStringLiteral("Tests passed: 0 / 5 (0 %) Time: 0 s");
    QTest::newRow("long test, six significant digits")
        << 2 << 3 << qint64(1234567)
        << QStringLiteral("Tests passed: 2 / 3 (66.6667 %) Time: 1234.57 s");
    // Nothing guards 0 / 0: the quotient is printed as Qt prints a NaN.
    QTest::newRow("0 of 0")
        << 0 << 0 << qint64(15)
        << QStringLiteral("Tests passed: 0 / 0 (%1 %) Time: 0.015 s").arg(QString::number(notANumber));
}

void TestUnitTestComparison::summary()
{
    QFETCH(int, passed);
    QFETCH(int, compared);
    QFETCH(qint64, ms);
    QFETCH(QString, text);
    QCOMPARE(MarvekDev::testSummary(passed, compared, ms), text);
}

QTEST_GUILESS_MAIN(TestUnitTestComparison)
#include "tst_unittests_comparison.moc"
