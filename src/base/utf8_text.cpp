#include "base/utf8_text.h"

static constexpr uint32_t kReplacement = 0xFFFD;

// The code point that starts at text[*at], moving *at past it; false, leaving
// *at, when the bytes there are not well-formed UTF-8 (overlong forms,
// surrogates and values past U+10FFFF included).
static bool decodeUtf8(const char* text, size_t length, size_t* at, uint32_t* codePoint) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text) + *at;
  size_t left = length - *at;
  unsigned char lead = bytes[0];
  size_t count;
  uint32_t value;
  uint32_t least;
  if (lead < 0x80) {
    *codePoint = lead;
    ++*at;
    return true;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    count = 2, value = lead & 0x1F, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    count = 3, value = lead & 0x0F, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    count = 4, value = lead & 0x07, least = 0x10000;
  } else {
    return false;
  }
  if (left < count) return false;
  for (size_t i = 1; i < count; ++i) {
    if ((bytes[i] & 0xC0) != 0x80) return false;
    value = value << 6 | (bytes[i] & 0x3F);
  }
  if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  *codePoint = value;
  *at += count;
  return true;
}

bool isUtf8(const char* text, size_t length) {
  uint32_t codePoint;
  for (size_t at = 0; at < length;) {
    if (!decodeUtf8(text, length, &at, &codePoint)) return false;
  }
  return true;
}

