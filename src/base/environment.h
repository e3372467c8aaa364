// Looking up a variable in the environment as Windows does, on every system.
#ifndef QN_BASE_ENVIRONMENT_H
#define QN_BASE_ENVIRONMENT_H

// For an environment entry "NAME=value", the value when NAME equals `name`
// without regard to (ASCII) case; null otherwise.
const char* matchEnvironmentEntry(const char* entry, const char* name);

#endif  // QN_BASE_ENVIRONMENT_H
