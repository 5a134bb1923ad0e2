// The "Unit Tests" tab driven through the main window, in working folders that
// hold the independent reference tables: every row test agrees with them, the
// counts follow the comparison rule, results files are written only when asked
// for, the tables are read once, faulty data stops a test with a clear status
// text, and no test starts inside another operation.
#include "apptestsupport.h"
#include "marvekdev.h"
#include "testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <functional>
#include <memory>

namespace {

using apptest::child;
using apptest::readAll;

typedef QVector<QVector<double>> Table;

// A comma-separated file as numbers; a first line that does not start with a
// number is a header and left out.
Table readTable(const QString &path)
{
    Table rows;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return rows;
    bool first = true;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty())
            continue;
        const QStringList fields = line.split(QLatin1Char(','));
        bool ok = false;
        fields.first().toDouble(&ok);
        if (first && !ok) {
            first = false;
            continue;
        }
        first = false;
        QVector<double> row;
        for (const QString &field : fields)
            row.append(field.toDouble());
        rows.append(row);
    }
    return rows;
}

const QStringList referenceNames = {"matOutXXX92.csv", "matOutPos92.csv", "matOutError92.csv",
                                    "matOutControl92.csv", "matOutAccel92.csv"};

QString referencePath(const QString &name)
{
    return testsupport::dataPath(QStringLiteral("reference/reftables/") + name);
}

QString shipSamplePath()
{
    return testsupport::dataPath(QStringLiteral("reference/ship-motion-sample.csv"));
}

struct Summary
{
    bool valid = false;
    int passed = -1;
    int compared = -1;
    QString percent;
};

Summary parseSummary(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral(
        "^Tests passed: (\\d+) / (\\d+) \\(([^ ]+) %\\) Time: [0-9.e+-]+ s$"));
    Summary s;
    const QRegularExpressionMatch m = pattern.match(text);
    if (m.hasMatch()) {
        s.valid = true;
        s.passed = m.captured(1).toInt();
        s.compared = m.captured(2).toInt();
        s.percent = m.captured(3);
    }
    return s;
}

// One row test: its button, result label, results file, and where its
// computed values (after the time column of the results file) and the
// expected ones (columns of a reference table) lie.
struct RowTest
{
    const char *button;
    const char *label;
    const char *resultsFile;
    int firstRow;
    int width; // values per results row after the time
    struct Span
    {
        int resultColumn; // in the results file, 1 = first value after the time
        const char *table;
        int tableColumn; // counted from 0
        int count;
    };
    QVector<Span> spans;
};

const QVector<RowTest> &rowTests()
{
    static const QVector<RowTest> tests = {
        {"computePoseButton", "computePoseLabel", "UTcomputePose.csv", 0, 12,
         {{1, "matOutPos92.csv", 1, 12}}},
        {"computeErrorButton", "computeErrorLabel", "UTcomputeError.csv", 0, 24,
         {{1, "matOutError92.csv", 1, 24}}},
        {"computeControlButton", "computeControlLabel", "UTcomputeControl.csv", 0, 24,
         {{1, "matOutControl92.csv", 1, 12}}},
        {"computeAccelButton", "computeAccelLabel", "UTcomputeAccel.csv", 0, 27,
         {{1, "matOutAccel92.csv", 1, 27}}},
        {"interpolationButton", "interpolationLabel", "UTshipData.csv", 1, 18,
         {{1, "matOutXXX92.csv", 13, 6}, {7, "matOutXXX92.csv", 31, 6},
          {13, "matOutXXX92.csv", 37, 6}}},
        {"rk4Button", "simLabel", "UTcomputePose.csv", 0, 12, {{1, "matOutPos92.csv", 1, 12}}},
    };
    return tests;
}

const RowTest &rowTest(const char *button)
{
    for (const RowTest &t : rowTests())
        if (qstrcmp(t.button, button) == 0)
            return t;
    qFatal("unknown test %s", button);
}

// Calls a function at every round of event processing while an operation runs.
class DuringOperation : public QObject
{
public:
    explicit DuringOperation(std::function<void()> callback)
        : m_callback(std::move(callback))
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { m_callback(); });
        m_timer.start(0);
    }

private:
    std::function<void()> m_callback;
    QTimer m_timer;
};

} // namespace

