// What a run's return code means, and the codes an administrator declares for
// one report.
#ifndef QN_REPORT_MODEL_CODE_MEANINGS_H
#define QN_REPORT_MODEL_CODE_MEANINGS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Codes that an administrator declares for one report, as deployment tools
// let them for each package: more codes of success, and of success that waits
// for a restart.
struct CodeRules {
  std::vector<int32_t> success;
  std::vector<int32_t> restart;
};

// True when `code` is one of `codes`.
bool isDeclared(const std::vector<int32_t>& codes, int32_t code);

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

#endif  // QN_REPORT_MODEL_CODE_MEANINGS_H
