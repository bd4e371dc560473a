// Compiles short sources in-process and shows what they became: the stored statements of one
// room as the dump tool lists them, their raw bytes, or the errors with their lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/driver.h"

namespace stmttest {

// Compiles a whole source (header line included) from a fresh temporary directory.
zox::CompileOutcome compileSource(const std::string& source);

// The code area of a compiled file, one statement a line as the dump tool lists it, without
// offsets; GO TO targets keep only the room they lead to.
std::vector<std::string> listing(const std::vector<uint8_t>& file);

// The header line used by the short sources.
inline const std::string kHeader = "[ZOX \"T\"]\n";

enum class Show { Listing, Bytes };

// Compiles kHeader, "[INIT]", the init lines, "[ROOM r]" and the body, and shows the room's
// statements after its header (the end marker left out): as listing lines joined by " | ", or
// as bytes in hex ("c7 b3"). When errors were recorded the result lists them instead, as
// "E20@3" (error 20 in the third line of the body; lines before the body count as 0 or less)
// joined by ", ", and "OUTPUT LEFT" is added when a file was written all the same.
std::string room(const std::string& init, const std::string& body, Show show = Show::Listing);

// The whole code area of a source in hex, the end marker left out; or its errors as room()
// gives them, with absolute lines.
std::string codeHex(const std::string& source);

// The errors of a whole source as "E20@7" with absolute line numbers (no excerpt), joined by
// ", "; "ok" when there are none. "OUTPUT LEFT" is added when errors left a file.
std::string errorsOf(const std::string& source);

}  // namespace stmttest
