#ifndef MEMORYROOM_H
#define MEMORYROOM_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>

// How much more memory this process can take before an allocation fails.
namespace memoryroom {

// The whole text of a system file, empty when it cannot be read.
using FileReader = std::function<QByteArray(const QString &path)>;

// The room, in bytes, from what the system says: the smallest of
// - the system's available memory (MemAvailable of /proc/meminfo);
// - for the process's control group (/proc/self/cgroup) and every group
//   above it, in either hierarchy, the group's limit less its usage; the
//   group's inactive file cache counts as free, since the kernel reclaims it
//   on demand;
// - the address-space limit (a negative one is none) less the process's
//   virtual size (VmSize of /proc/self/status), plus what the allocator
//   holds free inside that size.
// 0 when a usage is over its limit; -1 when none of them can be read.
qint64 roomFrom(const FileReader &read, qint64 addressSpaceLimit, qint64 allocatorFreeBytes);

// The room as this process has it now. Memory the allocator holds free is
// first given back to the system where it can be.
qint64 available();

} // namespace memoryroom

#endif // MEMORYROOM_H
