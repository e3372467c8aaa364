// Which piece of the script qnUpdate reads as what, for every platform: the
// section search and its end follow runSection through the same helpers
// (sectionHeaderFor, sectionEntry), run over the pieces instead of the file.
#ifndef QN_CHECK_SECTION_PLAN_H
#define QN_CHECK_SECTION_PLAN_H

#include <cstddef>
#include <cstdint>

#include "check/script_pieces.h"

constexpr long kNoPiece = -1;

// Where one header's section lies among the first `count` pieces.
struct SectionSpan {
  long header;  // the piece that opens it, or kNoPiece when the header is not there
  long end;     // the piece that ends it, or `count` when the pieces run out first
};

// The section that runSection would run for `header`: the first piece that
// equals it, and the entries after it up to the first that ends a section.
SectionSpan findSection(const ScriptPiece* pieces, size_t count, const char* header);

// What qnUpdate does with one piece, on whichever platform reads it. Each field
// names the header piece of a section, or is kNoPiece.
struct PieceUse {
  long opens;   // this piece is that section's header
  long inside;  // an entry of that section: a command line or a comment
  long ends;    // this piece ends that section
};

// The distinct section headers, one per platform family that has its own.
constexpr size_t kHeaderCount = 5;
const char* headerText(size_t index);

// Fills `uses` for the first `count` pieces, over every section header.
void planScript(const ScriptPiece* pieces, size_t count, PieceUse* uses);

// One row of the platform list, in the order the check reports them.
struct PlatformRow {
  int32_t code;
  const char* name;
};
constexpr size_t kPlatformCount = 7;
extern const PlatformRow kPlatforms[kPlatformCount];

#endif  // QN_CHECK_SECTION_PLAN_H
