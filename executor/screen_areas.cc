// The title line at the top of the screen and the status area at the bottom, which the
// adventure's own [STATUS section draws through a nested run of the step.
#include <atomic>

#include "executor/engine.h"
#include "executor/errors.h"

namespace zox {

void zoxexec::drawTitleLine() {
  if (!title_) return;
  const int slot = con_->currentSlot();
  const int oldTop = con_->topReserved();
  const Console::Position at = con_->getPosition();
  const int screenRow = at.y + oldTop;
  leavePlayArea(oldTop, con_->bottomReserved(), at.x, screenRow);
  con_->setTopReserved(0);
  con_->hideCursor();
  con_->moveTo(0, 0);
  con_->switchColour(kSlotTitle);
  con_->printText(kSlotTitle, *title_, 0);
  const Console::Position end = con_->getPosition();
  int rows = end.y;
  if (end.x != 0) {
    con_->fillToLineEnd(kSlotTitle);
    ++rows;
  }
  // Inside a status run the text area is the status area, and stays so.
  if (statusRun_) rows = oldTop;
  con_->moveTo(at.x, screenRow);
  con_->setTopReserved(rows);
  con_->switchColour(slot);
  con_->showCursor();
  backToPlayArea();
}

int zoxexec::drawStatusArea() {
  if (statusLineCount_ == 0) return 0;
  if (statusOffset_ == 0) return kErrNoStatusSection;
  const uint64_t back = tell();
  if (!seek(statusOffset_)) return kErrRead;

  const int lines = statusLineCount_;
  const int savedTop = con_->topReserved();
  const Console::Position at = con_->getPosition();
  const int screenRow = at.y + savedTop;
  leavePlayArea(savedTop, con_->bottomReserved(), at.x, screenRow);
  con_->setTopReserved(0);
  con_->setBottomReserved(0);
  con_->hideCursor();
  con_->moveTo(0, kScreenRows - lines);
  con_->setTopReserved(kScreenRows - lines);
  const int savedSlot = con_->currentSlot();
  con_->switchColour(kSlotStatus);

  // The status section always runs from its start with no clause, no open block and no room
  // texts of its own (those of the room stay untouched); the statement being run and its
  // operands are the normal run's again afterwards.
  const bool savedClauseRunning = clauseRunning_;
  const int savedHeaderKind = clauseHeaderKind_;
  const int64_t savedDepth = ifDepth_;
  const uint32_t savedStatement = statementOffset_;
  Operands savedOperands = std::move(operands_);
  clauseRunning_ = false;
  clauseHeaderKind_ = 0;
  ifDepth_ = 0;
  statusRun_ = true;

  int r;
  do {
    r = step();
  } while (r == 0);

  statusRun_ = false;
  forgetStatusTexts();
  clauseRunning_ = savedClauseRunning;
  clauseHeaderKind_ = savedHeaderKind;
  ifDepth_ = savedDepth;
  statementOffset_ = savedStatement;
  operands_ = std::move(savedOperands);
  inventoryActive_ = false;

  // Whatever the section left unprinted of the area takes the status colour.
  con_->useColour(kSlotStatus);
  con_->setTopReserved(0);
  const Console::Position end = con_->getPosition();
  if (end.y <= kScreenRows - 2) {
    for (int row = end.y + 1; row < kScreenRows; ++row) {
      con_->moveTo(0, row);
      con_->fillToLineEnd(kSlotStatus);
    }
  }
  con_->moveTo(at.x, screenRow);
  con_->setTopReserved(savedTop);
  con_->setBottomReserved(lines);
  con_->switchColour(savedSlot);
  con_->showCursor();
  backToPlayArea();

  if (!seek(back)) return kErrRead;
  return r > 0 ? r : 0;
}

int zoxexec::statusLines(int lines) {
  const int old = statusLineCount_;
  if (lines < old) {
    // Wipe the rows the status area gives up.
    const Console::Position at = con_->getPosition();
    const int top = con_->topReserved();
    leavePlayArea(top, con_->bottomReserved(), at.x, at.y + top);
    con_->setBottomReserved(lines);
    con_->setTopReserved(kScreenRows - old);
    con_->clearArea(kSlotScreen);
    con_->setTopReserved(top);
    con_->moveTo(at.x, at.y);
    backToPlayArea();
  } else if (lines > old) {
    const int grow = lines - old;
    if (con_->getPosition().y - grow < 0) {
      con_->clearArea(kSlotScreen);
    } else {
      con_->scrollLines(grow);
    }
  }
  statusLineCount_ = static_cast<uint16_t>(lines);
  return drawStatusArea();
}

void zoxexec::leavePlayArea(int top, int bottom, int x, int screenRow) {
  if (areaDrawings_ == 0) playArea_ = {top, bottom, x, screenRow};
  // The place is whole before a signal handler can see that it is to be used.
  std::atomic_signal_fence(std::memory_order_seq_cst);
  areaDrawings_ = areaDrawings_ + 1;
}

void zoxexec::backToPlayArea() {
  if (areaDrawings_ > 0) areaDrawings_ = areaDrawings_ - 1;
}

}  // namespace zox
