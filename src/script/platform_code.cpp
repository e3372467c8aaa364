#include "script/platform_code.h"

static constexpr uint32_t kPlatformIdNT = 2;
static constexpr uint16_t kSuiteDatacenter = 0x80;

// Looked up once, before the run starts, and never changed afterwards.
static const platform::Wow64Probe wow64Probe = platform::findWow64Probe();

bool isWow64() { return wow64Probe != nullptr && platform::callWow64Probe(wow64Probe); }

PlatformCode classifyPlatform() {
  platform::VersionInfo version = {};
  bool extendedAvailable = platform::getVersion(&version, true);
  version = platform::VersionInfo{};
  if (!platform::getVersion(&version, extendedAvailable)) return OTHER;
  return platformCodeFor(version, extendedAvailable, isWow64);
}

PlatformCode platformCodeFor(const platform::VersionInfo& version, bool extendedAvailable,
                             bool (*isWow64)()) {
  if (version.platformId != kPlatformIdNT) return OTHER;
  if (version.major == 4) return version.minor == 0 ? WINNT : OTHER;
  if (version.major != 5) return OTHER;
  switch (version.minor) {
    case 0:
      if (extendedAvailable && (version.suiteMask & kSuiteDatacenter) != 0) return OTHER;
      return isWow64() ? WIN2K64 : WIN2K;
    case 1:
      return WINXP;
    case 2:
      return isWow64() ? WINK364 : WINK3;
    default:
      return OTHER;
  }
}

const char* sectionHeaderFor(int32_t code) {
  switch (code) {
    case WINNT:
      return "[WINNT]";
    case WIN2K:
      return "[WIN2K]";
    case WIN2K64:
      return "[64WIN2K]";
    case WINK364:
      return "[64WINK3]";
    default:
      return "[WINK3]";
  }
}
