// The compiler's name tables: rooms, text variables, flags, number variables and resources.
// Names are compared without regard to case (upperChar); a name's slot is its position.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zox {

// The name in the form used for comparing: every character through upperChar.
std::string upperName(std::string_view name);

// A table of up to `capacity` names with a hash index on the upper-cased name, so a lookup
// costs the same in a table of 256 names and in the room table of 65535.
class NameTable {
 public:
  // fullError: the error number for adding to a full table (55, or 81 for rooms).
  NameTable(int capacity, int fullError);

  // Slot of the name, or -1 when it is not in the table.
  int find(std::string_view name) const;

  // Adds the name at the first free slot and stores the slot in *slot. Returns 0, fullError
  // when every slot is used, or 2 (no memory). A name that is already in the table is not
  // added again: its slot is given and the result is 0 (use find first where a second
  // declaration is an error).
  int add(std::string_view name, int* slot);

  int count() const { return static_cast<int>(names_.size()); }
  int capacity() const { return capacity_; }
  // The name as first written (not upper-cased). REQUIRES 0 <= slot < count().
  const std::string& name(int slot) const { return names_[slot]; }

  // Forgets every name (room text variables at each room header).
  void clear();

 private:
  // Lookups by string_view, so that a name is found without building a string for it.
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  int capacity_;
  int fullError_;
  std::vector<std::string> names_;
  std::unordered_map<std::string, int, Hash, std::equal_to<>> index_;  // upper-cased -> slot
};

}  // namespace zox