void appendUtf8(uint32_t codePoint, std::string* out) {
  if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
    codePoint = kReplacement;
  }
  if (codePoint < 0x80) {
    out->push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out->push_back(static_cast<char>(0xC0 | codePoint >> 6));
    out->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | codePoint >> 12));
    out->push_back(static_cast<char>(0x80 | (codePoint >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | codePoint >> 18));
    out->push_back(static_cast<char>(0x80 | (codePoint >> 12 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (codePoint >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

// Blocks where each capital letter is followed by its small one: the capital
// stands at an even code point (`evenCapitals`) or an odd one.
struct PairedBlock {
  uint32_t first;
  uint32_t last;
  bool evenCapitals;
};

static const PairedBlock kPairedBlocks[] = {
    {0x0100, 0x012F, true},  {0x0132, 0x0137, true},  {0x0139, 0x0148, false},
    {0x014A, 0x0177, true},  {0x0179, 0x017E, false}, {0x01F8, 0x021F, true},
    {0x0222, 0x0233, true},  {0x0370, 0x0373, true},  {0x0376, 0x0377, true},
    {0x03D8, 0x03EF, true},  {0x0460, 0x0481, true},  {0x048A, 0x04BF, true},
    {0x04C1, 0x04CE, false}, {0x04D0, 0x052F, true},  {0x1E00, 0x1E95, true},
    {0x1EA0, 0x1EFF, true},
};

// Blocks of capitals whose small letters stand `offset` code points later.
struct ShiftedBlock {
  uint32_t first;
  uint32_t last;
  uint32_t offset;
};

static const ShiftedBlock kShiftedBlocks[] = {
    {0x0041, 0x005A, 32}, {0x00C0, 0x00D6, 32}, {0x00D8, 0x00DE, 32}, {0x0388, 0x038A, 37},
    {0x038E, 0x038F, 63}, {0x0391, 0x03A1, 32}, {0x03A3, 0x03AB, 32}, {0x0400, 0x040F, 80},
    {0x0410, 0x042F, 32}, {0x0531, 0x0556, 48},
};

// Single letters that fold elsewhere: variant forms to their usual letter.
static const uint32_t kSingleFolds[][2] = {
    {0x00B5, 0x03BC}, {0x0178, 0x00FF}, {0x017F, 0x0073}, {0x0345, 0x03B9}, {0x037F, 0x03F3},
    {0x0386, 0x03AC}, {0x038C, 0x03CC}, {0x03C2, 0x03C3}, {0x03CF, 0x03D7}, {0x03D0, 0x03B2},
    {0x03D1, 0x03B8}, {0x03D5, 0x03C6}, {0x03D6, 0x03C0}, {0x03F0, 0x03BA}, {0x03F1, 0x03C1},
    {0x03F4, 0x03B8}, {0x03F5, 0x03B5}, {0x03F7, 0x03F8}, {0x03F9, 0x03F2}, {0x03FA, 0x03FB},
    {0x03FD, 0x037B}, {0x03FE, 0x037C}, {0x03FF, 0x037D}, {0x04C0, 0x04CF}, {0x1E9E, 0x00DF},
};

static uint32_t foldedCodePoint(uint32_t c) {
  for (const ShiftedBlock& block : kShiftedBlocks) {
    if (c >= block.first && c <= block.last) return c + block.offset;
  }
  for (const PairedBlock& block : kPairedBlocks) {
    if (c >= block.first && c <= block.last) {
      bool capital = (c % 2 == 0) == block.evenCapitals;
      return capital ? c + 1 : c;
    }
  }
  for (const auto& fold : kSingleFolds) {
    if (c == fold[0]) return fold[1];
  }
  return c;
}

std::string foldedUtf8(const char* text, size_t length) {
  std::string folded;
  folded.reserve(length);
  for (size_t at = 0; at < length;) {
    uint32_t codePoint;
    size_t start = at;
    if (!decodeUtf8(text, length, &at, &codePoint)) {
      folded.push_back(text[at++]);
    } else if (codePoint < 0x80) {
      folded.push_back(static_cast<char>(foldedCodePoint(codePoint)));
    } else {
      uint32_t fold = foldedCodePoint(codePoint);
      if (fold == codePoint) {
        folded.append(text + start, at - start);
      } else {
        appendUtf8(fold, &folded);
      }
    }
  }
  return folded;
}

std::string utf8FromUtf16(const char* bytes, size_t length, bool bigEndian) {
  std::string out;
  const unsigned char* data = reinterpret_cast<const unsigned char*>(bytes);
  auto unit = [data, bigEndian](size_t i) -> uint32_t {
    return bigEndian ? (data[i] << 8 | data[i + 1]) : (data[i + 1] << 8 | data[i]);
  };
  for (size_t i = 0; i + 1 < length; i += 2) {
    uint32_t first = unit(i);
    if (first >= 0xD800 && first <= 0xDBFF && i + 3 < length) {
      uint32_t second = unit(i + 2);
      if (second >= 0xDC00 && second <= 0xDFFF) {
        appendUtf8(0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00), &out);
        i += 2;
        continue;
      }
    }
    appendUtf8(first, &out);  // an unpaired surrogate becomes U+FFFD there
  }
  return out;
}

// Windows-1252's 0x80 to 0x9F; its five unassigned bytes map to the C1
// controls of the same value, as Windows maps them.
static const uint16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::string utf8FromWindows1252(const char* text, size_t length) {
  std::string out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    unsigned char byte = static_cast<unsigned char>(text[i]);
    appendUtf8(byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte, &out);
  }
  return out;
}

static bool isWide(uint32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
         (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
         (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

static bool isCombining(uint32_t c) {
  return (c >= 0x0300 && c <= 0x036F) || (c >= 0x0483 && c <= 0x0489) ||
         (c >= 0x0591 && c <= 0x05BD) || (c >= 0x1AB0 && c <= 0x1AFF) ||
         (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x200B && c <= 0x200F) ||
         (c >= 0x20D0 && c <= 0x20FF) || (c >= 0xFE00 && c <= 0xFE0F) ||
         (c >= 0xFE20 && c <= 0xFE2F);
}

size_t displayWidth(const char* text, size_t length) {
  size_t width = 0;
  for (size_t at = 0; at < length;) {
    uint32_t codePoint;
    if (!decodeUtf8(text, length, &at, &codePoint)) {
      ++at;
      ++width;
    } else if (!isCombining(codePoint)) {
      width += isWide(codePoint) ? 2 : 1;
    }
  }
  return width;
}
