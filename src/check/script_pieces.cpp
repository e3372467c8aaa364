#include "check/script_pieces.h"

void readScriptPieces(TextFile* file, ScriptPieces* script) {
  script->count = 0;
  script->readCount = 0;
  script->ctrlZLine = 0;
  script->cut = false;
  bool atLineStart = true;
  bool beforeCtrlZ = true;
  for (;;) {
    if (script->count == kMaxPieces) {
      char rest[kScriptLineSize];
      script->cut = readScriptLine(file, rest) == kLineRead;
      break;
    }
    ScriptPiece* piece = &script->pieces[script->count];
    unsigned long lineFeedsBefore = file->lineFeeds;
    if (readScriptLine(file, piece->text) == kEndOfScript) {
      if (!resumeAfterCtrlZ(file)) break;
      if (beforeCtrlZ) {
        script->ctrlZLine = file->lineFeeds + 1;
        script->readCount = script->count;
        beforeCtrlZ = false;
      }
      atLineStart = true;
      continue;
    }
    piece->line = lineFeedsBefore + 1;
    piece->continued = !atLineStart;
    atLineStart = file->lineFeeds != lineFeedsBefore;
    ++script->count;
  }
  if (beforeCtrlZ) script->readCount = script->count;
}
