// Pieces of the driver shared between its files; not for the statement compilers.
#pragma once

#include <cstdint>
#include <string_view>

#include "compiler/compiler.h"
#include "compiler/statements.h"

namespace zox {

// Writes the output buffer to the file, after giving the GO TO slots in it whose rooms are
// defined their targets. Nothing is written once an error has been recorded. 0 or 5.
int flushOutput(Compiler& c);

// The GO TO pass's part of the output: every GO TO slot still in c.jumps gets the offset of its
// room's header, in the buffer or in the file, and is counted. REQUIRES every room named is
// defined. 0 or 5.
int resolveJumpSlots(Compiler& c);

// Reads, classifies and prepares the line at the reading position as c.line (or takes it from
// the look-ahead's kept lines) and moves the reading position after it; false (c.haveLine
// cleared) when the source is exhausted.
bool readNextLine(Compiler& c);
// Reads the header line as it is into c.lineBuffer: neither classified nor prepared.
bool readHeaderLine(Compiler& c);

// Folds the UTF-8 forms of U+0080..U+00FF into their Latin-1 bytes and drops a leading
// byte-order mark; every other byte stays as it is.
void foldUtf8(std::string& text);
// The same for the source text; 0, or 2 when the text cannot be written.
int foldUtf8(SourceText& text);

// The header line: title (scrambled), part number and count. 0 or kErrHeader.
int parseHeaderLine(const char* line, std::string* scrambledTitle, int* part, int* partCount);

// The output name for a source path: 0, or kErrCompiledExtension for a ".zox" source.
int outputNameFor(std::string_view sourcePath, std::string* outputPath);

// Section headers with their section change; returns 0 (errors of the header are recorded
// here, with those of the blocks it closes) or 5.
int compileSectionHeader(Compiler& c, const StatementLine& s);

// Open IF blocks and choice blocks at a section change, a clause line or the end of the
// source: 82 and 94 recorded with the lines of the blocks, which are then closed.
void closeOpenBlocks(Compiler& c);

// Where a statement may stand: each names a row of the placement table (sections.cc), which
// gives the error a statement gets in each kind of section.
enum class Placement : uint8_t {
  Anywhere,
  RoomOrStatus,     // rooms and [STATUS], [INVENTORY] after its first clause
  RoomNotStatus,    // the same without [STATUS]: what waits, jumps or asks
  End,              // as RoomOrStatus, but END CHOOSE not in [STATUS]
  Quit,             // rooms only; 86 in [STATUS], 84 elsewhere
  Input,            // rooms only, 84
  RoomInfo,         // rooms and [STATUS], 84
  InitOnly,         // [INIT] only, 85
  Password,         // [INIT] of the first part only
  Colour,           // any section, not [INVENTORY] before its first clause
  StatusLines,      // as Colour, and not in [STATUS]
  NotBeforeClause,  // also before any section; not [INVENTORY] before its first clause
  Item,             // right after [ROOM, [INVENTORY] or ITEM
  Assignment,       // in a section; not [INVENTORY] before its first clause
  BracketClause,    // rooms and [INVENTORY]
  ColonClause,      // rooms and [INVENTORY], after a bracket clause header
};

// 0 when the statement s may stand in the current section by the rule `where`, otherwise its
// error number.
int placementError(const Compiler& c, const StatementLine& s, Placement where);

// Closes the files; removes the output unless it is complete. Safe to call more than once.
void closeFiles(Compiler& c);

}  // namespace zox
