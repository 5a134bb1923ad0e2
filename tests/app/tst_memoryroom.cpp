// The memory a run may take, from what the system says: the texts of /proc
// and of the control groups, fed as a table.
#include "memoryroom.h"

#include <QHash>
#include <QtTest>

class TestMemoryRoom : public QObject
{
    Q_OBJECT

private slots:
    void roomFromWhatTheSystemSays_data();
    void roomFromWhatTheSystemSays();
};

void TestMemoryRoom::roomFromWhatTheSystemSays_data()
{
    QTest::addColumn<QStringList>("files"); // "path:text"; any other file cannot be read
    QTest::addColumn<qint64>("addressSpaceLimit");
    QTest::addColumn<qint64>("allocatorFree");
    QTest::addColumn<qint64>("room");

    const QString meminfo = QStringLiteral("/proc/meminfo:MemTotal: 9000 kB\nMemFree: 10 kB\nMemAvailable:    8000 kB\n");
    const QString status = QStringLiteral("/proc/self/status:VmPeak:\t 9999 kB\nVmSize:\t    3000 kB\n");
    const QString v2 = QStringLiteral("/proc/self/cgroup:0::/user/app\n");
    const QString v2app = QStringLiteral("/sys/fs/cgroup/user/app/memory.");
    const QString v2user = QStringLiteral("/sys/fs/cgroup/user/memory.");
    const QString v1 = QStringLiteral("/proc/self/cgroup:5:cpu:/\n4:memory:/user/app\n0::/\n");
    const QString v1app = QStringLiteral("/sys/fs/cgroup/memory/user/app/memory.");
    const qint64 available = 8000 * 1024;
    auto row = [](const char *name, const QStringList &files, qint64 limit, qint64 free, qint64 room) {
        QTest::newRow(name) << files << limit << free << room;
    };
    row("nothing to read", {}, -1, 0, -1);
    row("available memory", {meminfo}, -1, 0, available);
    row("v2 group: limit less usage", {meminfo, v2, v2app + "max:5000000\n", v2app + "current:2000000\n"}, -1, 0, 3000000);
    row("v2 page cache counts as free",
        {meminfo, v2, v2app + "max:5000000", v2app + "current:4500000", v2app + "stat:anon 4000\nactive_file 7\ninactive_file 1000000\n"},
        -1, 0, 1500000);
    row("v2 no limit", {meminfo, v2, v2app + "max:max\n", v2app + "current:2000000"}, -1, 0, available);
    row("v2 limit set higher up",
        {meminfo, v2, v2app + "max:max", v2app + "current:2000000", v2user + "max:3000000", v2user + "current:2500000"},
        -1, 0, 500000);
    row("v2 usage missing", {meminfo, v2, v2app + "max:5000000"}, -1, 0, available);
    row("v2 usage over the limit", {meminfo, v2, v2app + "max:5000000", v2app + "current:6000000"}, -1, 0, 0);
    row("v1 group, hierarchical page cache",
        {meminfo, v1, v1app + "limit_in_bytes:5000000", v1app + "usage_in_bytes:4800000",
         v1app + "stat:inactive_file 7\ntotal_inactive_file 300000\n"},
        -1, 0, 500000);
    row("v1 limit set at the top",
        {meminfo, v1, "/sys/fs/cgroup/memory/memory.limit_in_bytes:4000000", "/sys/fs/cgroup/memory/memory.usage_in_bytes:3000000"},
        -1, 0, 1000000);
    row("address space left", {meminfo, status}, 5000 * 1024, 0, 2000 * 1024);
    row("address space and the allocator's free memory", {meminfo, status}, 5000 * 1024, 300000, 2000 * 1024 + 300000);
    row("no address space limit", {meminfo, status}, -1, 300000, available);
    row("address space used up", {meminfo, status}, 2000 * 1024, 0, 0);
}

void TestMemoryRoom::roomFromWhatTheSystemSays()
{
    QFETCH(QStringList, files);
    QFETCH(qint64, addressSpaceLimit);
    QFETCH(qint64, allocatorFree);
    QFETCH(qint64, room);
    QHash<QString, QByteArray> texts;
    for (const QString &file : files)
        texts.insert(file.section(QLatin1Char(':'), 0, 0), file.section(QLatin1Char(':'), 1).toUtf8());
    const auto read = [&texts](const QString &path) { return texts.value(path); };
    QCOMPARE(memoryroom::roomFrom(read, addressSpaceLimit, allocatorFree), room);
}

QTEST_GUILESS_MAIN(TestMemoryRoom)
#include "tst_memoryroom.moc"
