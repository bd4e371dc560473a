// The run-time error dialog: the error line, and for errors of the stored code the question of
// how to go on.
#include <cstdio>

#include "executor/engine.h"
#include "executor/errors.h"
#include "executor/texts.h"

namespace zox {

int zoxexec::report(int error, uint32_t offset) {
  char line[84];
  if (offset != 0) {
    std::snprintf(line, sizeof line, texts::kErrorAtLine, error, static_cast<unsigned>(offset));
  } else {
    std::snprintf(line, sizeof line, texts::kErrorLine, error);
  }
  con_->printText(kSlotError, line, 0);

  if (error >= kErrFirstRunTime && offset != 0) {
    bool resume = false;
    if (returnOffset_ != 0) {
      con_->printText(kSlotError, texts::kAskLeaveIgnoreResumeExit, 0);
      switch (con_->waitForKeyOfText(kSlotError, texts::kKeysLeaveIgnoreExitResume)) {
        case 0:  // L
          if (returnFromClause() == 0) return 1;
          con_->printText(kSlotError, texts::kResumeFailed, 0);
          con_->waitForKey();
          break;
        case 1:  // I
          return 0;
        case 3:  // R
          resume = true;
          break;
        default:  // E
          break;
      }
    } else {
      con_->printText(kSlotError, texts::kAskIgnoreResumeExit, 0);
      switch (con_->waitForKeyOfText(kSlotError, texts::kKeysIgnoreExitResume)) {
        case 0:  // I
          return 0;
        case 2:  // R
          resume = true;
          break;
        default:  // E
          break;
      }
    }
    if (resume) {
      inventoryActive_ = false;
      if (seek(offset)) return 0;
      con_->printText(kSlotError, texts::kSeekFailed, 0);
      con_->waitForKey();
    }
  }
  con_->printText(kSlotError, "\n", 0);
  return -1;
}

void zoxexec::reportStop() {
  if (areaDrawings_ > 0) {
    // The signal came while the title line or the status area had the text area: the error
    // goes where play was, not into them, where the status area would scroll it away.
    con_->setTopReserved(0);
    con_->setBottomReserved(playArea_.bottom);
    con_->moveTo(playArea_.x, playArea_.screenRow);
    con_->setTopReserved(playArea_.top);
  }
  report(kErrUserBreak, 0);
}

}  // namespace zox
