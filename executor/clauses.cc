// Command clauses: the search for the clause that answers a command line, in the current room
// and then in the [INVENTORY section, with every fallback; the room text snapshot and the
// return to the command prompt; the two GO OTHERWISE jumps.
//
// How a section is built: a bracket clause header starts a clause (several in a row share its
// body); colon clause headers after it divide the clause by the words its pattern left over,
// and a colon OTHERWISE catches what none of them takes. A bracket OTHERWISE starts the
// section's fallback clause.
#include <new>

#include "executor/engine.h"
#include "executor/errors.h"
#include "format/opcodes.h"

namespace zox {
namespace {

bool endsSection(int kind) {
  return kind == op(Op::Init) || kind == op(Op::Room) || kind == op(Op::Inventory) ||
         kind == op(Op::EndOfCode);
}

}  // namespace

void zoxexec::takeSnapshot() {
  for (int i = 0; i < kTableSize; ++i) snapshot_[i] = roomTexts_[i];
}

void zoxexec::restoreRoomTexts() {
  roomTextsSet_ = false;
  for (int i = 0; i < kTableSize; ++i) {
    roomTexts_[i] = std::move(snapshot_[i]);
    snapshot_[i].reset();
    if (roomTexts_[i]) roomTextsSet_ = true;
  }
}

// A jump into the [INVENTORY section starts from the room texts the prompt saw.
void zoxexec::renewRoomTexts() {
  restoreRoomTexts();
  takeSnapshot();
}

int zoxexec::returnFromClause() {
  restoreRoomTexts();
  inventoryActive_ = false;
  // Without a prompt to go back to there is nowhere to return (offset 0 is the file header).
  if (returnOffset_ == 0 || !seek(returnOffset_)) return kErrRead;
  returnOffset_ = 0;
  return 0;
}

void zoxexec::backTo(const Place& p) {
  if (inventoryOffset_ != 0) {
    inventoryActive_ = true;
    seek(p.inventoryPosition);
  }
  inventoryActive_ = false;
  seek(p.main);
  inventoryActive_ = p.inventory;
}

int zoxexec::fetchForSearch(int& kind) {
  kind = fetchStatement();
  switch (kind) {
    case kStatementUnknown:
      return kErrUnknownStatement;
    case kStatementReadFailure:
      return kErrEndOfFile;
    case kStatementNoMemory:
      return kErrNoMemory;
    default:
      return 0;
  }
}

// Searches the section of the active cursor, which stands at its first statement.
int zoxexec::searchSection(SectionSearch& out) {
  out = SectionSearch{Search::NoMatch, 0, 0};
  uint32_t fallback = 0;
  int kind;
  for (;;) {
    if (int r = fetchForSearch(kind)) return r;
    if (kind == op(Op::BracketOtherwise)) {
      fallback = static_cast<uint32_t>(tell());
      continue;
    }
    if (endsSection(kind)) {
      out.fallback = fallback;
      return 0;
    }
    if (kind != op(Op::BracketClause)) continue;
    int next = 0;
    const int m = matcher_.match(operands_.text, words_, 0, &next);
    if (m == kPatternNoMatch) continue;

    if (m == kPatternAllWords) {
      // The body follows the bracket clause headers of the clause, unless the clause wants
      // more words (its colon clause headers): then the words are used up.
      uint64_t at;
      do {
        at = tell();
        if (int r = fetchForSearch(kind)) return r;
      } while (kind == op(Op::BracketClause));
      if (!seek(at)) return kErrRead;
      const bool wantsMore = kind == op(Op::ColonClause) || kind == op(Op::ColonOtherwise);
      out.result = wantsMore ? Search::WordsUsedUp : Search::Found;
      out.kind = wantsMore ? 0 : 1;
      return 0;
    }

    // Words are left: a colon clause header of this clause must use them all.
    out.kind = 2;
    fallback = 0;
    bool direct = true;  // still among the bracket clause headers of the match
    for (;;) {
      if (int r = fetchForSearch(kind)) return r;
      if (kind == op(Op::BracketClause) && direct) continue;
      if (kind == op(Op::BracketClause) || kind == op(Op::BracketOtherwise) || endsSection(kind)) {
        out.result = Search::NoSubMatch;
        out.fallback = fallback;
        return 0;
      }
      direct = false;
      if (kind == op(Op::ColonOtherwise)) {
        fallback = static_cast<uint32_t>(tell());
      } else if (kind == op(Op::ColonClause) &&
                 matcher_.match(operands_.text, words_, next) == kPatternAllWords) {
        out.result = Search::Found;
        return 0;
      }
    }
  }
}

int zoxexec::searchClauses() {
  const Place back = place();
  auto failed = [&](int error) {
    backTo(back);
    return error;
  };
  inventoryActive_ = false;
  if (!seek(roomStart_)) return failed(kErrRead);
  SectionSearch room;
  if (int r = searchSection(room)) return failed(r);
  if (room.result == Search::Found) {
    clauseHeaderKind_ = room.kind;
    return 0;
  }
  if (room.result == Search::WordsUsedUp) room.fallback = static_cast<uint32_t>(tell());

  SectionSearch inventory;  // Search::None without an [INVENTORY section
  if (inventoryOffset_ != 0) {
    inventoryActive_ = true;
    const int r = seek(inventoryOffset_) ? searchSection(inventory) : kErrRead;
    inventoryActive_ = false;
    if (r != 0) return failed(r);
    if (inventory.result == Search::Found) {
      clauseHeaderKind_ = inventory.kind;
      inventoryActive_ = true;
      return 0;
    }
  }

  auto run = [&](const SectionSearch& s, bool inInventory) {
    inventoryActive_ = inInventory;
    if (!seek(s.fallback)) return failed(kErrRead);
    clauseHeaderKind_ = s.kind;
    return 0;
  };
  if (room.result == Search::WordsUsedUp) return run(room, false);
  if (inventory.result == Search::WordsUsedUp) {
    // The inventory cursor stands at the colon clause header.
    clauseHeaderKind_ = inventory.kind;
    inventoryActive_ = true;
    return 0;
  }
  const bool roomSub = room.result == Search::NoSubMatch;
  const bool inventorySub = inventory.result == Search::NoSubMatch;
  if (room.result == inventory.result) {
    if (room.fallback != 0) return run(room, false);
    if (inventory.fallback != 0) return run(inventory, true);
  } else if (roomSub || inventory.result == Search::None) {
    if (room.fallback != 0) return run(room, false);
  } else if (inventory.fallback != 0) {
    // No clause of the room, a clause of the inventory without the colon clause.
    return run(inventory, true);
  }

  if (roomSub || inventorySub) {
    uint32_t body = 0;
    int r = inEitherSection(&zoxexec::findClauseFallbackOfSectionFallback, body);
    if (r == 0 && !seek(body)) r = kErrRead;
    if (r != 0) return failed(r);
    clauseHeaderKind_ = 2;
    return 0;
  }
  return failed(kErrNoClause);
}

// Tries the section of the active cursor, then, if it has no such fallback (24), that of the
// other cursor; when both fail the first cursor is active again.
int zoxexec::inEitherSection(int (zoxexec::*find)(uint32_t&), uint32_t& body) {
  const bool first = inventoryActive_;
  int r = (this->*find)(body);
  if (r == kErrNoClause && inventoryOffset_ != 0) {
    inventoryActive_ = !first;
    r = (this->*find)(body);
    if (r != 0) inventoryActive_ = first;
  }
  return r;
}

// The first section fallback header of the active cursor's section: body is the statement
// after it, and the cursor stands there.
int zoxexec::findSectionFallback(uint32_t& body) {
  if (!seek(sectionStart())) return kErrRead;
  int kind;
  for (;;) {
    if (int r = fetchForSearch(kind)) return r;
    if (kind == op(Op::BracketOtherwise)) {
      body = static_cast<uint32_t>(tell());
      return 0;
    }
    if (endsSection(kind)) return kErrNoClause;
  }
}

// From just after a bracket clause header or a section fallback header: the clause fallback
// header of that clause.
int zoxexec::findClauseFallbackAfter(uint32_t& body) {
  bool direct = true;
  int kind;
  for (;;) {
    if (int r = fetchForSearch(kind)) return r;
    if (kind == op(Op::BracketClause) && direct) continue;
    if (kind == op(Op::ColonOtherwise)) {
      body = static_cast<uint32_t>(tell());
      return 0;
    }
    if (kind == op(Op::BracketClause) || kind == op(Op::BracketOtherwise) || endsSection(kind)) {
      return kErrNoClause;
    }
    direct = false;
  }
}

// The clause fallback of the section's fallback clause.
int zoxexec::findClauseFallbackOfSectionFallback(uint32_t& body) {
  uint32_t ignored;
  if (int r = findSectionFallback(ignored)) return r;
  return findClauseFallbackAfter(body);
}

// The clause fallback of the first clause that the command words match, or else of the last
// section fallback clause.
int zoxexec::findClauseFallbackOfClause(uint32_t& body) {
  if (!seek(sectionStart())) return kErrRead;
  uint32_t lastFallback = 0;
  int kind;
  for (;;) {
    if (int r = fetchForSearch(kind)) return r;
    if (kind == op(Op::BracketOtherwise)) {
      lastFallback = static_cast<uint32_t>(tell());
    } else if (kind == op(Op::BracketClause)) {
      if (matcher_.match(operands_.text, words_, 0) != kPatternNoMatch) break;
    } else if (endsSection(kind)) {
      if (lastFallback == 0) return kErrNoClause;
      if (!seek(lastFallback)) return kErrRead;
      break;
    }
  }
  return findClauseFallbackAfter(body);
}

// The end of both GO OTHERWISE jumps: on to the fallback's body found by the search (r 0), or
// back to where the jump was made with the search's error.
int zoxexec::enterFallback(int r, uint32_t body, const Place& back) {
  if (r == 0 && !seek(body)) r = kErrRead;
  if (r != 0) {
    backTo(back);
    return r;
  }
  if (inventoryActive_) renewRoomTexts();
  return 0;
}

// GO (OTHERWISE): the section's fallback clause.
int zoxexec::goSectionFallback() {
  const Place back = place();
  uint32_t body = 0;
  int r = inEitherSection(&zoxexec::findSectionFallback, body);
  return enterFallback(r, body, back);
}

// GO OTHERWISE: the clause fallback of the clause the command matched. A section without one
// falls back to the other section's, and then to the clause fallback of a section fallback
// clause, whether or not the adventure has an [INVENTORY section.
int zoxexec::goClauseFallback() {
  const Place back = place();
  const bool first = inventoryActive_;
  uint32_t body = 0;
  int r;
  try {
    r = findClauseFallbackOfClause(body);
    if (r == kErrNoClause && inventoryOffset_ != 0) {
      inventoryActive_ = !first;
      r = findClauseFallbackOfClause(body);
    }
  } catch (const std::bad_alloc&) {
    r = kErrNoMemory;
  }
  if (r == kErrNoClause) r = inEitherSection(&zoxexec::findClauseFallbackOfSectionFallback, body);
  return enterFallback(r, body, back);
}

}  // namespace zox
