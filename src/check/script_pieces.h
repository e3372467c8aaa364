// The installation script as qnUpdate reads it: piece by piece through the same
// reader, each piece with the number of the physical line it comes from.
#ifndef QN_CHECK_SCRIPT_PIECES_H
#define QN_CHECK_SCRIPT_PIECES_H

#include <cstddef>

#include "runtime/text_file.h"
#include "script/script_reader.h"

// The most pieces the check keeps; a longer script is checked up to there.
constexpr size_t kMaxPieces = 4096;

struct ScriptPiece {
  unsigned long line;          // physical line number, from 1
  bool continued;              // goes on the line of the piece before (a line over 255 characters)
  char text[kScriptLineSize];  // as readScriptLine gives it, trimmed
};

struct ScriptPieces {
  size_t count;             // every piece kept, those after a 0x1A byte included
  size_t readCount;         // the pieces that qnUpdate reads: those before the first 0x1A byte
  unsigned long ctrlZLine;  // the line holding the first 0x1A byte, or 0 when there is none
  bool cut;                 // the script holds more than kMaxPieces pieces
  ScriptPiece pieces[kMaxPieces];
};

// Reads the open script to its end with readScriptLine. Past a 0x1A byte it goes
// on reading, so that the check can tell what the byte cuts off.
void readScriptPieces(TextFile* file, ScriptPieces* script);

#endif  // QN_CHECK_SCRIPT_PIECES_H
