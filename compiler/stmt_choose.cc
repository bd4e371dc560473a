// Choices: CHOOSE with a list of text variables, choice blocks (CHOOSE alone, CHOOSE RANDOM)
// with the look-ahead that collects their entries, choice entry lines and END CHOOSE.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "compiler/statements.h"
#include "compiler/stmt_common.h"
#include "format/opcodes.h"

namespace zox {

namespace {

using namespace stmt;

constexpr size_t kMaxListNames = 10;
constexpr size_t kMaxEntries = 16;

enum class TextKind { None, Room, Init };

TextKind kindOf(const Compiler& c, const NameKey& name, int* slot) {
  if ((*slot = c.roomTexts.find(name)) >= 0) return TextKind::Room;
  if ((*slot = c.initTexts.find(name)) >= 0) return TextKind::Init;
  return TextKind::None;
}

// CHOOSE a, b, c: a menu of text variables, all of one kind.
int compileChooseList(Compiler& c, const char* p) {
  std::vector<uint8_t> slots;
  TextKind listKind = TextKind::None;
  for (;;) {
    std::string_view name = lexerWord(p);
    if (name.empty()) return kErrSyntax;
    if (name.size() > kMaxWordLength) return kErrTooLong;
    int slot = -1;
    const NameKey key(name);
    TextKind kind = kindOf(c, key, &slot);
    if (kind == TextKind::None) return kErrNoTextVariable;
    if (listKind == TextKind::None) listKind = kind;
    if (kind != listKind) {
      // A name of both kinds fits a list of either; only the other kind alone is a mix.
      int other = listKind == TextKind::Room ? c.roomTexts.find(key) : c.initTexts.find(key);
      if (other < 0) return kErrMixedChoose;
      slot = other;
    }
    slots.push_back(static_cast<uint8_t>(slot));
    p = skipBlanks(p + name.size());
    if (atLineEnd(p)) break;
    if (*p != ',') return kErrSyntax;
    p = skipBlanks(p + 1);
    if (atLineEnd(p)) return kErrSyntax;  // a comma at the end of the line
  }
  if (slots.size() > kMaxListNames) return kErrTooMany;
  Op opcode = listKind == TextKind::Room ? Op::ChooseRoomTexts : Op::ChooseInitTexts;
  if (int r = emitByte(c, op(opcode))) return r;
  if (int r = emitByte(c, static_cast<uint8_t>(slots.size()))) return r;
  for (uint8_t slot : slots) {
    if (int r = emitByte(c, slot)) return r;
  }
  return 0;
}

// True when the text after CHOOSE opens a block: nothing, or RANDOM and nothing.
bool opensBlock(const char* afterChoose, bool* random) {
  const char* p = skipBlanks(afterChoose);
  *random = false;
  if (atLineEnd(p)) return true;
  int used = 0;
  if (isKeyword(p, kTokRandom, &used) && onlyBlanks(p + used)) {
    *random = true;
    return true;
  }
  return false;
}

bool isEndChoose(const char* afterEnd) {
  return isKeyword(skipBlanks(afterEnd), kTokChoose);
}

struct Entries {
  std::array<uint8_t, kMaxEntries> slots{};  // the first kMaxEntries
  size_t count = 0;
  uint16_t mask = 0;  // bit k set: entry k+1 names an INIT text variable
};

// Reads the lines after CHOOSE without compiling them, up to the END CHOOSE that closes this
// block, and collects the entries of this block (not those of blocks nested in it). The
// reading position is put back afterwards. 0 or the error that ended the look-ahead.
int lookAhead(Compiler& c, Entries& out) {
  ReadPosition start = readingPosition(c);
  int nesting = 1;
  int result = 0;
  const SourceLine* read = nullptr;
  while (result == 0 && (read = readAheadLine(c)) != nullptr) {
    const SourceLine& l = *read;
    const char* rest = l.statement() + l.consumed;
    bool random = false;
    switch (l.code) {
      case kTokChoose:
        if (opensBlock(rest, &random)) ++nesting;
        break;
      case kTokEnd:
        if (isEndChoose(rest)) --nesting;
        break;
      case kTokInit:
      case kTokRoom:
      case kTokInventorySection:
      case kTokStatus:
      case kTokBracketClause:
      case kTokColonClause:
        result = kErrChoiceBlock;
        break;
      case kTokChoiceEntry:
        if (nesting == 1) {
          const char* p = skipBlanks(rest);
          std::string_view name = lexerWord(p);
          if (name.empty() || !onlyBlanks(p + name.size())) {
            result = kErrSyntax;
            break;
          }
          // A name of both kinds is taken as the INIT text, as PRINT and WAIT take it.
          const NameKey key(name);
          int slot = c.initTexts.find(key);
          TextKind kind = TextKind::Init;
          if (slot < 0) {
            slot = c.roomTexts.find(key);
            kind = TextKind::Room;
          }
          if (slot < 0) {
            result = kErrNoTextVariable;
            break;
          }
          if (out.count < kMaxEntries) {
            if (kind == TextKind::Init) out.mask |= static_cast<uint16_t>(1u << out.count);
            out.slots[out.count] = static_cast<uint8_t>(slot);
          }
          ++out.count;
        }
        break;
      default:
        break;
    }
    if (nesting == 0) break;
  }
  setReadingPosition(c, start);
  return result;
}

}  // namespace

int compileChoose(Compiler& c, const StatementLine& s) {
  bool random = false;
  if (!opensBlock(s.rest, &random)) {
    const char* p = skipBlanks(s.rest);
    // CHOOSE RANDOM with anything after it is no list of variables.
    if (isKeyword(p, kTokRandom)) return kErrSyntax;
    return compileChooseList(c, p);
  }
  // A block opened as the statement of a one-line IF would be closed by its automatic END
  // before its first entry.
  if (int r = refusedInOneLineIf(c)) return r;
  if (c.choiceDepth >= kMaxChoiceDepth) return kErrTooManyChooses;
  ++c.choiceDepth;
  c.choiceEntries[c.choiceDepth] = 0;
  c.chooseLines[static_cast<size_t>(c.choiceDepth)] = c.lineNumber;

  Entries entries;
  if (int r = lookAhead(c, entries)) return r;
  if (entries.count == 0) return kErrNoEntries;
  if (entries.count > kMaxEntries) return kErrTooMany;

  if (int r = emitByte(c, op(random ? Op::ChooseRandom : Op::ChooseBlock))) return r;
  if (int r = emitByte(c, static_cast<uint8_t>(entries.count))) return r;
  if (int r = emitU16(c, entries.mask)) return r;
  return emitBytes(c, entries.slots.data(), entries.count);
}

int compileChoiceEntry(Compiler& c, const StatementLine& s) {
  if (int r = refusedInOneLineIf(c)) return r;
  if (c.choiceDepth == 0) return kErrChoiceBlock;
  int entry = ++c.choiceEntries[c.choiceDepth];
  if (onlyBlanks(s.rest)) return kErrSyntax;
  if (entry > 1) {
    if (int r = emitByte(c, op(Op::Else))) return r;
  }
  if (int r = emitByte(c, op(Op::IfChoice))) return r;
  return emitByte(c, static_cast<uint8_t>(entry));
}

namespace stmt {

int compileEndChoose(Compiler& c, const char* afterChoose) {
  if (int r = refusedInOneLineIf(c)) return r;
  if (c.choiceDepth == 0) return kErrChoiceBlock;
  int entries = c.choiceEntries[c.choiceDepth];
  c.choiceEntries[c.choiceDepth] = 0;
  --c.choiceDepth;
  if (!onlyBlanks(afterChoose)) return kErrSyntax;
  for (int i = 0; i < entries; ++i) {
    if (int r = emitByte(c, op(Op::End))) return r;
  }
  return 0;
}

}  // namespace stmt

}  // namespace zox