class TestUnitTests : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void rowTestPassesEveryValue_data();
    void rowTestPassesEveryValue();
    void initComparesTableWithTestParameters();
    void computeAllRunsFourTestsInOrder();
    void computeAllStopsAfterCancel();

    void alteredReferenceValueFailsOnce();
    void toleranceThatIsNoNumberPassesNothing();
    void resultsOnlyWhenTicked();
    void poseAndRk4ShareTheirResultsFile();
    void tablesReadOncePerProgramRun();
    void missingTableFailsTheLoad();

    void shipDataThatIsNoFileFailsTheLoad_data();
    void shipDataThatIsNoFileFailsTheLoad();
    void shortReferenceTableFailsTheLoad();
    void unwritableResultsFileIsReported();
    void interpolationOutsideShipDataStops();
    void interpolationWithoutShipDataStops();
    void interpolationWithNarrowShipDataStops();
    void interpolationWithEmptyFieldDoesNothing();

    void noTestStartsInsideAnotherTest();
    void noTestStartsInsideARun();

    void examplesFolderPassesAtOnce();

private:
    // A fresh working folder for the current test holding the reference
    // tables (edited by `edit` when given), made the current directory.
    QString enterFolder(const std::function<void(const QString &)> &edit = {});
    // Clicks a button of the window, which runs its slot to its end.
    static void click(MarvekDev &w, const char *button);
    static QString text(MarvekDev &w, const char *label);
    // Expected summary counts of a row test that agreed everywhere, counted
    // from its results file and the reference tables.
    static void checkResultsAgainstReference(const RowTest &t, const QString &folder,
                                             int *compared);

    QString m_root;
};

void TestUnitTests::initTestCase()
{
    m_root = QDir::currentPath();
    for (const QString &name : referenceNames)
        QVERIFY2(QFile::exists(referencePath(name)), qPrintable(name));
}

void TestUnitTests::cleanup()
{
    QDir::setCurrent(m_root);
}

QString TestUnitTests::enterFolder(const std::function<void(const QString &)> &edit)
{
    QString name = QString::fromLatin1(QTest::currentTestFunction());
    if (QTest::currentDataTag())
        name += QLatin1Char('_') + QString::fromLatin1(QTest::currentDataTag());
    const QString folder = QDir(m_root).absoluteFilePath(name);
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    for (const QString &table : referenceNames)
        QFile::copy(referencePath(table), QDir(folder).absoluteFilePath(table));
    if (edit)
        edit(folder);
    QDir::setCurrent(folder);
    return folder;
}

void TestUnitTests::click(MarvekDev &w, const char *button)
{
    child<QPushButton>(&w, button)->click();
}

QString TestUnitTests::text(MarvekDev &w, const char *label)
{
    return child<QLabel>(&w, label)->text();
}

void TestUnitTests::checkResultsAgainstReference(const RowTest &t, const QString &folder,
                                                 int *compared)
{
    const Table results = readTable(QDir(folder).absoluteFilePath(t.resultsFile));
    const Table input = readTable(referencePath("matOutXXX92.csv"));
    QCOMPARE(results.size(), input.size() - t.firstRow);
    int count = 0;
    for (const RowTest::Span &span : t.spans) {
        const Table expected = readTable(referencePath(span.table));
        for (int i = 0; i < results.size(); ++i) {
            const int r = t.firstRow + i;
            QCOMPARE(results[i].size(), 1 + t.width);
            QCOMPARE(results[i][0], input[r][0]); // the row's time
            for (int k = 0; k < span.count; ++k) {
                const double a = results[i][span.resultColumn + k];
                const double b = expected[r][span.tableColumn + k];
                if (std::abs(a) < 1e-6 && std::abs(b) < 1e-6)
                    continue;
                ++count;
                if (!(std::abs(a - b) < 0.0005))
                    QFAIL(qPrintable(QStringLiteral("%1 row %2 value %3: %4 against %5")
                                         .arg(t.resultsFile)
                                         .arg(r)
                                         .arg(span.resultColumn + k)
                                         .arg(a)
                                         .arg(b)));
            }
        }
    }
    *compared = count;
}

// ---------------------------------------------------------------------------

void TestUnitTests::rowTestPassesEveryValue_data()
{
    QTest::addColumn<QString>("button");
    for (const RowTest &t : rowTests())
        QTest::newRow(t.button) << QString::fromLatin1(t.button);
}

