// Entering a room: by the offset of its header (GO TO) or by its number.
#include "executor/engine.h"
#include "executor/errors.h"
#include "format/opcodes.h"

namespace zox {

void zoxexec::forgetRoomTexts() {
  if (!roomTextsSet_) return;
  for (Text& t : roomTexts_) t.reset();
  roomTextsSet_ = false;
}

void zoxexec::forgetStatusTexts() {
  if (!statusTextsSet_) return;
  for (Text& t : statusTexts_) t.reset();
  statusTextsSet_ = false;
}

int zoxexec::enterRoomAt(uint32_t target) {
  const uint64_t back = tell();
  if (!seek(target)) return kErrRead;
  roomInfo_.reset();
  clauseRunning_ = false;
  // A target that is no room header leaves the cursor after the GO TO, so that ignoring the
  // error goes on with the next statement instead of inside whatever the target hit.
  auto notARoom = [&] {
    seek(back);
    return kErrNoRoom;
  };
  if (target < codeStart_ || target >= codeEnd_) return notARoom();
  const int kind = fetchStatement();
  if (kind == kStatementNoMemory) return kErrNoMemory;
  if (kind != op(Op::Room)) return notARoom();
  forgetRoomTexts();
  roomStart_ = statementOffset_ = static_cast<uint32_t>(tell());
  currentRoom_ = operands_.roomNumber;
  ifDepth_ = 0;
  return 0;
}

// Walks statements from the active cursor up to the end marker (or to the first statement at
// or after stopAt) looking for the header of the room. 0 with found telling the outcome, or
// an error number.
int zoxexec::searchRoom(uint16_t room, uint64_t stopAt, bool& found) {
  found = false;
  for (;;) {
    if (tell() >= stopAt) return 0;
    const int kind = fetchStatement();
    if (kind == kStatementUnknown) return kErrUnknownStatement;
    if (kind == kStatementReadFailure) return kErrEndOfFile;
    if (kind == kStatementNoMemory) return kErrNoMemory;
    if (kind == op(Op::EndOfCode)) return 0;
    if (kind == op(Op::Room) && operands_.roomNumber == room) {
      found = true;
      return 0;
    }
  }
}

int zoxexec::enterRoomNumber(uint16_t room) {
  const uint64_t back = tell();
  if (room == currentRoom_) {
    if (!seek(roomStart_)) return kErrRead;
    forgetRoomTexts();
    statementOffset_ = roomStart_;
  } else {
    bool found = false;
    int r = searchRoom(room, UINT64_MAX, found);
    if (r == 0 && !found) {
      if (!seek(codeStart_)) {
        seek(back);
        return kErrRead;
      }
      r = searchRoom(room, roomStart_, found);
    }
    if (r == 0 && !found) r = kErrNoRoom;
    if (r != 0) {
      // As for GO TO: ignoring the error goes on after the statement.
      seek(back);
      return r;
    }
    forgetRoomTexts();
    roomStart_ = statementOffset_ = static_cast<uint32_t>(tell());
    currentRoom_ = room;
  }
  ifDepth_ = 0;
  roomInfo_.reset();
  clauseRunning_ = false;
  return 0;
}

}  // namespace zox
