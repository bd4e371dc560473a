// Command mode: the prompt of INPUT, and the restart of the adventure.
#include "executor/engine.h"
#include "executor/errors.h"

namespace zox {

// The command line, number and text prompts come with command mode; until then every INPUT
// ends with the error "not playable yet".
int zoxexec::commandPrompt(int mode, std::string_view prompt) {
  (void)mode;
  (void)prompt;
  return kErrNotPlayable;
}

int zoxexec::restart() {
  clauseHeaderKind_ = 0;
  inventoryActive_ = false;
  choiceResult_ = 0;
  main_.emptyWindow();
  inventory_.emptyWindow();
  resources_.clear();
  // Variables, flags and text variables keep their values.
  setDefaults();
  if (initOffset_ != 0) {
    int r = runInitSection();
    if (r != 0 && r != kErrEndOfFile && r != kErrNoMemory) r = kErrPartFailed;
    if (r != 0) return r;
  }
  if (!seek(codeStart_)) return kErrRead;
  switch (findStartRoom()) {
    case 0:
      break;
    case kStatementReadFailure:
      return kErrEndOfFile;
    case kStatementNoMemory:
      return kErrNoMemory;
    default:
      return kErrPartFailed;
  }
  currentRoom_ = startRoom_;
  roomStart_ = statementOffset_ = static_cast<uint32_t>(tell());
  returnOffset_ = 0;
  ifDepth_ = 0;
  con_->setTopReserved(0);
  con_->setBottomReserved(0);
  con_->clearArea(kSlotScreen);
  drawTitleLine();
  int r = drawStatusArea();
  if (r != 0) return r;
  con_->clearArea(kSlotScreen);
  return 0;
}

}  // namespace zox
