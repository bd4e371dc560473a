// Command clauses: the room text snapshot, the return to the command prompt and the GO
// OTHERWISE jumps.
#include "executor/engine.h"
#include "executor/errors.h"

namespace zox {

void zoxexec::takeSnapshot() {
  for (int i = 0; i < kTableSize; ++i) snapshot_[i] = roomTexts_[i];
}

int zoxexec::returnFromClause() {
  for (int i = 0; i < kTableSize; ++i) {
    roomTexts_[i] = std::move(snapshot_[i]);
    snapshot_[i].reset();
    if (roomTexts_[i]) roomTextsSet_ = true;
  }
  inventoryActive_ = false;
  if (!seek(returnOffset_)) return kErrRead;
  returnOffset_ = 0;
  return 0;
}

// The clause searches come with command clauses.
int zoxexec::goSectionFallback() {
  return kErrNotPlayable;
}

int zoxexec::goClauseFallback() {
  return kErrNotPlayable;
}

int zoxexec::searchClauses() {
  return kErrNotPlayable;
}

}  // namespace zox
