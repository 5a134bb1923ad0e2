#ifndef MEMORYROOM_H
#define MEMORYROOM_H

#include <QtGlobal>

// How much more memory this process can take before an allocation fails.
namespace memoryroom {

// The smallest of: the system's available memory (MemAvailable), the room
// left under each memory limit of the process's control group and of the
// groups above it (limit less usage), and the room left under the address
// space limit (RLIMIT_AS less the process's current virtual size, which the
// 3D renderer's reserved areas make large). -1 when none of them can be read.
qint64 available();

} // namespace memoryroom

#endif // MEMORYROOM_H
