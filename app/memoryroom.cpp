#include "memoryroom.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <limits>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {

constexpr qint64 unknown = std::numeric_limits<qint64>::max();

// The whole text of a small system file; empty when it cannot be read.
QByteArray readSystemFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// The number of "<key> N kB" in /proc/meminfo or /proc/self/status, in bytes.
qint64 kilobyteField(const QByteArray &text, const QByteArray &key)
{
    for (const QByteArray &line : text.split('\n')) {
        if (!line.startsWith(key))
            continue;
        bool ok = false;
        const qint64 kb = line.mid(key.size()).simplified().split(' ').value(0).toLongLong(&ok);
        return ok ? kb * 1024 : unknown;
    }
    return unknown;
}

// A limit or usage file of a control group: a number of bytes, or unknown
// for "max" and for a file that does not exist.
qint64 cgroupValue(const QString &path)
{
    bool ok = false;
    const qint64 value = readSystemFile(path).trimmed().toLongLong(&ok);
    return ok ? value : unknown;
}

// Room under the memory limits of the process's control group and of every
// group above it, for both control group hierarchies.
qint64 cgroupRoom()
{
    qint64 room = unknown;
    for (const QByteArray &line : readSystemFile(QStringLiteral("/proc/self/cgroup")).split('\n')) {
        // "0::/path" (unified hierarchy) or "N:memory:/path".
        const QList<QByteArray> parts = line.split(':');
        if (parts.size() < 3)
            continue;
        QString base;
        QString limitFile;
        QString usageFile;
        if (parts.at(0) == "0" && parts.at(1).isEmpty()) {
            base = QStringLiteral("/sys/fs/cgroup");
            limitFile = QStringLiteral("memory.max");
            usageFile = QStringLiteral("memory.current");
        } else if (parts.at(1).split(',').contains("memory")) {
            base = QStringLiteral("/sys/fs/cgroup/memory");
            limitFile = QStringLiteral("memory.limit_in_bytes");
            usageFile = QStringLiteral("memory.usage_in_bytes");
        } else {
            continue;
        }
        QString group = QString::fromUtf8(parts.mid(2).join(':'));
        while (true) {
            const QString dir = base + group + QLatin1Char('/');
            const qint64 limit = cgroupValue(dir + limitFile);
            const qint64 usage = cgroupValue(dir + usageFile);
            if (limit != unknown && usage != unknown)
                room = qMin(room, limit - usage);
            if (group.isEmpty() || group == QLatin1String("/"))
                break;
            group.truncate(group.lastIndexOf(QLatin1Char('/')));
        }
    }
    return room;
}

qint64 addressSpaceRoom()
{
#ifdef Q_OS_UNIX
    rlimit limit = {};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return unknown;
    const qint64 used =
        kilobyteField(readSystemFile(QStringLiteral("/proc/self/status")), "VmSize:");
    if (used == unknown)
        return unknown;
    return static_cast<qint64>(limit.rlim_cur) - used;
#else
    return unknown;
#endif
}

} // namespace

namespace memoryroom {

qint64 available()
{
    const qint64 room = qMin(
        qMin(kilobyteField(readSystemFile(QStringLiteral("/proc/meminfo")), "MemAvailable:"),
             cgroupRoom()),
        addressSpaceRoom());
    if (room == unknown)
        return -1;
    return qMax<qint64>(room, 0);
}

} // namespace memoryroom
