// Which Windows platform family the system belongs to, and the script section
// that each family runs.
#ifndef QN_SCRIPT_PLATFORM_CODE_H
#define QN_SCRIPT_PLATFORM_CODE_H

#include <cstdint>

#include "platform/platform.h"

enum PlatformCode : int32_t {
  WINNT = 0,    // Windows NT 4.0
  WIN2K = 1,    // Windows 2000, not Datacenter, 32-bit system
  WINK3 = 2,    // version 5.2 (Server 2003 family), 32-bit system
  OTHER = 3,    // anything else
  WINXP = 6,    // version 5.1
  WIN2K64 = 7,  // version 5.0, 32-bit process on 64-bit Windows
  WINK364 = 8,  // version 5.2, 32-bit process on 64-bit Windows
};

// The platform code of the running system. Asks for the extended version record,
// falls back to the plain one when that is refused, and asks again; a refused
// request gives OTHER.
PlatformCode classifyPlatform();

// The code for a system of this version. `extendedAvailable` says whether the
// suite mask is known; `isWow64` is asked only for versions 5.0 and 5.2.
PlatformCode platformCodeFor(const platform::VersionInfo& version, bool extendedAvailable,
                             bool (*isWow64)());

// True when this 32-bit process runs on 64-bit Windows.
bool isWow64();

// The section header for a code: "[WINNT]", "[WIN2K]", "[64WIN2K]", "[64WINK3]",
// or "[WINK3]" for WINK3 and every other value.
const char* sectionHeaderFor(int32_t code);

#endif  // QN_SCRIPT_PLATFORM_CODE_H
