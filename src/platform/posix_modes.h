// The mode bits that stand for Windows' attributes in the POSIX platform files.
#ifndef QN_PLATFORM_POSIX_MODES_H
#define QN_PLATFORM_POSIX_MODES_H

#include <sys/stat.h>

namespace platform {

// What the owner of a directory needs to empty it: without all of them the
// directory is listed read-only.
constexpr mode_t kOwnerMayEmpty = S_IRWXU;

}  // namespace platform

#endif  // QN_PLATFORM_POSIX_MODES_H
