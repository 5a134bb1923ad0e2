#include "asciidatafile.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

const QString comma = QStringLiteral(",");

QByteArray readAll(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// A table of the given rows, appended as doubles.
void fill(AsciiDataFile& table, const QVector<QVector<double>>& rows)
{
    for (const QVector<double>& values : rows) {
        QVector<QVariant> row;
        for (double value : values)
            row.append(value);
        table.appendRow(row);
    }
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

class TestAsciiDataFile : public QObject
{
    Q_OBJECT

private slots:
    void load_data();
    void load();
    void loadMissingFileKeepsName();
    void loadReplacesTable();
    void loadWithoutDataRows();
    void access();
    void numbersReadAsQtReadsThem();
    void interpolation_data();
    void interpolation();
    void interpolationOutsideDefinedCases();
    void interpolationOnSampleRecording();
    void writeNumbers();
    void writeKeepsHeaderAndText();
    void writeRoundTripIsExact();
    void writeRecordingBackUnchanged();
    void writeFailureIsReported();
    void textLines();
};

// Each case: file bytes, expected header, expected rows as texts.
void TestAsciiDataFile::load_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QStringList>("header");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("header of three words")
        << QByteArray("time,a,b\n0,1,2\n1,3,4\n")
        << QStringList{"time", "a", "b"} << QStringList{"0|1|2", "1|3|4"};
    QTest::newRow("numeric first line")
        << QByteArray("0.5,1\n1.5,2\n") << QStringList() << QStringList{"0.5|1", "1.5|2"};
    QTest::newRow("empty first line")
        << QByteArray("\n1,2\n") << QStringList{""} << QStringList{"1|2"};
    QTest::newRow("blank and word lines skipped")
        << QByteArray("t,x\n0,1\n\nnote,5\nt,x\n1,2\n")
        << QStringList{"t", "x"} << QStringList{"0|1", "1|2"};
    QTest::newRow("trailing delimiter")
        << QByteArray("0,1,\n") << QStringList() << QStringList{"0|1|"};
    QTest::newRow("spaces around first number kept")
        << QByteArray(" 2.5 ,7\n") << QStringList() << QStringList{" 2.5 |7"};
    QTest::newRow("CRLF line ends")
        << QByteArray("t,x\r\n0,1\r\n1,2\r\n") << QStringList{"t", "x"} << QStringList{"0|1", "1|2"};
    QTest::newRow("last line without line feed")
        << QByteArray("0,1\n1,2") << QStringList() << QStringList{"0|1", "1|2"};
    QTest::newRow("rows of different widths")
        << QByteArray("0,1,2,3\n1\n2,5\n") << QStringList() << QStringList{"0|1|2|3", "1", "2|5"};
}

void TestAsciiDataFile::load()
{
    QFETCH(QByteArray, contents);
    QFETCH(QStringList, header);
    QFETCH(QStringList, rows);

    const QString fileName = testsupport::writeTextFile(QStringLiteral("load.csv"), contents);
    AsciiDataFile table;
    QVERIFY(table.loadFile(fileName, comma));
    QCOMPARE(table.fileName(), fileName);
    QCOMPARE(table.header(), header);
    QCOMPARE(table.rowCount(), rows.size());
    for (int r = 0; r < rows.size(); ++r) {
        QStringList cells;
        for (const QVariant& cell : table.getRow(r)) {
            // Loaded cells stay text until read.
            QCOMPARE(cell.userType(), int(QMetaType::QString));
            cells << cell.toString();
        }
        QCOMPARE(cells.join(QLatin1Char('|')), rows.at(r));
    }
}

void TestAsciiDataFile::loadMissingFileKeepsName()
{
    const QString fileName = testsupport::writeTextFile(QStringLiteral("present.csv"), "0,1\n");
    AsciiDataFile table;
    QVERIFY(table.loadFile(fileName, comma));
    QVERIFY(!table.loadFile(QStringLiteral("no-such-file.csv"), comma));
    QCOMPARE(table.rowCount(), 0);
    QVERIFY(table.header().isEmpty());
    QCOMPARE(table.fileName(), fileName);

    // clear() keeps the file name too.
    table.clear();
    QCOMPARE(table.fileName(), fileName);
}

void TestAsciiDataFile::loadReplacesTable()
{
    const QString first = testsupport::writeTextFile(QStringLiteral("first.csv"), "t,x\n0,1\n1,2\n");
    const QString second = testsupport::writeTextFile(QStringLiteral("second.csv"), "5,6\n");
    AsciiDataFile table;
    fill(table, {{9.0, 9.0}});
    QVERIFY(table.loadFile(first, comma));
    QCOMPARE(table.rowCount(), 2);
    QVERIFY(table.loadFile(second, comma));
    QCOMPARE(table.rowCount(), 1);
    QVERIFY(table.header().isEmpty());
    QCOMPARE(table.getValue(0, 1), 6.0);
}

void TestAsciiDataFile::loadWithoutDataRows()
{
    AsciiDataFile table;
    const QString headerOnly = testsupport::writeTextFile(QStringLiteral("header.csv"), "t,x\nword\n");
    QVERIFY(!table.loadFile(headerOnly, comma));
    QCOMPARE(table.header(), (QStringList{"t", "x"}));
    QCOMPARE(table.rowCount(), 0);

    // An empty file has no first line and therefore no header.
    const QString empty = testsupport::writeTextFile(QStringLiteral("empty.csv"), "");
    QVERIFY(!table.loadFile(empty, comma));
    QVERIFY(table.header().isEmpty());
    QCOMPARE(table.fileName(), empty);
}

void TestAsciiDataFile::access()
{
    const QString fileName =
        testsupport::writeTextFile(QStringLiteral("access.csv"), "t,x,y\n1,2.5,abc\n3,4\n");
    AsciiDataFile table;
    QVERIFY(table.loadFile(fileName, comma));

    QCOMPARE(table.getValue(0, 1), 2.5);
    QCOMPARE(table.getValue(-1, 0), 0.0);
    QCOMPARE(table.getValue(table.rowCount(), 0), 0.0);
    QCOMPARE(table.getValue(1, 2), 0.0);  // beyond this row's width
    QCOMPARE(table.getValue(0, -1), 0.0);
    QCOMPARE(table.getValue(0, 2), 0.0);  // text that is not a number

    QCOMPARE(table.getString(0, 2), QStringLiteral("abc"));
    QVERIFY(table.getString(1, 2).isNull());
    QVERIFY(table.getString(5, 0).isNull());

    const BaseDataPoint point = table.getDataPoint(1, 1);
    QCOMPARE(point.getTime(), 3.0);
    QCOMPARE(point.getValue(), 4.0);

    QCOMPARE(table.getFirstRow().size(), 3);
    QCOMPARE(table.getLastRow().size(), 2);
    QVERIFY(table.getRow(2).isEmpty());
    QVERIFY(table.getRow(-1).isEmpty());
    QCOMPARE(table.getFirstTime(), 1.0);
    QCOMPARE(table.getLastTime(), 3.0);
    QCOMPARE(table.getDuration(), 2.0);

    // getRow hands out a copy.
    QVector<QVariant> copy = table.getRow(0);
    copy[1] = 100.0;
    QCOMPARE(table.getValue(0, 1), 2.5);

    table.clear();
    QCOMPARE(table.rowCount(), 0);
    QVERIFY(table.header().isEmpty());
    QVERIFY(table.getFirstRow().isEmpty());
    QVERIFY(table.getLastRow().isEmpty());
    QCOMPARE(table.getDuration(), 0.0);
}

// Text cells read as QVariant::toDouble reads them, bit for bit, whatever
// the text: the table's own faster conversion must never give another answer.
void TestAsciiDataFile::numbersReadAsQtReadsThem()
{
    const QStringList texts{
        "0", "-0", "1.", ".5", "-.5", "00012", "1e5", "1E-5", "1.5e+05", "-2.5e-300",
        "5e-324", "2.2250738585072011e-308", "1.7976931348623157e308", "1e-400", "1e400",
        "0.1000000000000000055511151231257827", "123456789012345678901234567890",
        "9007199254740993", "+1", " 2 ", "inf", "-inf", "nan", "infinity", "1e", "1.2.3",
        "--1", "0x10", "1d", "", "1e+", "e5", "."};
    AsciiDataFile table;
    QVector<QVariant> row;
    for (const QString& text : texts)
        row.append(text);
    table.appendRow(row);
    for (int c = 0; c < texts.size(); ++c) {
        const double expected = QVariant(texts.at(c)).toDouble();
        const double actual = table.getValue(0, c);
        if (!sameBits(actual, expected) && !(std::isnan(actual) && std::isnan(expected)))
            QFAIL(qPrintable(QStringLiteral("\"%1\" reads as %2, Qt reads %3")
                                 .arg(texts.at(c)).arg(actual, 0, 'g', 17).arg(expected, 0, 'g', 17)));
    }

    // Every cell of a recording.
    const QString fileName = testsupport::dataPath(QStringLiteral("reference/fullrun/error.csv"));
    QVERIFY(table.loadFile(fileName, comma));
    for (int r = 0; r < table.rowCount(); r += 7) {
        for (int c = 0; c < table.getRow(r).size(); ++c)
            QVERIFY(sameBits(table.getValue(r, c), QVariant(table.getString(r, c)).toDouble()));
    }

    // The header check and data-line check agree with QString::toDouble too.
    const QString odd = testsupport::writeTextFile(
        QStringLiteral("odd.csv"), "+1,2\n1e,3\ninf,4\n0x10,5\n-.5,6\n1e400,7\n");
    QVERIFY(table.loadFile(odd, comma));
    QVERIFY(table.header().isEmpty());
    QStringList firstCells;
    for (int r = 0; r < table.rowCount(); ++r)
        firstCells << table.getString(r, 0);
    QStringList expectedCells;
    for (const QString& text : QStringList{"+1", "1e", "inf", "0x10", "-.5", "1e400"}) {
        bool ok = false;
        text.toDouble(&ok);
        if (ok)
            expectedCells << text;
    }
    QCOMPARE(firstCells, expectedCells);
}

void TestAsciiDataFile::interpolation_data()
{
    QTest::addColumn<double>("time");
    QTest::addColumn<QVector<double>>("expected"); // empty: no result

    QTest::newRow("between rows 0 and 1") << 0.5 << QVector<double>{15.0, -1.0};
    QTest::newRow("at the first time") << 0.0 << QVector<double>{10.0, 0.0};
    QTest::newRow("at an inner sample") << 1.0 << QVector<double>{20.0, -2.0};
    QTest::newRow("at the last time") << 2.0 << QVector<double>{40.0, 6.0};
    QTest::newRow("a quarter into the last interval") << 1.25 << QVector<double>{25.0, 0.0};
    QTest::newRow("above the last time") << 2.0001 << QVector<double>();
    QTest::newRow("below the first time") << -1e-9 << QVector<double>();
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << QVector<double>();
}

void TestAsciiDataFile::interpolation()
{
    QFETCH(double, time);
    QFETCH(QVector<double>, expected);

    AsciiDataFile table;
    fill(table, {{0.0, 10.0, 0.0}, {1.0, 20.0, -2.0}, {2.0, 40.0, 6.0}});
    const Eigen::VectorXd row = table.getInterpolatedRow(time);
    QCOMPARE(int(row.size()), expected.size());
    for (int k = 0; k < expected.size(); ++k)
        QCOMPARE(row(k), expected.at(k));
}

void TestAsciiDataFile::interpolationOutsideDefinedCases()
{
    AsciiDataFile table;
    QCOMPARE(table.getInterpolatedRow(0.0).size(), Eigen::Index(0));

    fill(table, {{1.0, 5.0}});
    QCOMPARE(table.getInterpolatedRow(1.0).size(), Eigen::Index(0));

    // Last two rows share the time asked for: the earlier of them answers.
    table.clear();
    fill(table, {{0.0, 1.0}, {1.0, 2.0}, {1.0, 3.0}});
    Eigen::VectorXd row = table.getInterpolatedRow(1.0);
    QCOMPARE(row.size(), Eigen::Index(1));
    QCOMPARE(row(0), 2.0);

    // A bracketing row narrower than row 0 reads its missing cells as 0.0;
    // cells beyond row 0's width are not part of the result.
    table.clear();
    fill(table, {{0.0, 2.0, 4.0}, {1.0, 6.0}, {2.0, 1.0, 1.0, 1.0}});
    row = table.getInterpolatedRow(0.5);
    QCOMPARE(row.size(), Eigen::Index(2));
    QCOMPARE(row(0), 4.0);
    QCOMPARE(row(1), 2.0);
    row = table.getInterpolatedRow(2.0);
    QCOMPARE(row.size(), Eigen::Index(2));
    QCOMPARE(row(1), 1.0);

    // A time column that is not a number everywhere still ends the search.
    table.clear();
    table.appendRow({0.0, 1.0});
    table.appendRow({QStringLiteral("nan"), 1.0});
    table.appendRow({QStringLiteral("x"), 1.0});
    table.appendRow({3.0, 1.0});
    QCOMPARE(table.getInterpolatedRow(2.0).size(), Eigen::Index(1));
}

void TestAsciiDataFile::interpolationOnSampleRecording()
{
    AsciiDataFile ship;
    QVERIFY(ship.loadFile(testsupport::dataPath(QStringLiteral("reference/ship-motion-sample.csv")),
                          comma));
    QCOMPARE(ship.header().size(), 19);
    QCOMPARE(ship.rowCount(), 2401);

    // 20 Hz: 7.337 s lies between rows 146 (7.30 s) and 147 (7.35 s).
    const double time = 7.337;
    const int a = 146;
    QCOMPARE(ship.getTime(a), 7.3);
    QCOMPARE(ship.getTime(a + 1), 7.35);
    const double f = (time - ship.getTime(a)) / (ship.getTime(a + 1) - ship.getTime(a));

    const Eigen::VectorXd row = ship.getInterpolatedRow(time);
    QCOMPARE(row.size(), Eigen::Index(18));
    for (int k = 0; k < 18; ++k) {
        const double va = ship.getValue(a, k + 1);
        const double vb = ship.getValue(a + 1, k + 1);
        QCOMPARE(row(k), va + f * (vb - va));
        QVERIFY(row(k) >= std::min(va, vb) && row(k) <= std::max(va, vb));
    }

    // Every sample time answers with its own row.
    for (int r = 0; r < ship.rowCount(); r += 97) {
        const Eigen::VectorXd exact = ship.getInterpolatedRow(ship.getTime(r));
        QCOMPARE(exact.size(), Eigen::Index(18));
        for (int k = 0; k < 18; ++k)
            QCOMPARE(exact(k), ship.getValue(r, k + 1));
    }
    QCOMPARE(ship.getInterpolatedRow(ship.getLastTime())(0), ship.getValue(2400, 1));
}

void TestAsciiDataFile::writeNumbers()
{
    AsciiDataFile table;
    fill(table, {{0.01, 2.5}, {712.0, -3.0, 1e-7}});
    table.appendRow(QVector<QVariant>()); // writes nothing, not even a line end
    QString error = QStringLiteral("unchanged");
    QVERIFY(table.writeFile(QStringLiteral("numbers.csv"), &error));
    QCOMPARE(error, QStringLiteral("unchanged"));
    QCOMPARE(readAll(QStringLiteral("numbers.csv")), QByteArray("0.01,2.5\n712,-3,1e-07\n"));

    // Writing replaces an existing file's contents and leaves the table as it was.
    AsciiDataFile shorter;
    fill(shorter, {{1.0}});
    QVERIFY(shorter.writeFile(QStringLiteral("numbers.csv")));
    QCOMPARE(readAll(QStringLiteral("numbers.csv")), QByteArray("1\n"));
    QCOMPARE(shorter.rowCount(), 1);
}

void TestAsciiDataFile::writeKeepsHeaderAndText()
{
    const QByteArray contents("t, x ,y\n 0 ,abc,\n1,2,3.50\n");
    const QString source = testsupport::writeTextFile(QStringLiteral("text.csv"), contents);
    AsciiDataFile table;
    QVERIFY(table.loadFile(source, comma));
    table.appendRow({2.0, 0.1, 0.2});
    QVERIFY(table.writeFile(QStringLiteral("text-out.csv")));
    QCOMPARE(readAll(QStringLiteral("text-out.csv")), contents + "2,0.1,0.2\n");

    // An empty first line is a header of one empty field and comes back as an empty line.
    const QString blankFirst = testsupport::writeTextFile(QStringLiteral("blank.csv"), "\n1,2\n");
    QVERIFY(table.loadFile(blankFirst, comma));
    QVERIFY(table.writeFile(QStringLiteral("blank-out.csv")));
    QCOMPARE(readAll(QStringLiteral("blank-out.csv")), QByteArray("\n1,2\n"));
}

void TestAsciiDataFile::writeRoundTripIsExact()
{
    QRandomGenerator random(20240611);
    AsciiDataFile table;
    QVector<QVector<double>> rows;
    for (int r = 0; r < 500; ++r) {
        QVector<double> row{r * 0.01};
        for (int c = 0; c < 12; ++c) {
            const double mantissa = random.generateDouble() * 2.0 - 1.0;
            row.append(std::ldexp(mantissa, random.bounded(-40, 40)));
        }
        rows.append(row);
    }
    rows.append({0.1 + 0.2, 1.0 / 3.0, 0.0, 5e-324, 1.7976931348623157e308, 712.0, -2.5e-300});
    fill(table, rows);
    QVERIFY(table.writeFile(QStringLiteral("roundtrip.csv")));

    AsciiDataFile back;
    QVERIFY(back.loadFile(QStringLiteral("roundtrip.csv"), comma));
    QVERIFY(back.header().isEmpty());
    QCOMPARE(back.rowCount(), rows.size());
    for (int r = 0; r < rows.size(); ++r) {
        QCOMPARE(back.getRow(r).size(), rows.at(r).size());
        for (int c = 0; c < rows.at(r).size(); ++c) {
            if (!sameBits(back.getValue(r, c), rows.at(r).at(c)))
                QFAIL(qPrintable(QStringLiteral("row %1 column %2: %3 read back as %4")
                                     .arg(r).arg(c)
                                     .arg(rows.at(r).at(c), 0, 'g', 17)
                                     .arg(back.getValue(r, c), 0, 'g', 17)));
        }
    }

    // The one value that loses its bits: a negative zero is written as "0".
    AsciiDataFile negativeZero;
    fill(negativeZero, {{-0.0}});
    QVERIFY(negativeZero.writeFile(QStringLiteral("zero.csv")));
    QCOMPARE(readAll(QStringLiteral("zero.csv")), QByteArray("0\n"));
}

void TestAsciiDataFile::writeRecordingBackUnchanged()
{
    // A 12000-row result file: loaded and written again, byte for byte.
    const QString source = testsupport::dataPath(QStringLiteral("reference/fullrun/accel.csv"));
    AsciiDataFile table;
    QVERIFY(table.loadFile(source, comma));
    QCOMPARE(table.rowCount(), 11997);
    QCOMPARE(table.getFirstRow().size(), 28);
    QVERIFY(table.writeFile(QStringLiteral("accel-copy.csv")));
    QVERIFY(readAll(QStringLiteral("accel-copy.csv")) == readAll(source));
}

void TestAsciiDataFile::writeFailureIsReported()
{
    AsciiDataFile table;
    fill(table, {{0.0, 1.0}});

    QString error;
    QVERIFY(!table.writeFile(QStringLiteral("no-such-folder/out.csv"), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(QStringLiteral("no-such-folder/out.csv")));

    QVERIFY(QDir().mkpath(QStringLiteral("a-folder")));
    error.clear();
    QVERIFY(!table.writeFile(QStringLiteral("a-folder"), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(QFileInfo(QStringLiteral("a-folder")).isDir());
    // No temporary file is left next to it.
    QCOMPARE(QDir().entryList(QStringList{"a-folder*"}, QDir::Files), QStringList());

    // Without a place for the message the answer alone tells.
    QVERIFY(!table.writeFile(QString()));
}

void TestAsciiDataFile::textLines()
{
    AsciiDataFile table;
    fill(table, {{0.5, 2.0}, {1.0, 0.25}});
    table.buildTextLines();
    const double values[] = {1.0 / 3.0, 2.0, 1234567.0};
    table.appendTextLine(values, 3);
    table.appendTextLine(nullptr, 2);
    QVERIFY(table.writeFile(QStringLiteral("lines.csv")));
    QCOMPARE(readAll(QStringLiteral("lines.csv")),
             QByteArray("0.5,2\n1,0.25\n0.5,2\n1,0.25\n0.333333,2,1.23457e+06"));
}

QTEST_GUILESS_MAIN(TestAsciiDataFile)
#include "tst_asciidatafile.moc"
