// Section headers, the section context they switch, and the placement rules that decide
// which statement may stand in which section.
#include <cstring>

#include "compiler/internal.h"
#include "compiler/stmt_common.h"
#include "format/opcodes.h"

namespace zox {

namespace {

using namespace stmt;

enum class Section {
  None,  // before the first section header
  Init,
  Room,
  Status,
  InventoryBeforeClause,  // [INVENTORY] before its first bracket clause header
  InventoryAfterClause,
};

Section currentSection(const Compiler& c) {
  if (c.inInit) return Section::Init;
  if (c.inStatus) return Section::Status;
  if (c.inRoom) return Section::Room;
  if (c.inInventory) {
    return c.clauseSeen ? Section::InventoryAfterClause : Section::InventoryBeforeClause;
  }
  return Section::None;
}

void enterSection(Compiler& c, bool init, bool room, bool inventory, bool status) {
  c.inInit = init;
  c.inRoom = room;
  c.inInventory = inventory;
  c.inStatus = status;
  c.clauseSeen = false;
  if (room) c.roomTexts.clear();  // a room's text variables are its own
}

// [INIT], [INVENTORY] and [STATUS]: nothing after the header, and only once.
int onceOnlyHeader(const StatementLine& s, bool& seen, int twice) {
  if (!onlyBlanks(s.rest)) return kErrSyntax;
  if (seen) return twice;
  seen = true;
  return 0;
}

int compileInitHeader(Compiler& c, const StatementLine& s) {
  enterSection(c, true, false, false, false);
  if (int r = onceOnlyHeader(s, c.seenInit, kErrSectionTwice)) return r;
  return emitByte(c, op(Op::Init));
}

int compileInventoryHeader(Compiler& c, const StatementLine& s) {
  enterSection(c, false, false, true, false);
  if (int r = onceOnlyHeader(s, c.seenInventory, kErrSectionTwice)) return r;
  return emitByte(c, op(Op::Inventory));
}

int compileStatusHeader(Compiler& c, const StatementLine& s) {
  enterSection(c, false, true, false, true);
  if (int r = onceOnlyHeader(s, c.seenStatus, kErrStatusTwice)) return r;
  if (int r = emitByte(c, op(Op::Room))) return r;
  return emitU16(c, 0);
}

int compileRoomHeader(Compiler& c, const StatementLine& s) {
  enterSection(c, false, true, false, false);
  std::string_view roomName;
  if (int r = roomNameAt(s.rest, &roomName)) return r;
  const NameKey key(roomName);
  int slot = c.rooms.find(key);
  if (slot >= 0 && c.roomPositions[static_cast<size_t>(slot)] != 0) return kErrRoomTwice;
  if (slot < 0) {
    if (int r = c.rooms.add(key, &slot)) return r;
  }
  c.roomPositions[static_cast<size_t>(slot)] = outputOffset(c);
  if (int r = emitByte(c, op(Op::Room))) return r;
  return emitU16(c, static_cast<uint16_t>(slot + 1));
}

}  // namespace

void closeOpenBlocks(Compiler& c) {
  // One-line IFs waiting for their statement are no blocks; their automatic ENDs still come.
  // They are the innermost IFs, so the block reported is the one just below them.
  if (c.ifDepth > c.oneLineIfsWaiting) {
    const int innermost = c.ifDepth - c.oneLineIfsWaiting;
    recordError(c, kErrIfBlock, c.ifLines[static_cast<size_t>(innermost)], std::nullopt);
    c.ifDepth = c.oneLineIfsWaiting;
    c.elseSeen.reset();
  }
  if (c.choiceDepth > 0) {
    recordError(c, kErrChoiceBlock, c.chooseLines[static_cast<size_t>(c.choiceDepth)],
                std::nullopt);
    c.choiceDepth = 0;
    c.choiceEntries.fill(0);
  }
}

int compileSectionHeader(Compiler& c, const StatementLine& s) {
  if (c.oneLineIfsWaiting > 0) {
    recordError(c, kErrSyntax, c.lineNumber, std::string_view(c.lineBuffer.data()));
    return 0;
  }
  if (int r = storePendingNewLine(c)) return r;
  c.continuationAllowed = false;
  int r = 0;
  switch (s.code) {
    case kTokInit:
      r = compileInitHeader(c, s);
      break;
    case kTokRoom:
      r = compileRoomHeader(c, s);
      break;
    case kTokInventorySection:
      r = compileInventoryHeader(c, s);
      break;
    case kTokStatus:
      r = compileStatusHeader(c, s);
      break;
    default:
      r = kErrSyntax;
      break;
  }
  if (r == kErrIo) return r;
  if (r != 0) recordError(c, r, c.lineNumber, std::string_view(c.lineBuffer.data()));
  closeOpenBlocks(c);
  return 0;
}

int placementError(const Compiler& c, const StatementLine& s) {
  const Section at = currentSection(c);
  const bool room = at == Section::Room || at == Section::Status;
  const bool status = at == Section::Status;
  const bool beforeClause = at == Section::InventoryBeforeClause;
  const bool afterClause = at == Section::InventoryAfterClause;
  const bool inventory = beforeClause || afterClause;

  switch (s.code) {
    // Room statements that may also draw the status area.
    case kTokPrint:
    case kTokPrintNl:
    case kTokPrintDnl:
    case kTokPrintInp:
    case kTokIf:
    case kTokResume:
    case kTokNl:
    case kTokChange:
    case kTokLoad:
    case kTokElse:
      if (room || afterClause) return 0;
      return beforeClause ? kErrInventoryNoClause : kErrNotHere;

    // Room statements that wait, jump or ask: not in [STATUS].
    case kTokWait:
    case kTokChoose:
    case kTokGo:
    case kTokCls:
    case kTokRestart:
    case kTokContinue:
    case kTokChoiceEntry:
      if ((room && !status) || afterClause) return 0;
      return beforeClause ? kErrInventoryNoClause : kErrNotHere;

    case kTokEnd: {
      bool endChoose = isKeyword(skipBlanks(s.rest), kTokChoose);
      if (endChoose && status) return kErrNotHere;
      if (room || afterClause) return 0;
      return beforeClause ? kErrInventoryNoClause : kErrNotHere;
    }

    case kTokQuit:
      if (room && !status) return 0;
      return status ? kErrNotHere : kErrOutsideRoom;
    case kTokInput:
      return room && !status ? 0 : kErrOutsideRoom;
    case kTokRInfo:
      return room ? 0 : kErrOutsideRoom;

    case kTokPassword:
      if (at != Section::Init) return kErrInitOnly;
      return c.part != 1 ? kErrPassword : 0;
    case kTokTitle:
    case kTokVar:
    case kTokCText:
    case kTokStart:
    case kTokIText:
    case kTokInText:
    case kTokResource:
      return at == Section::Init ? 0 : kErrInitOnly;

    case kTokTextColor:
    case kTokTextBackground:
    case kTokScreenColor:
    case kTokScreenBackground:
    case kTokInputColor:
    case kTokInputBackground:
    case kTokTitleColor:
    case kTokTitleBackground:
    case kTokStatusColor:
    case kTokStatusBackground:
      if (beforeClause) return kErrInventoryNoClause;
      return at == Section::None ? kErrNotHere : 0;
    case kTokStatusLines:
      if (beforeClause) return kErrInventoryNoClause;
      return at == Section::None || status ? kErrNotHere : 0;

    case kTokImsg:
      return beforeClause ? kErrInventoryNoClause : 0;
    case kTokItem:
      return c.itemLineMark ? 0 : kErrItemPlace;

    case kTokAssignment:
      if (beforeClause) return kErrInventoryNoClause;
      return at == Section::None ? kErrSyntax : 0;
    case kTokContinuation:
      return beforeClause ? kErrInventoryNoClause : 0;
    case kTokBracketClause:
      return (room && !status) || inventory ? 0 : kErrNotHere;
    case kTokColonClause:
      if (!((room && !status) || inventory)) return kErrNotHere;
      return c.clauseSeen ? 0 : kErrColonNoBracket;

    default:
      return 0;
  }
}

}  // namespace zox
