// Folding names for comparison, and the encodings Windows saves lists in.
#include <gtest/gtest.h>

#include <string>

#include "base/utf8_text.h"

namespace {

std::string folded(const std::string& text) { return foldedUtf8(text.data(), text.size()); }

TEST(Utf8TextTest, CapitalAndSmallLettersFoldAlikeInEveryScriptFleetsUse) {
  const char* const pairs[][2] = {
      {"PCZ", "pcz"},                     // ASCII, to the last letter
      {"MÜNCHEN-ÆØÅ", "münchen-æøå"},     // Latin-1
      {"ŁÓDŹ-ŐŰ-ĲŸ", "łódź-őű-ĳÿ"},       // Latin Extended-A, and Ÿ to ÿ
      {"ΑΘΉΝΑ-ΣΟΦΊΑ", "αθήνα-σοφία"},     // Greek, accented
      {"МОСКВА-ЁЖ-ЇҐ", "москва-ёж-їґ"},   // Cyrillic, with its extensions
      {"ՀԱՅ", "հայ"},                     // Armenian
      {"ȘTEFAN", "ștefan"},               // Romanian, from Latin Extended-B
  };
  for (const auto& pair : pairs) EXPECT_EQ(folded(pair[0]), folded(pair[1])) << pair[0];
  // Final sigma and the micro sign fold with their usual letters.
  EXPECT_EQ(folded("ς"), folded("Σ"));
  EXPECT_EQ(folded("µ"), folded("Μ"));
  // Letters that only look alike stay apart.
  EXPECT_NE(folded("ß"), folded("SS"));
  EXPECT_NE(folded("A"), folded("А"));  // Latin and Cyrillic
}

TEST(Utf8TextTest, BytesThatAreNotUtf8StayAsTheyStandWithAsciiFolded) {
  std::string windows1252 = "M\xDCnchen";  // "München" in the ANSI code page
  EXPECT_FALSE(isUtf8(windows1252.data(), windows1252.size()));
  EXPECT_EQ("m\xDCnchen", folded(windows1252));
  EXPECT_NE(folded("M\xDCNCHEN"), folded("M\xFCNCHEN"));
  // Overlong forms, surrogates and truncated sequences are no UTF-8.
  for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xE2\x82", "\xF4\x90\x80\x80"}) {
    EXPECT_FALSE(isUtf8(bad, std::string(bad).size())) << bad;
  }
}

TEST(Utf8TextTest, ListsSavedAsUtf16OrWindows1252ReadAsUtf8) {
  const std::string littleEndian("P\0C\0\xDC\0 \0=\xD8\x00\xDE", 12);  // "PCÜ " and U+1F600
  EXPECT_EQ("PCÜ 😀", utf8FromUtf16(littleEndian.data(), littleEndian.size(), false));
  const std::string bigEndian("\0P\xD8\x3D\0C", 6);  // an unpaired surrogate between
  EXPECT_EQ("P\xEF\xBF\xBD" "C", utf8FromUtf16(bigEndian.data(), bigEndian.size(), true));
  EXPECT_EQ("€ Š ü \xC2\x81", utf8FromWindows1252("\x80 \x8A \xFC \x81", 7));
}

}  // namespace
