#include "check/section_plan.h"

#include <cstring>

#include "script/platform_code.h"
#include "script/script_reader.h"

const PlatformRow kPlatforms[kPlatformCount] = {
    {WINNT, "Windows NT 4.0"},                   // [WINNT]
    {WIN2K, "Windows 2000"},                     // [WIN2K]
    {WIN2K64, "Windows 2000 on 64-bit"},         // [64WIN2K]
    {WINXP, "Windows XP"},                       // [WINK3]
    {WINK3, "Windows Server 2003"},              // [WINK3]
    {WINK364, "Windows Server 2003 on 64-bit"},  // [64WINK3]
    {OTHER, "Any other system"},                 // [WINK3]
};

static const int32_t kHeaderCodes[kHeaderCount] = {WINNT, WIN2K, WINK3, WIN2K64, WINK364};

const char* headerText(size_t index) { return sectionHeaderFor(kHeaderCodes[index]); }

SectionSpan findSection(const ScriptPiece* pieces, size_t count, const char* header) {
  SectionSpan span = {kNoPiece, static_cast<long>(count)};
  size_t i = 0;
  while (i < count && strcmp(pieces[i].text, header) != 0) ++i;
  if (i == count) return span;
  span.header = static_cast<long>(i);
  for (++i; i < count; ++i) {
    if (sectionEntry(pieces[i].text) == kSectionEnds) break;
  }
  span.end = static_cast<long>(i);
  return span;
}

void planScript(const ScriptPiece* pieces, size_t count, PieceUse* uses) {
  for (size_t i = 0; i < count; ++i) uses[i] = PieceUse{kNoPiece, kNoPiece, kNoPiece};
  for (size_t h = 0; h < kHeaderCount; ++h) {
    SectionSpan span = findSection(pieces, count, headerText(h));
    if (span.header == kNoPiece) continue;
    uses[span.header].opens = span.header;
    for (long i = span.header + 1; i < span.end; ++i) uses[i].inside = span.header;
    if (span.end < static_cast<long>(count)) uses[span.end].ends = span.header;
  }
}
