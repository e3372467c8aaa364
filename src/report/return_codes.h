// What a run's return code means, and the state it puts a machine in.
#ifndef QN_REPORT_RETURN_CODES_H
#define QN_REPORT_RETURN_CODES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A machine's state at a version. Superseded: no attempt at this version, but a
// later version installed (a cumulative update went past it). Unreadable: a log
// of the machine could not be read, so its state cannot be told.
enum MachineState { kInstalled, kRestart, kFailed, kSuperseded, kNoRecord, kUnreadable, kStateCount };

// "installed", "restart", "failed", "superseded", "no record", "unreadable".
const char* stateName(MachineState state);

// Codes that an administrator declares for one report, as deployment tools
// let them for each package: more codes of success, and of success that waits
// for a restart.
struct CodeRules {
  std::vector<int32_t> success;
  std::vector<int32_t> restart;
};

// installed for 0 and 1707 and the declared success codes; restart for 3010,
// 1641 and the declared restart codes; failed for any other code.
MachineState stateOfCode(int32_t code, const CodeRules& rules);

// The meaning of a code where it is well known ("fatal error during
// installation"), then "declared success" or "declared restart" for a declared
// code; an empty text where there is nothing to say. A negative code's meaning
// starts with the code in hexadecimal ("0xC0000005, access violation", or
// "0xC0001234" alone).
std::string describeCode(int32_t code, const CodeRules& rules);

// "success 1605, 3011; restart 1604": the codes declared, an empty text when
// there are none.
std::string declaredCodesText(const CodeRules& rules);

// Reads a list of codes, "1605,3011" or "-1, 0xC0000005": decimal or
// hexadecimal 32-bit values separated by commas or spaces. False when one is
// not a code.
bool parseCodeList(const char* text, std::vector<int32_t>* codes);

#endif  // QN_REPORT_RETURN_CODES_H