void TestUnitTests::rowTestPassesEveryValue()
{
    QFETCH(QString, button);
    const RowTest &t = rowTest(qPrintable(button));
    const QString folder = enterFolder();

    MarvekDev w;
    child<QCheckBox>(&w, "outputToDiskCheckBox")->setChecked(true);
    child<QLineEdit>(&w, "shipFileDropLineEdit")->setText(shipSamplePath());
    click(w, t.button);

    QCOMPARE(child<QLabel>(&w, "statusLabel")->text(),
             QStringLiteral("Test Complete - Results saved to %1").arg(t.resultsFile));
    QCOMPARE(child<QProgressBar>(&w, "progressBar")->value(), 100);

    int expectedCompared = 0;
    checkResultsAgainstReference(t, folder, &expectedCompared);
    if (QTest::currentTestFailed())
        return;
    const Summary s = parseSummary(text(w, t.label));
    QVERIFY2(s.valid, qPrintable(text(w, t.label)));
    QVERIFY(expectedCompared > 1000);
    QCOMPARE(s.compared, expectedCompared);
    QCOMPARE(s.passed, expectedCompared);
    QCOMPARE(s.percent, QStringLiteral("100"));
}

void TestUnitTests::initComparesTableWithTestParameters()
{
    MarvekDev w;
    auto *table = child<QTableWidget>(&w, "paramTableWidget");
    click(w, "testInitButton");
    QCOMPARE(text(w, "initLabel"), QStringLiteral("Test Passed"));

    table->item(3, 1)->setText(QStringLiteral("0.122, 0.2, 0.597, 0.082"));
    click(w, "testInitButton");
    QCOMPARE(text(w, "initLabel"), QStringLiteral("Test Failed"));

    // Back to the default, with the rows that take no part changed.
    table->item(3, 1)->setText(QStringLiteral("0.122, 0.2, 0.597, 0.081"));
    table->item(1, 1)->setText(QStringLiteral("0.005"));
    table->item(10, 1)->setText(QStringLiteral("1.0, 2.0"));
    click(w, "testInitButton");
    QCOMPARE(text(w, "initLabel"), QStringLiteral("Test Passed"));
    // It needs no reference data and shows no status.
    QCOMPARE(child<QLabel>(&w, "statusLabel")->text(), QStringLiteral("-----"));
}

void TestUnitTests::computeAllRunsFourTestsInOrder()
{
    enterFolder();
    MarvekDev w;
    auto *status = child<QLabel>(&w, "statusLabel");
    QStringList seen;
    DuringOperation watch([&] {
        if (seen.isEmpty() || seen.last() != status->text())
            seen << status->text();
    });
    const QString simBefore = text(w, "simLabel");
    const QString interpolationBefore = text(w, "interpolationLabel");
    click(w, "computeAllButton");

    const QStringList running = {"Running ComputePose UT...", "Running ComputeError UT...",
                                 "Running ComputeControl UT...", "Running ComputeAccel UT..."};
    int at = -1;
    for (const QString &r : running) {
        const int next = seen.indexOf(r, at + 1);
        QVERIFY2(next > at, qPrintable(seen.join(QStringLiteral(" | "))));
        at = next;
    }
    for (const char *label :
         {"computePoseLabel", "computeErrorLabel", "computeControlLabel", "computeAccelLabel"}) {
        const Summary s = parseSummary(text(w, label));
        QVERIFY2(s.valid && s.passed == s.compared && s.compared > 0, label);
    }
    QCOMPARE(text(w, "simLabel"), simBefore);
    QCOMPARE(text(w, "interpolationLabel"), interpolationBefore);
    QCOMPARE(status->text(), QStringLiteral("Test Complete"));
}

