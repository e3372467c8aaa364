// Environment lookup shared by both platform layers.
#ifndef QN_PLATFORM_ENVIRONMENT_H
#define QN_PLATFORM_ENVIRONMENT_H

namespace platform {

// For an environment entry "NAME=value", the value when NAME equals `name`
// without regard to (ASCII) case; null otherwise.
const char* matchEnvironmentEntry(const char* entry, const char* name);

}  // namespace platform

#endif  // QN_PLATFORM_ENVIRONMENT_H
