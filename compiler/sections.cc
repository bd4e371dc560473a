// Section headers, the section context they switch, and the placement rules that decide
// which statement may stand in which section.
#include <array>
#include <cstdint>

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
  kCount,
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
    recordError(c, kErrSyntax, c.lineNumber, currentLineText(c));
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
  if (r != 0) recordError(c, r, c.lineNumber, currentLineText(c));
  closeOpenBlocks(c);
  return 0;
}

namespace {

constexpr size_t kSectionKinds = static_cast<size_t>(Section::kCount);
// An entry that the section alone does not decide: the rule asks more of the compiler state.
constexpr uint8_t kAsk = 0xFF;

// The error each placement rule gives in each kind of section (0: the statement may stand
// there), in the order of Section.
constexpr uint8_t k86 = kErrNotHere, k84 = kErrOutsideRoom, k85 = kErrInitOnly,
                  k89 = kErrInventoryNoClause;
constexpr std::array<std::array<uint8_t, kSectionKinds>, 16> kPlacementErrors = {{
    //  none    [INIT]   room      [STATUS]  [INVENTORY]: before, after a clause
    {0, 0, 0, 0, 0, 0},                            // Anywhere
    {k86, k86, 0, 0, k89, 0},                      // RoomOrStatus
    {k86, k86, 0, k86, k89, 0},                    // RoomNotStatus
    {k86, k86, 0, kAsk, k89, 0},                   // End
    {k84, k84, 0, k86, k84, k84},                  // Quit
    {k84, k84, 0, k84, k84, k84},                  // Input
    {k84, k84, 0, 0, k84, k84},                    // RoomInfo
    {k85, 0, k85, k85, k85, k85},                  // InitOnly
    {k85, kAsk, k85, k85, k85, k85},               // Password
    {k86, 0, 0, 0, k89, 0},                        // Colour
    {k86, 0, 0, k86, k89, 0},                      // StatusLines
    {0, 0, 0, 0, k89, 0},                          // NotBeforeClause
    {kAsk, kAsk, kAsk, kAsk, kAsk, kAsk},          // Item
    {kErrSyntax, 0, 0, 0, k89, 0},                 // Assignment
    {k86, k86, 0, k86, 0, 0},                      // BracketClause
    {k86, k86, kAsk, k86, kErrColonNoBracket, 0},  // ColonClause
}};
static_assert(static_cast<size_t>(Placement::ColonClause) + 1 == kPlacementErrors.size());

// The entries marked kAsk.
int askedPlacement(const Compiler& c, const StatementLine& s, Placement where) {
  switch (where) {
    case Placement::End:  // in [STATUS]
      return isKeyword(skipBlanks(s.rest), kTokChoose) ? kErrNotHere : 0;
    case Placement::Password:  // in [INIT]
      return c.part != 1 ? kErrPassword : 0;
    case Placement::Item:
      return c.itemLineMark ? 0 : kErrItemPlace;
    case Placement::ColonClause:  // in a room
      return c.clauseSeen ? 0 : kErrColonNoBracket;
    default:
      return kErrSyntax;
  }
}

}  // namespace

int placementError(const Compiler& c, const StatementLine& s, Placement where) {
  const uint8_t error =
      kPlacementErrors[static_cast<size_t>(where)][static_cast<size_t>(currentSection(c))];
  return error == kAsk ? askedPlacement(c, s, where) : error;
}

}  // namespace zox
