// The interpreter's step: fetch one stored statement and carry it out, in a normal run or in
// the nested run that draws the status area.
#include <cstring>
#include <new>

#include "executor/engine.h"
#include "executor/errors.h"
#include "format/opcodes.h"

namespace zox {
namespace {

// Statements that end a status run, and the value the step gives for them then.
constexpr int kStatusRunEnded = -1;

bool isIfTest(int kind) {
  return kind >= 0 && isNegatableTest(static_cast<uint8_t>(kind & 0xFF));
}

}  // namespace

int zoxexec::step() {
  statementOffset_ = static_cast<uint32_t>(tell());
  const int kind = fetchStatement();
  if (kind == kStatementReadFailure) return kErrEndOfFile;
  if (kind == kStatementNoMemory) return kErrNoMemory;

  bool endsRun = false;
  int r;
  if (kind == kStatementUnknown) {
    r = kErrUnknownStatement;
  } else {
    r = execute(kind, endsRun);
    // A status run ends at once, without the dialog: at its end (-1) or at a refused
    // statement (61).
    if (statusRun_ && (r == kStatusRunEnded || r == kErrRefusedInStatus)) return r;
    if (r < 0) return r;
  }
  if (r >= 1 && r < kErrFirstRunTime) return r;
  if (r != 0) {
    // The player chose to exit in the dialog of a status run inside this statement: the
    // status area's error comes back here and ends the run without asking again.
    if (exitChosen_ && !statusRun_) {
      exitChosen_ = false;
      return r;
    }
    int answer = report(r, statementOffset_);
    if (answer == 1) {
      clauseRunning_ = false;
    } else if (answer < 0) {
      if (statusRun_) exitChosen_ = true;
      return r;
    } else if (kind == op(Op::InputCommand) && statementOffset_ == returnOffset_ &&
               tell() == statementOffset_) {
      // Resume after the prompt's own failure (no clause matched, say): the prompt is asked
      // again, not refused as a prompt inside the clause that never started.
      clauseRunning_ = false;
    }
  }
  const int opcode = kind & 0xFF;
  if (kind < 0 || (opcode != op(Op::InputCommand) && opcode != op(Op::BracketClause) &&
                   opcode != op(Op::ColonClause))) {
    clauseHeaderKind_ = 0;
  }
  return endsRun ? -1 : 0;
}

// Carries out one fetched statement. The result is 0 or an error number for the dialog, or a
// value the step returns at once: -1 (the run ends, or a status run ends), 61 in a status run,
// or a fatal error below 20. endsRun is set for QUIT and the end of the stored code.
int zoxexec::execute(int kind, bool& endsRun) {
  Operands& o = operands_;
  if (isIfTest(kind)) {
    if ((kind & 0xFF) == op(Op::IfChoice) && statusRun_) return kErrRefusedInStatus;
    return enterOrSkip(testCondition(kind));
  }
  // Statements that the status section may not hold.
  auto refusedInStatus = [this] { return statusRun_; };

  switch (static_cast<Op>(kind)) {
    case Op::Init:
    case Op::Room:
    case Op::Inventory:
      if (statusRun_) return kStatusRunEnded;
      return clauseRunning_ ? endClause() : kErrPastSection;
    case Op::EndOfCode:
      if (statusRun_) return kStatusRunEnded;
      if (clauseRunning_) return endClause();
      endsRun = true;
      return 0;
    case Op::Quit:
      if (statusRun_) return kStatusRunEnded;
      endsRun = true;
      return 0;
    case Op::Resume:
      if (statusRun_) return kStatusRunEnded;
      return clauseRunning_ ? endClause() : kErrResumeOutside;

    case Op::Print:
      con_->printText(outputSlot(), o.text, outputPaging());
      return 0;
    case Op::PrintRoomText:
      return printVariable(roomTextSlot(o.firstByte));
    case Op::PrintInitText:
      return printVariable(initTexts_[o.firstByte]);
    case Op::PrintNumber:
      con_->printText(outputSlot(), std::to_string(numbers_[o.firstByte]), outputPaging());
      return 0;
    case Op::NewLine:
      if (statusRun_) {
        con_->useColour(kSlotStatus);
        con_->printText(kSlotStatus, " \n", 0);
      } else {
        con_->printChar(kSlotScreen, '\n', 1);
      }
      return 0;

    case Op::Wait:
      if (refusedInStatus()) return kErrRefusedInStatus;
      con_->waitForKey();
      return 0;
    case Op::WaitInitText:
      if (refusedInStatus()) return kErrRefusedInStatus;
      return waitOnVariable(initTexts_[o.firstByte], "\n\n");
    case Op::WaitRoomText:
      if (refusedInStatus()) return kErrRefusedInStatus;
      return waitOnVariable(roomTexts_[o.firstByte], "\n");
    case Op::WaitText:
      if (refusedInStatus()) return kErrRefusedInStatus;
      con_->printChar(kSlotScreen, '\n', 1);
      con_->printText(kSlotText, o.text, 1);
      con_->waitForKey();
      return 0;
    case Op::Cls:
      if (refusedInStatus()) return kErrRefusedInStatus;
      con_->clearArea(kSlotScreen);
      return 0;

    case Op::SetRoomText:
    case Op::SetInitText:
      try {
        if (kind == op(Op::SetRoomText)) {
          roomTextSlot(o.firstByte) = o.text;
          (statusRun_ ? statusTextsSet_ : roomTextsSet_) = true;
        } else {
          initTexts_[o.firstByte] = o.text;
        }
      } catch (const std::bad_alloc&) {
        return kErrNoMemory;
      }
      return 0;

    case Op::Else:
      return elseReached();
    case Op::End:
      return endReached();
    case Op::SetNumber:
    case Op::AddNumber:
    case Op::SubNumber:
    case Op::Random:
    case Op::SetFlag:
      variableStatement(kind);
      return 0;

    case Op::GoTo:
    case Op::GoRoomNumber: {
      if (refusedInStatus()) return kErrRefusedInStatus;
      if (inventoryActive_) return kErrInventoryCursor;
      const int r = kind == op(Op::GoTo) ? enterRoomAt(static_cast<uint32_t>(o.value))
                                         : enterRoomNumber(o.roomNumber);
      // The prompt of the room left behind is no place to return to from the new room.
      if (r == 0) returnOffset_ = 0;
      return r;
    }
    case Op::GoOtherwise:
      if (!clauseRunning_) return kErrGoOtherwise;
      return goClauseFallback();
    case Op::GoOtherwiseBracket:
      if (!clauseRunning_) return kErrGoOtherwise;
      return goSectionFallback();

    case Op::InputCommand:
      if (refusedInStatus()) return kErrRefusedInStatus;
      return commandPromptStatement();
    case Op::BracketClause:
    case Op::ColonClause:
    case Op::BracketOtherwise:
    case Op::ColonOtherwise:
      if (refusedInStatus()) return kErrRefusedInStatus;
      return clauseHeader(kind);
    case Op::InputNumber:
    case Op::InputRoomText:
    case Op::InputInitText:
      if (refusedInStatus()) return kErrRefusedInStatus;
      return inputStatement(kind);
    case Op::ChooseRoomTexts:
    case Op::ChooseInitTexts:
    case Op::ChooseBlock:
      if (refusedInStatus()) return kErrRefusedInStatus;
      return chooseStatement(false);
    case Op::ChooseRandom:
      if (refusedInStatus()) return kErrRefusedInStatus;
      return chooseStatement(true);
    case Op::Restart: {
      if (refusedInStatus()) return kErrRefusedInStatus;
      clauseRunning_ = false;
      int r = restart();
      if (r == 0) ifDepth_ = 0;
      return r;
    }
    case Op::Continue:
      if (refusedInStatus()) return kErrRefusedInStatus;
      clauseRunning_ = false;
      return switchPart(o.firstByte);

    case Op::RoomInfo:
      if (refusedInStatus()) return kErrRefusedInStatus;
      if (inventoryActive_) return kErrInventoryCursor;
      try {
        roomInfo_ = o.text;
      } catch (const std::bad_alloc&) {
        return kErrNoMemory;
      }
      return 0;
    case Op::PrintRoomInfo:
      printRoomInformation();
      return 0;
    case Op::PrintInventory:
      return printItemList(true, {});
    case Op::PrintItemList: {
      std::string heading = o.text;
      return printItemList(false, heading);
    }
    case Op::Item:
      return 0;
    case Op::Load:
      if (o.firstByte >= resources_.size()) return kErrNoResource;
      if (resources_[o.firstByte].kind != 0) return kErrResourceKind;
      return showResource(o.firstByte);

    case Op::TextColor:
    case Op::TextBackground:
    case Op::ScreenColor:
    case Op::ScreenBackground:
    case Op::InputColor:
    case Op::InputBackground:
    case Op::TitleColor:
    case Op::TitleBackground:
    case Op::StatusColor:
    case Op::StatusBackground:
      return colourStatement(kind);
    case Op::StatusLines:
      if (refusedInStatus()) return kErrRefusedInStatus;
      return statusLines(o.valueByte);
    case Op::Message:
      // Slot 0 is the password, which IMSG must not reach.
      if (o.firstByte == 0 || o.firstByte >= kMessageSlots) return kErrMessageNumber;
      try {
        messages_[o.firstByte] = o.text;
      } catch (const std::bad_alloc&) {
        return kErrNoMemory;
      }
      return 0;

    case Op::Title:
    case Op::VarFlag:
    case Op::VarNumber:
    case Op::ChoiceText:
    case Op::Start:
    case Op::InputText:
    case Op::Password:
    case Op::NumberText:
    case Op::Resource:
      return kErrInitOnly;

    default:
      return kErrUnknownStatement;
  }
}

int zoxexec::printVariable(const Text& text) {
  if (!text) return kErrAbsentText;
  con_->printText(outputSlot(), *text, outputPaging());
  return 0;
}

int zoxexec::waitOnVariable(const Text& text, std::string_view before) {
  con_->printText(kSlotScreen, before, 1);
  if (!text) return kErrAbsentText;
  con_->printText(kSlotText, *text, 1);
  con_->waitForKey();
  return 0;
}

int zoxexec::colourStatement(int opcode) {
  const bool status = opcode >= op(Op::StatusColor);
  const int c =
      status ? kStatusColour + (opcode - op(Op::StatusColor)) : opcode - op(Op::TextColor);
  const uint8_t v = operands_.firstByte;
  colours_[c] = v == kColourDefault ? defaultColours_[c] : v;
  // The default itself is always a colour: [INIT turns DEFAULT into light grey on black.
  if (colours_[c] >= kColourCount) colours_[c] = (c % 2 == 0) ? 7 : 0;
  const int foreground = colours_[c & ~1];
  const int background = colours_[c | 1];
  static constexpr int kSlotOf[] = {kSlotText, kSlotScreen, kSlotInput, kSlotTitle, kSlotStatus};
  con_->setColour(kSlotOf[c / 2], foreground, background);
  if (c == kTitleColour || c == kTitleBackground) drawTitleLine();
  if (status && !statusRun_) return drawStatusArea();
  return 0;
}

// INPUT without a variable: the command prompt.
int zoxexec::commandPromptStatement() {
  if (clauseRunning_) return kErrPromptInClause;
  // The status run replaces the current text, so the prompt is copied first.
  char prompt[kPromptBytes];
  std::size_t n = std::min(operands_.text.size(), sizeof prompt - 1);
  std::memcpy(prompt, operands_.text.data(), n);
  prompt[n] = 0;
  int r = drawStatusArea();
  if (r != 0) return r;
  int answer = commandPrompt(kPromptCommand, std::string_view(prompt, n));
  ifDepth_ = 0;
  if (answer == -2) return -1;
  if (answer == -1) {
    clauseRunning_ = false;
    return 0;
  }
  clauseRunning_ = true;
  return answer;
}

// INPUT into a number variable (mode 0) or a text variable (mode 2).
int zoxexec::inputStatement(int opcode) {
  const uint8_t variable = operands_.firstByte;
  std::string prompt;
  try {
    prompt = operands_.text;
  } catch (const std::bad_alloc&) {
    return kErrNoMemory;
  }
  int r = drawStatusArea();
  if (r != 0) return r;
  if (opcode == op(Op::InputNumber)) {
    int answer = commandPrompt(kPromptNumber, prompt);
    if (answer == 1) {
      numbers_[variable] = numberInput_;
      return 0;
    }
    if (answer == -1) {
      clauseRunning_ = false;
      ifDepth_ = 0;
      return 0;
    }
    if (answer == -2) return -1;
    if (answer == kPromptLoaded) {
      // Play goes on at the statement where the loaded game was saved; that game was inside a
      // command clause when its command prompt to return to is another statement.
      clauseRunning_ = returnOffset_ != 0 && returnOffset_ != statementOffset_;
      ifDepth_ = 0;
      return 0;
    }
    return answer;
  }
  int answer = commandPrompt(kPromptText, prompt);
  if (answer != 0) return answer;
  try {
    operands_.text.assign(inputBuffer_.data(), strnlen(inputBuffer_.data(), inputBuffer_.size()));
    if (opcode == op(Op::InputRoomText)) {
      roomTexts_[variable] = operands_.text;
      roomTextsSet_ = true;
    } else {
      initTexts_[variable] = operands_.text;
    }
  } catch (const std::bad_alloc&) {
    return kErrNoMemory;
  }
  return 0;
}

int zoxexec::chooseStatement(bool randomOrder) {
  int r = drawStatusArea();
  if (r != 0) return r;
  int answer = runChoiceMenu(randomOrder);
  if (answer == -1) {
    clauseRunning_ = false;
    ifDepth_ = 0;
    return 0;
  }
  if (answer == -2) return -1;
  return answer;
}

// Clause headers met by running: more patterns of the clause being run, the end of the
// clause, or a room that ran past its code.
int zoxexec::clauseHeader(int opcode) {
  if (opcode == op(Op::BracketClause) || opcode == op(Op::ColonClause)) {
    const int headerKind = opcode == op(Op::BracketClause) ? 1 : 2;
    if (clauseHeaderKind_ == headerKind) return 0;
    if (clauseRunning_ && clauseHeaderKind_ == 0) return endClause();
    return kErrPastSection;
  }
  if (clauseRunning_ && clauseHeaderKind_ == 0) return endClause();
  return kErrPastSection;
}

int zoxexec::endClause() {
  clauseRunning_ = false;
  return returnFromClause();
}

}  // namespace zox