void TestUnitTests::computeAllStopsAfterCancel()
{
    const QString folder = enterFolder();
    MarvekDev w;
    child<QCheckBox>(&w, "outputToDiskCheckBox")->setChecked(true);
    auto *status = child<QLabel>(&w, "statusLabel");
    auto *bar = child<QProgressBar>(&w, "progressBar");
    const QStringList labels = {"computePoseLabel", "computeErrorLabel", "computeControlLabel",
                                "computeAccelLabel"};
    QStringList before;
    for (const QString &l : labels)
        before << text(w, qPrintable(l));

    QStringList seen;
    DuringOperation cancelInPose([&] {
        if (seen.isEmpty() || seen.last() != status->text())
            seen << status->text();
        if (status->text() == QLatin1String("Running ComputePose UT...") && bar->value() > 10)
            click(w, "cancelButton");
    });
    click(w, "computeAllButton");

    QCOMPARE(status->text(), QStringLiteral("Running ComputePose UT..."));
    QVERIFY(!seen.contains(QStringLiteral("Running ComputeError UT...")));
    for (int i = 0; i < labels.size(); ++i)
        QCOMPARE(text(w, qPrintable(labels[i])), before[i]);
    QVERIFY(!QFile::exists(QDir(folder).absoluteFilePath("UTcomputePose.csv")));
}

// ---------------------------------------------------------------------------

void TestUnitTests::alteredReferenceValueFailsOnce()
{
    // One expected position moved by 0.001, well above the tolerance.
    enterFolder([](const QString &folder) {
        const QString path = QDir(folder).absoluteFilePath("matOutPos92.csv");
        QStringList lines = QString::fromUtf8(readAll(path)).split(QLatin1Char('\n'));
        QStringList fields = lines[1 + 700].split(QLatin1Char(','));
        fields[12] = QString::number(fields[12].toDouble() + 0.001, 'g', 17);
        lines[1 + 700] = fields.join(QLatin1Char(','));
        testsupport::writeTextFile(path, lines.join(QLatin1Char('\n')).toUtf8());
    });
    MarvekDev w;
    click(w, "computePoseButton");
    const Summary s = parseSummary(text(w, "computePoseLabel"));
    QVERIFY(s.valid);
    QVERIFY(s.compared > 0);
    QCOMPARE(s.passed, s.compared - 1);
}

void TestUnitTests::toleranceThatIsNoNumberPassesNothing()
{
    enterFolder();
    MarvekDev w;
    child<QLineEdit>(&w, "toleranceLineEdit")->setText(QStringLiteral("0.0005x"));
    click(w, "computeErrorButton");
    const Summary s = parseSummary(text(w, "computeErrorLabel"));
    QVERIFY(s.valid);
    QVERIFY(s.compared > 0);
    QCOMPARE(s.passed, 0);
    QCOMPARE(s.percent, QStringLiteral("0"));
    QCOMPARE(w.tolerance(), 0.0);
}

void TestUnitTests::resultsOnlyWhenTicked()
{
    const QString folder = enterFolder();
    MarvekDev w;
    click(w, "computeControlButton");
    QCOMPARE(child<QLabel>(&w, "statusLabel")->text(), QStringLiteral("Test Complete"));
    QVERIFY(parseSummary(text(w, "computeControlLabel")).valid);
    QCOMPARE(QDir(folder).entryList(QStringList() << "UT*.csv", QDir::Files), QStringList());

    child<QCheckBox>(&w, "outputToDiskCheckBox")->setChecked(true);
    click(w, "computeControlButton");
    const Table rows = readTable(QDir(folder).absoluteFilePath("UTcomputeControl.csv"));
    QCOMPARE(rows.size(), 2000);
    // The whole control vector: 12 moments, then 12 forces that are zero.
    for (const QVector<double> &row : rows) {
        QCOMPARE(row.size(), 25);
        for (int k = 13; k < 25; ++k)
            QCOMPARE(row[k], 0.0);
    }
    // Unticked again: the file stays as it was.
    child<QCheckBox>(&w, "outputToDiskCheckBox")->setChecked(false);
    const QByteArray written = readAll(QDir(folder).absoluteFilePath("UTcomputeControl.csv"));
    click(w, "computeControlButton");
    QCOMPARE(readAll(QDir(folder).absoluteFilePath("UTcomputeControl.csv")), written);
}

void TestUnitTests::poseAndRk4ShareTheirResultsFile()
{
    const QString folder = enterFolder();
    const QString path = QDir(folder).absoluteFilePath("UTcomputePose.csv");
    MarvekDev w;
    child<QCheckBox>(&w, "outputToDiskCheckBox")->setChecked(true);
    click(w, "computePoseButton");
    const QByteArray pose = readAll(path);
    QVERIFY(!pose.isEmpty());
    click(w, "rk4Button");
    const QByteArray rk4 = readAll(path);
    QCOMPARE(child<QLabel>(&w, "statusLabel")->text(),
             QStringLiteral("Test Complete - Results saved to UTcomputePose.csv"));
    // The integrated poses agree with the reference but are not the same bits.
    QVERIFY(rk4 != pose);
    QCOMPARE(readTable(path).size(), 2000);
    QCOMPARE(QDir(folder).entryList(QStringList() << "UT*.csv", QDir::Files),
             QStringList() << "UTcomputePose.csv");
}

