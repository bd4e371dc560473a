// Reading one source line from the source held in memory: where it ends, its first word and its
// preparation, in one pass over its characters. Pure functions, no compiler state.
#pragma once

#include <cstddef>

#include "compiler/lexer.h"

namespace zox {

inline constexpr int kLineChars = 256;  // characters of one source line read at once
// A line buffer: kLineChars characters, the newline that ended the line (kept, as a stdio line
// read keeps it), and the terminator.
inline constexpr int kLineBufferSize = kLineChars + 2;
// The source text in memory is followed by this many zero bytes, so that a line is looked at
// sixteen characters at a time without testing for the end of the source first.
inline constexpr size_t kSourcePadding = 32;

// One line read, classified and prepared. Its text stays where it lies in the source when
// preparing it changes nothing and a newline or NUL ends it there; otherwise it is copied into
// a line buffer and prepared there. Either way the text reads as the line buffer of a
// line-by-line reader would: what was read, tabs and carriage returns outside quotes made
// blanks, and cut after a "/" that splits it.
struct SourceLine {
  const char* text = nullptr;  // from the first character read; a newline or NUL ends it
  size_t length = 0;           // characters of text before that end
  size_t lead = 0;             // leading blanks, tabs and carriage returns; text + lead is the
                               // line the lexer and the statement compilers see
  int code = kTokRem;          // token code of the first word; kTokRem for an empty line
  unsigned number = 0;         // trailing number of the first word
  int consumed = 0;            // the lexer's consumed length for the first word
  bool complete = true;        // false when a "/" split the line
  bool inBuffer = false;       // text is the line buffer's
  size_t start = 0;            // source offset of text[0]
  size_t end = 0;              // source offset after the characters read
  size_t next = 0;             // where the next line is read: end, or after the "/"
  LineScan scan;               // its quotes (not recorded for comments and empty lines)

  const char* statement() const { return text + lead; }
};

// Reads the line at offset pos (below size) of source, which holds size characters followed
// by kSourcePadding zero bytes: at most kLineChars characters up to and including the newline
// that ends them (a newline right after kLineChars characters still belongs to the line);
// leading blanks, tabs and carriage returns skipped; the first word classified; the line
// prepared (prepareLine) unless it is a comment or empty. buffer (kLineBufferSize characters)
// takes the line when it has to be copied. The source is not changed.
void scanLine(const char* source, size_t size, size_t pos, char* buffer, SourceLine* out);

}  // namespace zox
