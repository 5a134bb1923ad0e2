#include "memoryroom.h"

#include <QFile>
#include <QList>

#include <limits>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#if __GLIBC_PREREQ(2, 33)
#define MARVEK_HAS_MALLINFO2
#endif
#endif

namespace {

constexpr qint64 unknown = std::numeric_limits<qint64>::max();

QByteArray readSystemFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// The number after `key` on the line that starts with it ("MemAvailable:",
// "VmSize:", "inactive_file"), times unit; unknown without such a line.
qint64 field(const QByteArray &text, const QByteArray &key, qint64 unit)
{
    for (const QByteArray &line : text.split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() < 2 || words.first() != key)
            continue;
        bool ok = false;
        const qint64 value = words.at(1).toLongLong(&ok);
        return ok ? value * unit : unknown;
    }
    return unknown;
}

// A limit or usage file of a control group: a number of bytes, or unknown
// for "max" and for a file that cannot be read.
qint64 groupValue(const QByteArray &text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    return ok ? value : unknown;
}

// Room under the memory limits of the process's control group and of every
// group above it, for both control group hierarchies.
qint64 groupRoom(const memoryroom::FileReader &read)
{
    qint64 room = unknown;
    for (const QByteArray &line : read(QStringLiteral("/proc/self/cgroup")).split('\n')) {
        // "0::/path" (unified hierarchy) or "N:memory:/path".
        const QList<QByteArray> parts = line.split(':');
        if (parts.size() < 3)
            continue;
        QString base;
        QString limitFile;
        QString usageFile;
        QByteArray cacheKey; // inactive file cache in memory.stat, this group and below
        if (parts.at(0) == "0" && parts.at(1).isEmpty()) {
            base = QStringLiteral("/sys/fs/cgroup");
            limitFile = QStringLiteral("memory.max");
            usageFile = QStringLiteral("memory.current");
            cacheKey = "inactive_file";
        } else if (parts.at(1).split(',').contains("memory")) {
            base = QStringLiteral("/sys/fs/cgroup/memory");
            limitFile = QStringLiteral("memory.limit_in_bytes");
            usageFile = QStringLiteral("memory.usage_in_bytes");
            cacheKey = "total_inactive_file";
        } else {
            continue;
        }
        QString group = QString::fromUtf8(parts.mid(2).join(':')).trimmed();
        while (true) {
            const QString dir = base + group + QLatin1Char('/');
            const qint64 limit = groupValue(read(dir + limitFile));
            const qint64 usage = groupValue(read(dir + usageFile));
            if (limit != unknown && usage != unknown) {
                const qint64 cache = field(read(dir + QStringLiteral("memory.stat")), cacheKey, 1);
                const qint64 used = usage - (cache == unknown ? 0 : qBound<qint64>(0, cache, usage));
                room = qMin(room, limit - used);
            }
            if (group.isEmpty() || group == QLatin1String("/"))
                break;
            group.truncate(group.lastIndexOf(QLatin1Char('/')));
        }
    }
    return room;
}

} // namespace

namespace memoryroom {

qint64 roomFrom(const FileReader &read, qint64 addressSpaceLimit, qint64 allocatorFreeBytes)
{
    qint64 room = qMin(field(read(QStringLiteral("/proc/meminfo")), "MemAvailable:", 1024),
                       groupRoom(read));
    if (addressSpaceLimit >= 0) {
        const qint64 used = field(read(QStringLiteral("/proc/self/status")), "VmSize:", 1024);
        if (used != unknown)
            room = qMin(room, addressSpaceLimit - used + allocatorFreeBytes);
    }
    if (room == unknown)
        return -1;
    return qMax<qint64>(room, 0);
}

qint64 available()
{
    qint64 addressSpaceLimit = -1;
#ifdef Q_OS_UNIX
    rlimit limit = {};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        addressSpaceLimit = static_cast<qint64>(limit.rlim_cur);
#endif
    qint64 allocatorFree = 0;
#ifdef MARVEK_HAS_MALLINFO2
    // Freed blocks stay with the allocator: trimming hands their pages back,
    // which the system's and the control group's figures then show, but it
    // cannot shrink the address space past blocks still in use, so what it
    // keeps free there counts as room under the address-space limit. (Free
    // pieces may be too scattered for one large block; the run catches an
    // allocation that fails all the same.)
    malloc_trim(0);
    allocatorFree = static_cast<qint64>(mallinfo2().fordblks);
#endif
    return roomFrom(readSystemFile, addressSpaceLimit, allocatorFree);
}

} // namespace memoryroom
