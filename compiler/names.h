// The compiler's name tables: rooms, text variables, flags, number variables and resources.
// Names are compared without regard to case (upperChar); a name's slot is its position.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zox {

// Frees a table that came zeroed from calloc: a large one's pages cost nothing until written.
struct FreeMemory {
  void operator()(void* p) const { std::free(p); }
};

// A name as the tables compare it: upper-cased character by character (upperChar), with a
// hash of that form. Made once for a name that is looked up in several tables.
class NameKey {
 public:
  explicit NameKey(std::string_view name);
  NameKey(const NameKey&) = delete;
  NameKey& operator=(const NameKey&) = delete;

  std::string_view spelling() const { return spelling_; }  // as written
  std::string_view upper() const { return {upper_, spelling_.size()}; }
  uint32_t hash() const { return hash_; }  // FNV-1a of the upper-cased form

 private:
  static constexpr size_t kInlineChars = 64;  // names are at most 50 characters
  std::string_view spelling_;
  const char* upper_;
  uint32_t hash_;
  char inline_[kInlineChars];
  std::unique_ptr<char[]> long_;  // a longer name's upper-cased form
};

// A table of up to `capacity` names with a hash index, so a lookup costs the same in a table
// of 256 names and in the room table of 65535.
class NameTable {
 public:
  // fullError: the error number for adding to a full table (55, or 81 for rooms). A table
  // holds at most kMostNames names.
  static constexpr int kMostNames = 65535;
  NameTable(int capacity, int fullError);

  // Slot of the name, or -1 when it is not in the table.
  int find(const NameKey& key) const;
  int find(std::string_view name) const { return find(NameKey(name)); }

  // Adds the name at the first free slot and stores the slot in *slot. Returns 0, fullError
  // when every slot is used, or 2 (no memory). A name that is already in the table is not
  // added again: its slot is given and the result is 0 (use find first where a second
  // declaration is an error).
  int add(const NameKey& key, int* slot);
  int add(std::string_view name, int* slot) { return add(NameKey(name), slot); }

  int count() const { return static_cast<int>(entries_.size()); }
  int capacity() const { return capacity_; }
  // The name as first written (not upper-cased). REQUIRES 0 <= slot < count().
  std::string_view name(int slot) const {
    const size_t s = static_cast<size_t>(slot);
    return std::string_view(spellings_).substr(entries_[s].start, lengthOf(s));
  }

  // Forgets every name (room text variables at each room header).
  void clear();

  // Makes the index ready for about `names` names at once (at most the capacity), instead of
  // growing it step by step as they are added: the pages of an index made this way are first
  // touched by the names put in it. Only a hint: when memory runs out the index stays.
  void expect(size_t names);

 private:
  // A name's length is where the next one starts: eight bytes an entry keep the room table's
  // entries to half a megabyte.
  struct Entry {
    uint32_t hash;
    uint32_t start;  // of the name in spellings_
  };
  static constexpr size_t kFirstIndexSize = 16;  // a power of two
  static constexpr size_t kUsualNameChars = 8;

  // The index position that holds the name, or the empty one where it would go.
  size_t position(const NameKey& key) const;
  size_t lengthOf(size_t slot) const {
    const size_t end = slot + 1 < entries_.size() ? entries_[slot + 1].start : spellings_.size();
    return end - entries_[slot].start;
  }
  // A zeroed index of `size` places (a power of two) holding the names there are.
  bool rebuild(size_t size);

  int capacity_;
  int fullError_;
  std::vector<Entry> entries_;
  std::string spellings_;  // the names one after another, as first written
  // Open addressing with linear probing: slot + 1 of a name, 0 for an empty place. At most
  // half full. Two bytes a place keep the room table's index small enough to stay in the
  // processor's caches.
  std::unique_ptr<uint16_t[], FreeMemory> index_;
  size_t indexSize_ = 0;
};

}  // namespace zox
