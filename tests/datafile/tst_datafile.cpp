// The data table: the format's odd lines, refused files, cells read as Qt reads
// them, interpolation, numbers written as Qt writes them, and writing exactly or
// failing without a partial file.
#include "asciidatafile.h"
#include "numbertext.h"
#include "testsupport.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdint>
#include <cstring>
#include <random>
#include <sys/resource.h>

typedef QVector<QVector<double>> Rows;

namespace {

QByteArray readAll(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(cannot read)");
}

void fill(AsciiDataFile &table, const Rows &rows)
{
    for (const QVector<double> &row : rows)
        table.appendRow(QVector<QVariant>(row.begin(), row.end()));
}

bool same(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

double fromBits(std::uint64_t bits)
{
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

class TestDataFile : public QObject
{
    Q_OBJECT

private slots:
    void load_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("file"); // another file than the one holding contents
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<QStringList>("rows"); // cells joined by '|'
        auto row = [](const char *name, const char *contents, bool loaded, QStringList header, QStringList rows,
                      const QString &file = QString()) {
            QTest::newRow(name) << QByteArray(contents) << file << loaded << header << rows;
        };
        row("header", "time,a,b\n0,1,2\n1,3,4\n", true, {"time", "a", "b"}, {"0|1|2", "1|3|4"});
        row("no header", "0.5,1\n1.5,2\n", true, {}, {"0.5|1", "1.5|2"});
        row("empty first line", "\n1,2\n", true, {""}, {"1|2"});
        row("later blank and word lines skipped", "t,x\n0,1\n\nnote,5\n1,2\n", true, {"t", "x"}, {"0|1", "1|2"});
        row("trailing delimiter", "0,1,\n", true, {}, {"0|1|"});
        row("spaces kept", " 2.5 ,7\n", true, {}, {" 2.5 |7"});
        row("CRLF", "t,x\r\n0,1\r\n", true, {"t", "x"}, {"0|1"});
        row("no final line feed", "0,1\n1,2", true, {}, {"0|1", "1|2"});
        row("rows of different widths", "0,1,2,3\n1\n2,5\n", true, {}, {"0|1|2|3", "1", "2|5"});
        // A line is data when QString::toDouble takes its first field.
        row("first fields Qt reads", "+1,2\n1e,3\ninf,4\n0x10,5\n-.5,6\n1e400,7\n", true, {}, {"+1|2", "inf|4", "-.5|6"});
        row("header only", "t,x\nword\n", false, {"t", "x"}, {});
        row("empty file", "", false, {}, {});
        // Only a regular file is read (a device would never end); a refused
        // file leaves the name of the last file read.
        row("missing file", "", false, {}, {}, QStringLiteral("no-such-file.csv"));
        row("folder", "", false, {}, {}, QDir::currentPath());
        row("device", "", false, {}, {}, QStringLiteral("/dev/null"));
    }

    // Each load replaces what the table held before.
    void load()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, file);
        QFETCH(bool, loaded);
        QFETCH(QStringList, header);
        QFETCH(QStringList, rows);
        const QString previous = testsupport::writeTextFile(QStringLiteral("previous.csv"), "p,q\n9,9,9\n");
        const QString written = testsupport::writeTextFile(QStringLiteral("load.csv"), contents);
        AsciiDataFile table;
        QVERIFY(table.loadFile(previous, ","));
        QCOMPARE(table.loadFile(file.isEmpty() ? written : file, ","), loaded);
        QCOMPARE(table.fileName(), file.isEmpty() ? written : previous);
        QCOMPARE(table.header(), header);
        QStringList actual;
        for (int r = 0; r < table.rowCount(); ++r) {
            QStringList cells;
            for (const QVariant &cell : table.getRow(r))
                cells << cell.toString();
            actual << cells.join(QLatin1Char('|'));
        }
        QCOMPARE(actual, rows);
    }

