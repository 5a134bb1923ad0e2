// The tables' own double-to-text conversion must give exactly the bytes that
// QVariant(double).toString() gives, over the whole range of doubles.
#include "numbertext.h"
#include "testsupport.h"

#include <QDirIterator>
#include <QFile>
#include <QVariant>
#include <QtTest>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

namespace {

QByteArray formatted(double value)
{
    char buffer[numbertext::maxLength];
    return QByteArray(buffer, numbertext::formatDouble(value, buffer));
}

double fromBits(std::uint64_t bits)
{
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Compares every value; reports the first few that differ.
class Comparison
{
public:
    void check(double value)
    {
        ++m_checked;
        const QByteArray expected = QVariant(value).toString().toLatin1();
        const QByteArray actual = formatted(value);
        if (actual != expected && m_failures.size() < 10)
            m_failures << QStringLiteral("%1: \"%2\" instead of \"%3\"")
                              .arg(value, 0, 'g', 17)
                              .arg(QString::fromLatin1(actual), QString::fromLatin1(expected));
    }
    bool ok() const { return m_failures.isEmpty(); }
    QString report() const { return m_failures.join(QStringLiteral("\n")); }
    qint64 checked() const { return m_checked; }

private:
    QStringList m_failures;
    qint64 m_checked = 0;
};

} // namespace

class TestNumberText : public QObject
{
    Q_OBJECT

private slots:
    void knownTexts_data();
    void knownTexts();
    void randomBitPatterns();
    void shortDecimalsAtEveryExponent();
    void integers();
    void subnormalsAndLimits();
    void referenceFileValues();
};

void TestNumberText::knownTexts_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("text");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("zero") << 0.0 << QByteArray("0");
    QTest::newRow("negative zero") << -0.0 << QByteArray("0");
    QTest::newRow("timestep") << 0.01 << QByteArray("0.01");
    QTest::newRow("gain") << 712.0 << QByteArray("712");
    QTest::newRow("small") << 1e-5 << QByteArray("1e-05");
    QTest::newRow("just plain") << 0.0001 << QByteArray("0.0001");
    QTest::newRow("million") << 1e6 << QByteArray("1e+06");
    QTest::newRow("seven digits") << 1234567.0 << QByteArray("1234567");
    QTest::newRow("long integer") << 123456789012345680.0 << QByteArray("123456789012345680");
    QTest::newRow("negative") << -9.655355995330437e-08 << QByteArray("-9.655355995330437e-08");
    QTest::newRow("largest") << std::numeric_limits<double>::max()
                             << QByteArray("1.7976931348623157e+308");
    QTest::newRow("smallest") << -std::numeric_limits<double>::denorm_min() << QByteArray("-5e-324");
    QTest::newRow("inf") << inf << QByteArray("inf");
    QTest::newRow("minus inf") << -inf << QByteArray("-inf");
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << QByteArray("nan");
    QTest::newRow("negative nan") << -std::numeric_limits<double>::quiet_NaN() << QByteArray("nan");
}

void TestNumberText::knownTexts()
{
    QFETCH(double, value);
    QFETCH(QByteArray, text);
    QCOMPARE(formatted(value), text);
    QCOMPARE(formatted(value), QVariant(value).toString().toLatin1());
}

void TestNumberText::randomBitPatterns()
{
    // Every exponent, every sign, NaNs with payloads included.
    std::mt19937_64 random(20240611);
    Comparison comparison;
    for (int k = 0; k < 3000000; ++k)
        comparison.check(fromBits(random()));
    QVERIFY2(comparison.ok(), qPrintable(comparison.report()));
}

void TestNumberText::shortDecimalsAtEveryExponent()
{
    // Numbers of 1 to 17 significant digits at every decimal exponent: the
    // choice between plain and exponent notation depends on both.
    std::mt19937_64 random(5);
    Comparison comparison;
    for (int exponent = -330; exponent <= 310; ++exponent) {
        for (int digits = 1; digits <= 17; ++digits) {
            for (int k = 0; k < 8; ++k) {
                QByteArray text = QByteArray::number(1 + int(random() % 9));
                for (int d = 1; d < digits; ++d)
                    text += char('0' + random() % 10);
                text += 'e' + QByteArray::number(exponent - digits + 1);
                const double value = text.toDouble();
                comparison.check(value);
                comparison.check(-value);
            }
        }
    }
    QVERIFY2(comparison.ok(), qPrintable(comparison.report()));
}

void TestNumberText::integers()
{
    Comparison comparison;
    for (int n = -100000; n <= 100000; ++n)
        comparison.check(double(n));
    std::mt19937_64 random(11);
    for (int k = 0; k < 200000; ++k)
        comparison.check(double(std::int64_t(random())));
    for (int power = 0; power <= 22; ++power) {
        const double p = std::pow(10.0, power);
        for (double v : {p, p - 1, p + 1, 2 * p, 12 * p, 123456 * p})
            comparison.check(v);
    }
    QVERIFY2(comparison.ok(), qPrintable(comparison.report()));
}

void TestNumberText::subnormalsAndLimits()
{
    std::mt19937_64 random(3);
    Comparison comparison;
    // Subnormals: exponent field zero, any mantissa and sign.
    for (int k = 0; k < 200000; ++k)
        comparison.check(fromBits(random() & 0x800FFFFFFFFFFFFFull));
    // Neighbours of the largest, the smallest normal and powers of two.
    const double specials[] = {std::numeric_limits<double>::max(),
                               std::numeric_limits<double>::min(),
                               std::numeric_limits<double>::denorm_min(), 1.0};
    for (double s : specials) {
        double up = s, down = s;
        for (int k = 0; k < 1000; ++k) {
            comparison.check(up);
            comparison.check(-down);
            up = std::nextafter(up, std::numeric_limits<double>::infinity());
            down = std::nextafter(down, 0.0);
        }
    }
    for (int e = -1074; e <= 1023; ++e)
        comparison.check(std::ldexp(1.0, e));
    QVERIFY2(comparison.ok(), qPrintable(comparison.report()));
}

void TestNumberText::referenceFileValues()
{
    // Every number of the reference data: recording, unit-test tables and the
    // results of a whole run.
    Comparison comparison;
    QDirIterator files(testsupport::dataPath(QStringLiteral("reference")),
                       QStringList{QStringLiteral("*.csv")}, QDir::Files,
                       QDirIterator::Subdirectories);
    int fileCount = 0;
    while (files.hasNext()) {
        QFile file(files.next());
        QVERIFY(file.open(QIODevice::ReadOnly));
        ++fileCount;
        while (!file.atEnd()) {
            for (const QByteArray &cell : file.readLine().trimmed().split(',')) {
                bool ok = false;
                const double value = cell.toDouble(&ok);
                if (ok)
                    comparison.check(value);
            }
        }
    }
    QVERIFY(fileCount >= 11);
    QVERIFY(comparison.checked() > 1000000);
    QVERIFY2(comparison.ok(), qPrintable(comparison.report()));
}

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
