// The order of versions (a record's New value): dotted numbers ("4.2",
// "7.10", "2006.1.3") in numeric order, first; any other value after them, in
// byte order.
#ifndef QN_REPORT_MODEL_VERSION_ORDER_H
#define QN_REPORT_MODEL_VERSION_ORDER_H

#include <string>
#include <string_view>

// An Update or New value as the reports compare and show it: without the
// spaces and tabs at either end that a version.id line may carry ("4.2 " is
// 4.2).
std::string versionValue(std::string_view text);

// One or more runs of digits, each pair joined by one dot.
bool isDottedNumber(const std::string& version);

// Compares two dotted numbers number by number (leading zeros count for
// nothing; when one is the start of the other, the shorter comes first):
// negative, 0 or positive.
int compareDottedNumbers(const std::string& a, const std::string& b);

// True when `a` sorts before `b`: a strict weak order over every text.
bool versionBefore(const std::string& a, const std::string& b);

// True when both are dotted numbers and `a` is the greater.
bool versionLater(const std::string& a, const std::string& b);

#endif  // QN_REPORT_MODEL_VERSION_ORDER_H