    void numbersReadAsQtReadsThem_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("plain") << QStringList{"0", "-0", "1.", ".5", "-.5", "00012", "1e5", "1E-5", "1.5e+05",
                                              "-2.5e-300", "9007199254740993", "0.1000000000000000055511151231257827"};
        QTest::newRow("limits") << QStringList{"5e-324", "2.2250738585072011e-308", "1.7976931348623157e308",
                                               "1e-400", "1e400", "123456789012345678901234567890"};
        QTest::newRow("left to Qt") << QStringList{"+1", " 2 ", "inf", "-inf", "nan", "infinity", "0x10", "1d"};
        QTest::newRow("not numbers") << QStringList{"1e", "1.2.3", "--1", "", "1e+", "e5", ".", "1-2", "+-1"};
        QTest::newRow("64 and 65 characters") << QStringList{"0." + QString(61, '0') + "1", "0." + QString(62, '0') + "1"};
    }

    // The table's own fast conversion never answers otherwise than
    // QVariant::toDouble, bit for bit; cells outside the row read as 0.
    void numbersReadAsQtReadsThem()
    {
        QFETCH(QStringList, texts);
        AsciiDataFile table;
        table.appendRow(QVector<QVariant>(texts.begin(), texts.end()));
        for (int c = 0; c < texts.size(); ++c)
            QVERIFY2(same(table.getValue(0, c), QVariant(texts.at(c)).toDouble()), qPrintable(texts.at(c)));
        for (const QPoint &outside : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, texts.size())})
            QCOMPARE(table.getValue(outside.x(), outside.y()), 0.0);
    }

    void interpolation_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<double>("time");
        QTest::addColumn<QVector<double>>("expected"); // empty: no result; NaN: any value
        auto row = [](const QString &name, const Rows &rows, double time, const QVector<double> &expected) {
            QTest::newRow(qPrintable(name)) << rows << time << expected;
        };
        const Rows three{{0, 10, 0}, {1, 20, -2}, {2, 40, 6}};
        const double nan = std::numeric_limits<double>::quiet_NaN();
        row("between rows", three, 0.5, {15, -1});
        row("at the first time", three, 0.0, {10, 0});
        row("at an inner sample", three, 1.0, {20, -2});
        row("at the last time", three, 2.0, {40, 6});
        row("in the last interval", three, 1.25, {25, 0});
        row("after the last time", three, 2.0001, {});
        row("before the first time", three, -1e-9, {});
        row("NaN time", three, nan, {});
        row("no rows", {}, 0.0, {});
        row("one row", {{1, 5}}, 1.0, {});
        row("last two rows at the time asked", {{0, 1}, {1, 2}, {1, 3}}, 1.0, {2});
        // As many entries as row 0 has after the time; missing cells read as 0.
        row("narrower row", {{0, 2, 4}, {1, 6}, {2, 1, 1, 1}}, 0.5, {4, 2});
        row("wider row", {{0, 2, 4}, {1, 6}, {2, 1, 1, 1}}, 2.0, {1, 1});
        row("NaN time cells end the search", {{0, 1}, {nan, 1}, {nan, 1}, {3, 1}}, 2.0, {nan});
        // Rows of t, t^2: the bisection has to find the right interval.
        Rows squares;
        for (int t = 0; t <= 10; ++t)
            squares << QVector<double>{double(t), double(t * t)};
        for (double t : {0.25, 3.0, 5.5, 6.75, 9.5, 10.0}) {
            const double a = std::floor(t);
            row(QStringLiteral("squares at %1").arg(t), squares, t, {a * a + (t - a) * (2 * a + 1)});
        }
    }

    void interpolation()
    {
        QFETCH(Rows, rows);
        QFETCH(double, time);
        QFETCH(QVector<double>, expected);
        AsciiDataFile table;
        fill(table, rows);
        const Eigen::VectorXd row = table.getInterpolatedRow(time);
        QCOMPARE(int(row.size()), expected.size());
        for (int k = 0; k < expected.size(); ++k) {
            if (!std::isnan(expected.at(k)))
                QCOMPARE(row(k), expected.at(k));
        }
    }

    // Families of doubles where the choice of digits, notation and exponent
    // width changes.
    void numberTextIsQtsText_data()
    {
        QTest::addColumn<QVector<double>>("values");
        std::mt19937_64 random(20240611);
        const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
        QVector<double> v{0.0, -0.0, inf, -inf, nan, -nan, 0.01, 712.0, 1e-5, 0.0001, 1e6, 1234567.0, 100000.0,
                          123456789012345680.0, -9.655355995330437e-08, 1e-4 * (1 - 1e-16), 1e21, 1e22};
        QTest::newRow("zeros, non-finite and where the notation changes") << v;
        v.clear();
        // Every exponent and sign, NaNs with payloads included.
        for (int k = 0; k < 300000; ++k)
            v << fromBits(random());
        QTest::newRow("random bit patterns") << v;
        v.clear();
        // 1 to 17 significant digits at every decimal exponent.
        for (int exponent = -330; exponent <= 310; ++exponent) {
            for (int digits = 1; digits <= 17; ++digits) {
                QByteArray text = QByteArray::number(1 + int(random() % 9));
                for (int d = 1; d < digits; ++d)
                    text += char('0' + random() % 10);
                const double value = (text + 'e' + QByteArray::number(exponent - digits + 1)).toDouble();
                v << value << -value;
            }
        }
        QTest::newRow("short decimals at every exponent") << v;
        v.clear();
        // Subnormals, powers of two, and the neighbours of the largest, the
        // smallest normal and one.
        for (int k = 0; k < 20000; ++k)
            v << fromBits(random() & 0x800FFFFFFFFFFFFFull);
        for (int e = -1074; e <= 1023; ++e)
            v << std::ldexp(1.0, e) << -std::ldexp(1.0, e);
        for (double s : {std::numeric_limits<double>::max(), std::numeric_limits<double>::min(), 1.0}) {
            for (int k = 0; k < 100; ++k, s = std::nextafter(s, 0.0))
                v << s << -s << std::nextafter(s, inf);
        }
        QTest::newRow("subnormals, powers of two and limits") << v;
        v.clear();
        // Every number of the reference data: recording, unit-test tables, a run.
        QDirIterator files(testsupport::dataPath(QStringLiteral("reference")), {QStringLiteral("*.csv")},
                           QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
            for (const QByteArray &cell : file.readAll().replace('\n', ',').split(',')) {
                bool ok = false;
                const double value = cell.toDouble(&ok);
                if (ok)
                    v << value;
            }
        }
        QVERIFY(v.size() > 1000000);
        QTest::newRow("reference files") << v;
    }

    // The tables' own double-to-text conversion gives exactly the bytes of
    // QVariant(double).toString().
    void numberTextIsQtsText()
    {
        QFETCH(QVector<double>, values);
        for (double value : values) {
            char buffer[numbertext::maxLength];
            QCOMPARE(QByteArray(buffer, numbertext::formatDouble(value, buffer)), QVariant(value).toString().toLatin1());
        }
    }

    void write_data()
    {
        QTest::addColumn<QByteArray>("source"); // loaded first unless empty
        QTest::addColumn<Rows>("appended");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("numbers") << QByteArray() << Rows{{0.01, 2.5}, {}, {712, -3, 1e-7}}
                                 << QByteArray("0.01,2.5\n712,-3,1e-07\n");
        QTest::newRow("header and text kept") << QByteArray("t, x ,y\n 0 ,abc,\n1,2,3.50\n") << Rows{{2, 0.1, 0.2}}
                                              << QByteArray("t, x ,y\n 0 ,abc,\n1,2,3.50\n2,0.1,0.2\n");
        QTest::newRow("empty first line") << QByteArray("\n1,2\n") << Rows() << QByteArray("\n1,2\n");
        QTest::newRow("negative zero") << QByteArray() << Rows{{-0.0}} << QByteArray("0\n");
    }

    // The file's previous contents are replaced; text cells go out as they came in.
    void write()
    {
        QFETCH(QByteArray, source);
        QFETCH(Rows, appended);
        QFETCH(QByteArray, written);
        AsciiDataFile table;
        if (!source.isEmpty())
            QVERIFY(table.loadFile(testsupport::writeTextFile(QStringLiteral("source.csv"), source), ","));
        fill(table, appended);
        const QString out = testsupport::writeTextFile(QStringLiteral("out.csv"), QByteArray(200, 'x'));
        QString error = QStringLiteral("untouched");
        QVERIFY(table.writeFile(out, &error));
        QCOMPARE(error, QStringLiteral("untouched"));
        QCOMPARE(readAll(out), written);
    }

    // Doubles over the whole range read back to the same bits, through more
    // than one of the blocks the text is written in.
    void writeRoundTripIsExact()
    {
        QRandomGenerator random(20240611);
        Rows rows{{0.1 + 0.2, 1.0 / 3.0, 5e-324, 1.7976931348623157e308, -2.5e-300}};
        for (int r = 0; r < 500; ++r) {
            rows << QVector<double>{r * 0.01};
            for (int c = 0; c < 12; ++c)
                rows.last() << std::ldexp(random.generateDouble() * 2.0 - 1.0, random.bounded(-1021, 1024));
        }
        AsciiDataFile table, back;
        fill(table, rows);
        QVERIFY(table.writeFile(QStringLiteral("roundtrip.csv")));
        QVERIFY(back.loadFile(QStringLiteral("roundtrip.csv"), ","));
        QCOMPARE(back.rowCount(), rows.size());
        for (int r = 0; r < rows.size(); ++r) {
            QCOMPARE(back.getRow(r).size(), rows.at(r).size());
            for (int c = 0; c < rows.at(r).size(); ++c)
                QVERIFY2(same(back.getValue(r, c), rows.at(r).at(c)), qPrintable(back.getString(r, c)));
        }
    }

    void writeFailure_data()
    {
        QTest::addColumn<QString>("target"); // in a fresh folder holding old.csv
        QTest::addColumn<int>("sizeLimit"); // bytes a file may grow to, 0: no limit
        QTest::newRow("missing folder") << QStringLiteral("no-such-folder/out.csv") << 0;
        QTest::newRow("a folder") << QStringLiteral(".") << 0;
        QTest::newRow("no name") << QString() << 0;
        QTest::newRow("disk full while writing") << QStringLiteral("old.csv") << 4096;
    }

    // A failed write answers false with its reason and leaves the folder as it
    // was: an existing file keeps its contents, no temporary file stays behind.
    void writeFailure()
    {
        QFETCH(QString, target);
        QFETCH(int, sizeLimit);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        testsupport::writeTextFile(dir.filePath(QStringLiteral("old.csv")), "old\n");
        AsciiDataFile table;
        for (int r = 0; r < 5000; ++r)
            fill(table, {{r * 0.01, 1.0 / 3.0, -2.0 / 3.0}});
        const QString path = target.isEmpty() ? QString() : dir.filePath(target);

        // Past the limit a file does not grow: the write fails (EFBIG).
        rlimit unlimited{};
        getrlimit(RLIMIT_FSIZE, &unlimited);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limited{rlim_t(sizeLimit), unlimited.rlim_max};
        if (sizeLimit > 0)
            setrlimit(RLIMIT_FSIZE, &limited);
        QString error;
        const bool written = table.writeFile(path, &error);
        const bool writtenWithoutMessage = table.writeFile(path);
        setrlimit(RLIMIT_FSIZE, &unlimited);
        std::signal(SIGXFSZ, previousHandler);

        QVERIFY(!written && !writtenWithoutMessage);
        QVERIFY2(!error.isEmpty() && error != QLatin1String("Unknown error"), qPrintable(error));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"old.csv"});
        QCOMPARE(readAll(dir.filePath(QStringLiteral("old.csv"))), QByteArray("old\n"));
    }
};

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_datafile.moc"
