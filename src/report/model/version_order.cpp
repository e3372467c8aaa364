#include "report/model/version_order.h"

#include <cstring>

std::string versionValue(std::string_view text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::string();
  size_t last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last + 1 - first));
}

static bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isDottedNumber(const std::string& version) {
  bool digitBefore = false;
  for (char c : version) {
    if (isDigit(c)) {
      digitBefore = true;
    } else if (c == '.' && digitBefore) {
      digitBefore = false;
    } else {
      return false;
    }
  }
  return digitBefore;
}

int compareDottedNumbers(const std::string& a, const std::string& b) {
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    while (i + 1 < a.size() && a[i] == '0' && isDigit(a[i + 1])) ++i;
    while (j + 1 < b.size() && b[j] == '0' && isDigit(b[j + 1])) ++j;
    size_t endA = i;
    size_t endB = j;
    while (endA < a.size() && isDigit(a[endA])) ++endA;
    while (endB < b.size() && isDigit(b[endB])) ++endB;
    // Without leading zeros, the longer number is the greater.
    if (endA - i != endB - j) return endA - i < endB - j ? -1 : 1;
    int digits = memcmp(a.data() + i, b.data() + j, endA - i);
    if (digits != 0) return digits;
    i = endA + 1;
    j = endB + 1;
  }
  bool moreA = i < a.size();
  bool moreB = j < b.size();
  return moreA == moreB ? 0 : (moreA ? 1 : -1);
}

bool versionBefore(const std::string& a, const std::string& b) {
  bool dottedA = isDottedNumber(a);
  bool dottedB = isDottedNumber(b);
  if (dottedA != dottedB) return dottedA;
  if (dottedA) {
    int order = compareDottedNumbers(a, b);
    if (order != 0) return order < 0;
  }
  return a < b;
}

bool versionLater(const std::string& a, const std::string& b) {
  return isDottedNumber(a) && isDottedNumber(b) && compareDottedNumbers(a, b) > 0;
}
