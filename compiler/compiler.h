// The compiler state (one object for the whole run) and the services of the driver that the
// section and statement compilers use: the output rule, the error list, the name tables, and
// the reading position of the source (re-read, look-ahead). The statement compilers of
// statements.h code against this header only.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/errors.h"
#include "compiler/lexer.h"
#include "compiler/line_scan.h"
#include "compiler/names.h"
#include "compiler/source_text.h"

namespace zox {

inline constexpr int kTableSize = 256;   // text variables, flags, numbers, resources
inline constexpr int kMaxRooms = 65535;  // room names
inline constexpr int kMaxIfDepth = 32000;
inline constexpr int kMaxChoiceDepth = 17;
inline constexpr int kMaxErrors = 17;
inline constexpr int kExcerptChars = 52;
inline constexpr int kMaxTitleChars = 250;

// ---- Error list ----

struct RecordedError {
  int number = 0;
  unsigned line = 0;    // 0: no line given
  std::string excerpt;  // at most kExcerptChars characters; empty: no text given
};

struct ErrorList {
  std::array<RecordedError, kMaxErrors> entries{};
  int count = 0;
  bool empty() const { return count == 0; }
  bool full() const { return count >= kMaxErrors; }
  // Number of the last recorded error (the exit status after errors). REQUIRES !empty().
  int last() const { return entries[count - 1].number; }
};

// ---- Source reading ----

// Where the next source line will be read from (an offset into the source text).
struct ReadPosition {
  size_t offset = 0;
};

// The lines of the last look-ahead (readAheadLine), in the order read: the driver takes each
// from here when it comes to read it, instead of reading, classifying and preparing it again.
struct LineQueue {
  static constexpr size_t kLines = 64;  // a longer look-ahead keeps its first lines only
  std::array<SourceLine, kLines> lines;
  // The lines that had to be copied are copied here, each to the buffer of its place.
  std::array<std::array<char, kLineBufferSize>, kLines> buffers;
  // A line read when all places are taken, and its buffer.
  SourceLine spare;
  std::array<char, kLineBufferSize> spareBuffer;
  size_t count = 0;  // lines kept
  size_t taken = 0;  // lines the driver has taken
};

// A GO TO operand waiting for its target: where it lies in the output and the room it names.
struct JumpSlot {
  uint32_t offset;
  uint32_t room;
};

// One declared resource (the name is in Compiler::resources at the same slot).
struct ResourceEntry {
  std::string path;          // the resource file, as written in the source
  uint32_t placeholder = 0;  // output offset of the u32 operand of its RESOURCE statement
  uint8_t kind = 0;          // 0: ANSITEXT
};

// ---- The compiler state ----

struct Compiler {
  Compiler();
  ~Compiler();  // closes what is open; removes the output when it should not be kept
  Compiler(const Compiler&) = delete;
  Compiler& operator=(const Compiler&) = delete;

  // -- Files --
  std::FILE* sourceFile = nullptr;  // open from openSource until the end of the source
  SourceText source;                // the whole source as Latin-1 (UTF-8 letters folded)
  size_t readPos = 0;               // where the next line is read (see ReadPosition)
  std::FILE* output = nullptr;
  std::string outputPath;
  bool outputCreated = false;  // the output was created (so may be removed at exit)
  bool keepOutput = false;     // set when the file is complete: finishOutput succeeded

  // -- Header line --
  int part = 1;       // part number, 1..11
  int partCount = 1;  // part count, part..11
  std::string title;  // scrambled title

  // -- Output --
  uint32_t checksum = 0;       // running sum of every byte through the output rule
  uint32_t checksumTotal = 0;  // the code checksum stored after the code (resource offsets in)
  uint32_t codeEndField = 0;   // offset of the 4-byte code-end field
  uint32_t codeEnd = 0;        // E: offset just after the end marker
  uint32_t outputPos = 0;      // offset of the next byte the output rule stores
  // Stored bytes wait here and go to the file a large piece at a time: the buffer holds the
  // `buffered` bytes before outputPos. bufferRoom is how many more it takes before the next
  // write (less than its size near the 32-bit end of the offsets).
  std::unique_ptr<uint8_t[]> outputBuffer;
  size_t buffered = 0;
  size_t bufferRoom = 0;
  // The GO TO slots that still hold a room slot, in code order. A slot whose room is defined
  // by the time its bytes leave the buffer gets its target there; the GO TO pass does the rest.
  std::vector<JumpSlot> jumps;

  // -- Error list --
  ErrorList errors;

  // -- Current line --
  SourceLine line;  // the line being compiled: in the source, or in lineBuffer
  std::array<char, kLineBufferSize> lineBuffer{};  // the current line when it had to be copied
  std::unique_ptr<LineQueue> ahead;                // made by the first look-ahead
  bool haveLine = false;                           // false once the source is exhausted
  unsigned lineNumber = 2;                         // line 1 is the header line
  bool countThisLine = true;  // cleared by the colon-clause compiler; see compileLine