void TestUnitTests::tablesReadOncePerProgramRun()
{
    const QString folder = enterFolder();
    MarvekDev w;
    click(w, "computePoseButton");
    QVERIFY(parseSummary(text(w, "computePoseLabel")).valid);

    // The files go away; the next test still has them in memory.
    for (const QString &name : referenceNames)
        QVERIFY(QFile::remove(QDir(folder).absoluteFilePath(name)));
    auto *status = child<QLabel>(&w, "statusLabel");
    QStringList seen;
    DuringOperation watch([&] {
        if (seen.isEmpty() || seen.last() != status->text())
            seen << status->text();
    });
    click(w, "computeAccelButton");
    QVERIFY(seen.contains(QStringLiteral("Loading Test Data...")));
    QVERIFY(seen.contains(QStringLiteral("Input Files Loaded")));
    const Summary s = parseSummary(text(w, "computeAccelLabel"));
    QVERIFY(s.valid);
    QCOMPARE(s.passed, s.compared);

    // A new program run has nothing to read.
    MarvekDev fresh;
    const QString before = text(fresh, "computeAccelLabel");
    click(fresh, "computeAccelButton");
    QCOMPARE(child<QLabel>(&fresh, "statusLabel")->text(), QStringLiteral("File Load Failure"));
    QCOMPARE(text(fresh, "computeAccelLabel"), before);
}

void TestUnitTests::missingTableFailsTheLoad()
{
    const QString folder = enterFolder([](const QString &folder) {
        QFile::remove(QDir(folder).absoluteFilePath("matOutControl92.csv"));
    });
    MarvekDev w;
    const QString before = text(w, "computePoseLabel");
    click(w, "computePoseButton");
    QCOMPARE(child<QLabel>(&w, "statusLabel")->text(), QStringLiteral("File Load Failure"));
    QCOMPARE(text(w, "computePoseLabel"), before);

    // A failed load is tried again by the next test.
    QFile::copy(referencePath("matOutControl92.csv"),
                QDir(folder).absoluteFilePath("matOutControl92.csv"));
    click(w, "computePoseButton");
    QCOMPARE(child<QLabel>(&w, "statusLabel")->text(), QStringLiteral("Test Complete"));
    QVERIFY(parseSummary(text(w, "computePoseLabel")).valid);
}

// ---------------------------------------------------------------------------

void TestUnitTests::shipDataThatIsNoFileFailsTheLoad_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("device") << QStringLiteral("/dev/null");
    QTest::newRow("FIFO") << QStringLiteral("ship.fifo");
}

void TestUnitTests::shipDataThatIsNoFileFailsTheLoad()
{
    QFETCH(QString, name);
    enterFolder();
    const apptest::Fifo fifo(QStringLiteral("ship.fifo"));
    MarvekDev w;
    child<QLineEdit>(&w, "shipFileDropLineEdit")->setText(name);
    click(w, "computePoseButton");
    QCOMPARE(child<QLabel>(&w, "statusLabel")->text(), QStringLiteral("File Load Failure"));
}

void TestUnitTests::shortReferenceTableFailsTheLoad()
{
    const QString folder = enterFolder([](const QString &folder) {
        const QString path = QDir(folder).absoluteFilePath("matOutAccel92.csv");
        const QStringList lines = QString::fromUtf8(readAll(path)).split(QLatin1Char('\n'));
        testsupport::writeTextFile(path, lines.mid(0, 1001).join(QLatin1Char('\n')).toUtf8());
    });
    MarvekDev w;
    child<QCheckBox>(&w, "outputToDiskCheckBox")->setChecked(true);
    const QString before = text(w, "computePoseLabel");
    // The pose test does not read the acceleration table, but the set is
    // refused as a whole.
    click(w, "computePoseButton");
    QCOMPARE(child<QLabel>(&w, "statusLabel")->text(), QStringLiteral("File Load Failure"));
    QCOMPARE(text(w, "computePoseLabel"), before);
    click(w, "computeAccelButton");
    QCOMPARE(child<QLabel>(&w, "statusLabel")->text(), QStringLiteral("File Load Failure"));
    QCOMPARE(QDir(folder).entryList(QStringList() << "UT*.csv", QDir::Files), QStringList());
}

