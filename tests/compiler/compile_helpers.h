// Compiling sources in-process for the compiler tests: a source text in a fresh directory,
// the outcome, and the code area as bytes or as a listing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/driver.h"
#include "screen.h"

namespace zoxtest {

// Writes `source` as dir/name and compiles it as zoxcomp would.
zox::CompileOutcome compileText(const TempDir& dir, const std::string& source,
                                const std::string& name = "story.adv");

// A source with the usual header line before `body`.
std::string withHeader(const std::string& body);

// The bytes of the code area (code start up to the end marker included); empty if the output
// is missing or not a sound compiled file.
std::vector<uint8_t> codeArea(const zox::CompileOutcome& out);

// The code area one statement a line, without offsets ("ROOM 1", "PRINT \"Hello\"").
std::string listing(const zox::CompileOutcome& out);

// The recorded errors as "number@line" words, e.g. "21@3 33@0".
std::string errorWords(const zox::CompileOutcome& out);

}  // namespace zoxtest