  // -- Section context --
  bool inInit = false;
  bool inRoom = false;  // a [ROOM or [STATUS]
  bool inInventory = false;
  bool inStatus = false;
  bool clauseSeen = false;    // a bracket clause header in this section
  bool itemLineMark = false;  // the line before was [ROOM, [INVENTORY] or ITEM
  bool seenInit = false;      // once-only sections
  bool seenInventory = false;
  bool seenStatus = false;

  // -- Once-only settings (set when the setting compiled without error) --
  bool seenTitle = false;
  bool seenCText = false;
  bool seenIText = false;
  bool seenInText = false;
  bool seenPassword = false;
  bool seenStart = false;
  bool seenStatusLines = false;

  // -- IF blocks --
  int ifDepth = 0;                        // 0..kMaxIfDepth
  std::bitset<kMaxIfDepth + 1> elseSeen;  // by depth
  int oneLineIfsWaiting = 0;              // one-line IFs whose statement is still to come
  // By depth: the line of the IF that opened it, so that an IF left open is reported with
  // its own line also after blocks inside it have been closed. Made by openSource, zeroed as
  // roomPositions is.
  std::unique_ptr<unsigned[], FreeMemory> ifLines;

  // -- Choice blocks --
  int choiceDepth = 0;                                      // 0..kMaxChoiceDepth
  std::array<int, kMaxChoiceDepth + 1> choiceEntries{};     // entry counter by depth
  std::array<unsigned, kMaxChoiceDepth + 1> chooseLines{};  // by depth: line of its CHOOSE

  // -- Texts --
  int lastTextLineLength = 0;        // characters of the last text line stored
  bool continuationAllowed = false;  // a continuation line may follow
  bool pendingNewLine = false;       // PRINTDNL / PRINTINP want a 0xC0 before the next statement
  size_t textKeyPos = 0;             // running key position of the last stored text

  // -- Name tables --
  NameTable initTexts{kTableSize, kErrTableFull};
  NameTable roomTexts{kTableSize, kErrTableFull};
  NameTable flags{kTableSize, kErrTableFull};
  NameTable numbers{kTableSize, kErrTableFull};
  NameTable resources{kTableSize, kErrTableFull};
  NameTable rooms{kMaxRooms, kErrOutOfRange};
  // By room slot: the offset of its 0xA1, 0 while only named. Zeroed memory as the system hands
  // it out (calloc): its pages cost nothing until a room is stored there.
  std::unique_ptr<uint32_t[], FreeMemory> roomPositions;

