// Pieces of the driver shared between its files; not for the statement compilers.
#pragma once

#include <string_view>

#include "compiler/compiler.h"
#include "compiler/statements.h"

namespace zox {

// Writes the part of the code area collected in memory that is not in the file yet.
int flushCodeArea(Compiler& c);

// Reads the line at the reading position into c.lineBuffer; false (c.haveLine cleared) when
// the source is exhausted.
bool readNextLine(Compiler& c);

// Folds the UTF-8 forms of U+0080..U+00FF into their Latin-1 bytes and drops a leading
// byte-order mark; every other byte stays as it is.
void foldUtf8(std::string& text);

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

// 0 when the statement of token code `code` may stand in the current section, otherwise its
// error number.
int placementError(const Compiler& c, const StatementLine& s);

// Closes the files; removes the output unless it is complete. Safe to call more than once.
void closeFiles(Compiler& c);

}  // namespace zox