void TestUnitTests::unwritableResultsFileIsReported()
{
    // A folder in the way of the results file.
    const QString folder = enterFolder([](const QString &folder) {
        QDir(folder).mkdir(QStringLiteral("UTcomputeError.csv"));
    });
    MarvekDev w;
    child<QCheckBox>(&w, "outputToDiskCheckBox")->setChecked(true);
    click(w, "computeErrorButton");
    const QString status = child<QLabel>(&w, "statusLabel")->text();
    QVERIFY2(status.startsWith(
                 QStringLiteral("Test Complete - Results could not be saved to UTcomputeError.csv")),
             qPrintable(status));
    QVERIFY(!status.contains(QStringLiteral("Results saved to")));
    // The test itself ran to its end.
    const Summary s = parseSummary(text(w, "computeErrorLabel"));
    QVERIFY(s.valid && s.passed == s.compared);
    QVERIFY(QFileInfo(QDir(folder).absoluteFilePath("UTcomputeError.csv")).isDir());
}

void TestUnitTests::interpolationOutsideShipDataStops()
{
    // Ship data covering the first second only; the reference rows go on to 19.99 s.
    const QString folder = enterFolder([](const QString &folder) {
        const QStringList lines =
            QString::fromUtf8(readAll(shipSamplePath())).split(QLatin1Char('\n'));
        testsupport::writeTextFile(QDir(folder).absoluteFilePath("shortship.csv"),
                                   lines.mid(0, 22).join(QLatin1Char('\n')).toUtf8());
    });
    MarvekDev w;
    child<QCheckBox>(&w, "outputToDiskCheckBox")->setChecked(true);
    child<QLineEdit>(&w, "shipFileDropLineEdit")->setText(QStringLiteral("shortship.csv"));
    const QString before = text(w, "interpolationLabel");
    click(w, "interpolationButton");
    QCOMPARE(child<QLabel>(&w, "statusLabel")->text(),
             QStringLiteral("Ship Data Interpolation stopped: time 1.01 s of reference row 101 "
                            "lies outside the ship data"));
    QCOMPARE(text(w, "interpolationLabel"), before);
    QVERIFY(!QFile::exists(QDir(folder).absoluteFilePath("UTshipData.csv")));
}

void TestUnitTests::interpolationWithoutShipDataStops()
{
    enterFolder();
    MarvekDev w;
    // The first test loads the tables while the ship-data field is empty.
    click(w, "computePoseButton");
    QVERIFY(parseSummary(text(w, "computePoseLabel")).valid);

    child<QLineEdit>(&w, "shipFileDropLineEdit")->setText(shipSamplePath());
    const QString before = text(w, "interpolationLabel");
    click(w, "interpolationButton");
    const QString status = child<QLabel>(&w, "statusLabel")->text();
    QVERIFY2(status.startsWith(QStringLiteral("Ship Data Interpolation stopped: no ship data is loaded")),
             qPrintable(status));
    QCOMPARE(text(w, "interpolationLabel"), before);
}

void TestUnitTests::interpolationWithNarrowShipDataStops()
{
    // Ship data whose rows end after column 15.
    enterFolder([](const QString &folder) {
        QStringList lines = QString::fromUtf8(readAll(shipSamplePath())).split(QLatin1Char('\n'));
        for (QString &line : lines)
            line = line.section(QLatin1Char(','), 0, 15);
        testsupport::writeTextFile(QDir(folder).absoluteFilePath("narrow.csv"),
                                   lines.join(QLatin1Char('\n')).toUtf8());
    });
    MarvekDev w;
    child<QLineEdit>(&w, "shipFileDropLineEdit")->setText(QStringLiteral("narrow.csv"));
    const QString before = text(w, "interpolationLabel");
    click(w, "interpolationButton");
    QCOMPARE(child<QLabel>(&w, "statusLabel")->text(),
             QStringLiteral("Ship Data Interpolation stopped: the ship data has fewer than 19 columns"));
    QCOMPARE(text(w, "interpolationLabel"), before);
}

