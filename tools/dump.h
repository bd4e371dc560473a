// Readable listing of a compiled adventure file: header fields, the code area one statement per
// line, and the resource blocks with their checks. Used by zoxdump and by tests that assert on
// compiled code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zox {

struct DumpResult {
  std::string text;     // the listing, UTF-8
  int error = 0;        // 0, or the executor's number for the first fault found (see file_error)
  std::string problem;  // what was wrong, in words; empty when error is 0
};

// Lists a whole file given as bytes. Never reads outside them: a damaged file is listed as far
// as it can be read, and the fault is named.
DumpResult dumpAdventure(const std::vector<uint8_t>& file);

// Only the code area, one statement per line ("offset  NAME operands"); for tests.
std::string dumpCode(const std::vector<uint8_t>& file);

}  // namespace zox