  // -- Resources --
  std::vector<ResourceEntry> resourceEntries;  // by resource slot
  int resourceCount = 0;
  int resourceIndex = 0;  // the next resource to store
};

// ---- What the dispatcher (compileLine) does around a statement compiler ----
// Before it: skips leading blanks, tabs and carriage returns; classifies and prepares the line;
// applies the placement rules of the section context (the compiler is not called when the
// statement may not stand there: 84, 85, 86, 89, 90, 91, 20 before any section, 30 for
// PASSWORD outside part 1; nor for a clause line as the statement of a one-line IF: 20); then
// stores the pending new line (storePendingNewLine) and clears c.continuationAllowed, both
// except before the continuation line compiler.
// The StatementLine: line = the prepared line after its leading blanks, rest = line + the
// lexer's consumed length, code and number of the first word. For END the dispatcher has
// looked at the next word only to apply the END CHOOSE placement; compileEnd tells END CHOOSE
// from END itself.
// After it: a non-zero result is recorded with the current line number and line (5 ends the
// compilation); after IMSG compiled without error c.continuationAllowed is set; the item-line
// mark is updated; the line number advances (see reReadFrom and c.countThisLine); the next line
// is read; waiting automatic ENDs of one-line IFs are stored (0xAA each, lowering c.ifDepth and
// clearing the ELSE-seen bit of each depth closed) after the next statement that is not itself
// a one-line IF. A one-line IF is detected by c.oneLineIfsWaiting having grown during the line.
// Left to the statement compilers: the IF depth, ELSE-seen bits and c.ifLines in compileIf,
// compileElse and compileEnd; choice depth, entry counters and c.chooseLines in
// compileChoose, compileChoiceEntry and compileEnd; c.clauseSeen in compileBracketClause;
// c.countThisLine in compileColonClause; the once-only setting marks; the text marks.
// The section headers and clause lines check open IF and choice blocks (82, 94) afterwards.

// ---- Output rule ----
// Every statement byte goes through emitByte: it is added to the code checksum and written to
// the output only while the error list is empty. Each returns 0, or 5 (kErrIo) when a write
// fails; the dispatcher ends the compilation on 5.

int emitByte(Compiler& c, uint8_t byte);
// emitByte for each of n bytes, summed and stored as one run.
int emitBytes(Compiler& c, const uint8_t* bytes, size_t n);
int emitU16(Compiler& c, uint16_t value);  // low byte first
int emitU32(Compiler& c, uint32_t value);  // low byte first

// The slow half of emitByte: the buffer is full (it is written out first) or the output has
// reached the end of the 32-bit offsets (5).
int emitByteAfterWrite(Compiler& c, uint8_t byte);

inline int emitByte(Compiler& c, uint8_t byte) {
  c.checksum += byte;
  if (!c.errors.empty()) return 0;
  if (c.buffered >= c.bufferRoom) return emitByteAfterWrite(c, byte);
  c.outputBuffer[c.buffered++] = byte;
  ++c.outputPos;
  return 0;
}

// Converts and scrambles a Latin-1 text and emits it. The key position starts at 0 and
// c.textKeyPos is left after the text. Returns 0, 51 (a character a text may not hold;
// nothing is emitted) or 5. A '\n' in the text stores the line-break code.
int emitText(Compiler& c, std::string_view latin1);
// The same, going on at the running key position c.textKeyPos: for continuation lines, which
// extend the text stored before them (put a '\n' first for the line break).
int emitTextContinued(Compiler& c, std::string_view latin1);

// Stores the 4-byte operand of a GO TO to the room of that slot. The room's slot is written
// (low byte first) without adding it to the code checksum and the operand is recorded in
// c.jumps; its target, the offset of the room's header, takes its place when the buffer is
// written after the room was defined, or in the GO TO pass, and is counted then. Written, like
// every statement byte, only while the error list is empty. Returns 0 or 5.
int emitGoSlot(Compiler& c, uint32_t roomSlot);

// The current output offset: where the next emitted byte goes. Rooms record it before their
// 0xA1; RESOURCE records it as the place of its placeholder operand.
inline uint32_t outputOffset(const Compiler& c) {
  return c.outputPos;
}

// Stores the pending new line: if c.pendingNewLine is set and c.lastTextLineLength is not 80,
// emits 0xC0 and clears the mark; with a length of 80 nothing happens and the mark stays.
// The dispatcher calls it before every statement compiler but the continuation line's.
// Returns 0 or 5.
int storePendingNewLine(Compiler& c);

// ---- Error list ----

// Records an error: number, line (0 for none) and an excerpt of text up to its newline or end
// (none or empty: no excerpt). More than 52 characters are cut to 48 and " ...". Nothing
// happens once 17 errors are recorded. The dispatcher records every non-zero result of a
// statement compiler itself (with the current line); statement compilers return their error
// and call this only for errors of another line (none at present).
void recordError(Compiler& c, int number, unsigned line, std::optional<std::string_view> text);
// True when the error list holds 17 entries.
bool tooManyErrors(const Compiler& c);

// ---- Source reading (used by compileIf, compileColonClause and compileChoose) ----

// Makes the text at p, a position inside the current line (c.line) after its first
// character, the next line read: the driver reads it after the current statement, as it reads
// the text after a "/", and the line counter does not advance for the current line when it
// is left this way by a one-line IF (which also raises c.oneLineIfsWaiting) or by a colon
// clause (which also clears c.countThisLine). Returns false, and changes nothing, when p is
// not inside the current line after its start.
bool reReadFrom(Compiler& c, const char* p);

// The reading position: where the next line will be read. While a statement compiler runs this
// is the start of the line after the current one (or the text after a "/").
ReadPosition readingPosition(const Compiler& c);
// Sets the reading position back (after a look-ahead).
void setReadingPosition(Compiler& c, ReadPosition pos);

// Look-ahead: reads the line at the reading position without compiling it: leading blanks,
// tabs and carriage returns skipped, the first word classified, and the line prepared unless
// it is a comment (a "/" moves the reading position to the text after it, as for compiled
// lines). An empty line has code kTokRem. Returns the line, or null when the source is
// exhausted; the line stays valid until the next look-ahead starts (and is kept, so that the
// driver does not read it again). Changes nothing but the reading position: not the current
// line, the line number or a mark.
// compileChoose: pos = readingPosition(c); while (const SourceLine* l = readAheadLine(c))
// {...}; setReadingPosition(c, pos).
const SourceLine* readAheadLine(Compiler& c);

// The text of the current line as read and prepared, up to its end, for error excerpts.
inline std::string_view currentLineText(const Compiler& c) {
  return {c.line.text, c.line.length};
}

// ---- Driver (compiler/driver.h has the whole run) ----

// Opens the source, names and creates the output and writes its header. 0 or a fatal number.
int openSource(Compiler& c, const std::string& path);
// Compiles one line (or one statement of a split line). 0: go on; kSourceDone (-1): finished
// without errors; kSourceDoneErrors (-2): finished with errors; 5 or 7: fatal.
int compileLine(Compiler& c);
// The passes after the line loop.
int resolveJumps(Compiler& c);   // 0; -1 errors were recorded (33); 2 or 5 fatal
int storeResource(Compiler& c);  // 0 one stored, call again; -1 all stored; 4 or 5 fatal
int finishOutput(Compiler& c);   // 0, 5 or 7

}  // namespace zox