void TestUnitTests::interpolationWithEmptyFieldDoesNothing()
{
    enterFolder();
    MarvekDev w;
    const QString before = text(w, "interpolationLabel");
    click(w, "interpolationButton");
    QCOMPARE(child<QLabel>(&w, "statusLabel")->text(), QStringLiteral("-----"));
    QCOMPARE(text(w, "interpolationLabel"), before);
}

// ---------------------------------------------------------------------------

void TestUnitTests::noTestStartsInsideAnotherTest()
{
    enterFolder();
    MarvekDev w;
    child<QLineEdit>(&w, "shipFileDropLineEdit")->setText(shipSamplePath());
    auto *status = child<QLabel>(&w, "statusLabel");
    auto *bar = child<QProgressBar>(&w, "progressBar");
    const QStringList others = {"computeErrorLabel", "computeControlLabel", "computeAccelLabel",
                                "interpolationLabel", "simLabel", "initLabel"};
    QStringList before;
    for (const QString &l : others)
        before << text(w, qPrintable(l));

    bool pressed = false;
    DuringOperation pressAll([&] {
        if (pressed || status->text() != QLatin1String("Running ComputePose UT...")
            || bar->value() < 20)
            return;
        pressed = true;
        for (const char *button : {"computeAllButton", "rk4Button", "interpolationButton",
                                   "computePoseButton", "computeErrorButton", "computeControlButton",
                                   "computeAccelButton", "testInitButton"})
            click(w, button);
    });
    click(w, "computePoseButton");

    QVERIFY(pressed);
    for (int i = 0; i < others.size(); ++i)
        QCOMPARE(text(w, qPrintable(others[i])), before[i]);
    // The pose test counted alone, as an undisturbed one does.
    MarvekDev undisturbed;
    click(undisturbed, "computePoseButton");
    const Summary alone = parseSummary(text(undisturbed, "computePoseLabel"));
    const Summary s = parseSummary(text(w, "computePoseLabel"));
    QVERIFY(s.valid && alone.valid);
    QCOMPARE(s.compared, alone.compared);
    QCOMPARE(s.passed, s.compared);
}

void TestUnitTests::noTestStartsInsideARun()
{
    const QString folder = enterFolder();
    MarvekDev w;
    child<QLineEdit>(&w, "paramShipMotionLineEdit")->setText(shipSamplePath());
    child<QLineEdit>(&w, "shipFileDropLineEdit")->setText(shipSamplePath());
    child<QCheckBox>(&w, "outputToDiskCheckBox")->setChecked(true);
    auto *status = child<QLabel>(&w, "statusLabel");
    auto *bar = child<QProgressBar>(&w, "progressBar");
    const QStringList labels = {"computePoseLabel", "computeErrorLabel", "computeControlLabel",
                                "computeAccelLabel", "interpolationLabel", "simLabel", "initLabel"};
    QStringList before;
    for (const QString &l : labels)
        before << text(w, qPrintable(l));

    bool pressed = false;
    DuringOperation pressAll([&] {
        if (pressed || status->text() != QLatin1String("Running Sim") || bar->value() < 2)
            return;
        pressed = true;
        for (const char *button : {"computeAllButton", "rk4Button", "interpolationButton",
                                   "computePoseButton", "computeErrorButton", "computeControlButton",
                                   "computeAccelButton", "testInitButton"})
            click(w, button);
        QCOMPARE(status->text(), QStringLiteral("Running Sim"));
        click(w, "cancelButton");
    });
    child<QAction>(&w, "actionRun")->trigger();

    QVERIFY(pressed);
    QCOMPARE(status->text(), QStringLiteral("Running Sim"));
    for (int i = 0; i < labels.size(); ++i)
        QCOMPARE(text(w, qPrintable(labels[i])), before[i]);
    QCOMPARE(QDir(folder).entryList(QStringList() << "UT*.csv", QDir::Files), QStringList());
}

void TestUnitTests::examplesFolderPassesAtOnce()
{
    // The program started in examples/ reads the same tables as the row tests
    // above (and the sample recording, compared in tst_parameters_window), so
    // every test passes there at once.
    for (const QString &name : referenceNames)
        QVERIFY2(readAll(testsupport::examplesPath(name)) == readAll(referencePath(name)),
                 qPrintable(name));
}

QTEST_MAIN(TestUnitTests)
#include "tst_unittests.moc"
