// What a run's return code means, and the state it puts a machine in.
#ifndef QN_REPORT_RETURN_CODES_H
#define QN_REPORT_RETURN_CODES_H

#include <cstddef>
#include <cstdint>

// A machine's state at a version. Superseded: no attempt at this version, but a
// later version installed (a cumulative update went past it). Unreadable: a log
// of the machine could not be read, so its state cannot be told.
enum MachineState { kInstalled, kRestart, kFailed, kSuperseded, kNoRecord, kUnreadable, kStateCount };

// "installed", "restart", "failed", "superseded", "no record", "unreadable".
const char* stateName(MachineState state);

// installed for 0; restart for 3010 and 1641 (installed, waiting for a restart);
// failed for any other code.
MachineState stateOfCode(int32_t code);

// The meaning of a code where it is well known ("fatal error during
// installation"), an empty text where it is not. A negative code's meaning
// starts with the code in hexadecimal ("0xC0000005, access violation", or
// "0xC0001234" alone).
void describeCode(int32_t code, char* out, size_t size);

#endif  // QN_REPORT_RETURN_CODES_H
