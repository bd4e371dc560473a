// Large adventure sources for the compiler benchmark.
#pragma once

#include <string>

namespace zoxbench {

// `rooms` rooms in a ring, each with a text and two GO TOs (to the next and the previous room,
// so that half the jumps name a room not defined yet).
std::string ringOfRooms(int rooms);

// Every statement of the language: one [INIT] with all settings and declarations, a [STATUS]
// and an [INVENTORY] section, then `rooms` rooms that each use every room statement.
// resourcePath is the file the RESOURCE statement names.
std::string everyStatement(int rooms, const std::string& resourcePath);

// The shape of a typical menu-driven adventure: per room a header, three PRINTs, two text
// variables and a two-entry CHOOSE block whose entries GO TO the next and the previous room
// (12 lines, about 280 bytes a room; 65,000 rooms make 780,003 lines and 18 MB).
std::string choiceRooms(int rooms);

}  // namespace zoxbench
