// Name tables with a hash index on the upper-cased name.
#include "compiler/names.h"

#include <algorithm>
#include <new>

#include "compiler/errors.h"
#include "compiler/lexer.h"

namespace zox {

NameKey::NameKey(std::string_view name) : spelling_(name) {
  char* out = inline_;
  if (name.size() > kInlineChars) {
    long_ = std::make_unique<char[]>(name.size());
    out = long_.get();
  }
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < name.size(); ++i) {
    const char up = kUpperChars[static_cast<unsigned char>(name[i])];
    out[i] = up;
    h = (h ^ static_cast<uint8_t>(up)) * 16777619u;
  }
  upper_ = out;
  hash_ = h;
}

NameTable::NameTable(int capacity, int fullError)
    : capacity_(std::clamp(capacity, 0, kMostNames)), fullError_(fullError) {
  if (!rebuild(kFirstIndexSize)) throw std::bad_alloc();
  // Room for every entry from the start, and for names of usual length: memory that is not
  // written to costs nothing, and the table is not moved as it fills.
  entries_.reserve(static_cast<size_t>(capacity_));
  spellings_.reserve(static_cast<size_t>(capacity_) * kUsualNameChars);
}

namespace {

// A name as written against the upper-cased form of a key.
bool sameName(const char* spelling, std::string_view upper) {
  for (size_t i = 0; i < upper.size(); ++i) {
    if (kUpperChars[static_cast<unsigned char>(spelling[i])] != upper[i]) return false;
  }
  return true;
}

}  // namespace

size_t NameTable::position(const NameKey& key) const {
  const size_t mask = indexSize_ - 1;
  const std::string_view upper = key.upper();
  for (size_t at = key.hash() & mask;; at = (at + 1) & mask) {
    const uint16_t held = index_[at];
    if (held == 0) return at;
    const Entry& e = entries_[held - 1];
    if (e.hash == key.hash() && lengthOf(held - 1) == upper.size() &&
        sameName(spellings_.data() + e.start, upper)) {
      return at;
    }
  }
}

int NameTable::find(const NameKey& key) const {
  const uint16_t held = index_[position(key)];
  return static_cast<int>(held) - 1;
}

bool NameTable::rebuild(size_t size) {
  // calloc: a large index comes zeroed from the system without being written.
  std::unique_ptr<uint16_t[], FreeMemory> bigger(
      static_cast<uint16_t*>(std::calloc(size, sizeof(uint16_t))));
  if (!bigger) return false;
  const size_t mask = size - 1;
  for (size_t slot = 0; slot < entries_.size(); ++slot) {
    size_t at = entries_[slot].hash & mask;
    while (bigger[at] != 0) at = (at + 1) & mask;
    bigger[at] = static_cast<uint16_t>(slot + 1);
  }
  index_ = std::move(bigger);
  indexSize_ = size;
  return true;
}

void NameTable::expect(size_t names) {
  names = std::min(names, static_cast<size_t>(capacity_));
  size_t size = indexSize_;
  while (size < names * 2) size *= 2;
  if (size > indexSize_) rebuild(size);
}

int NameTable::add(const NameKey& key, int* slot) {
  size_t at = position(key);
  if (index_[at] != 0) {
    *slot = static_cast<int>(index_[at]) - 1;
    return 0;
  }
  if (count() >= capacity_) return fullError_;
  const size_t entriesBefore = entries_.size();
  if ((entries_.size() + 1) * 2 > indexSize_) {
    if (!rebuild(indexSize_ * 2)) return kErrNoMemory;
    at = position(key);
  }
  const size_t spellingsBefore = spellings_.size();
  try {
    entries_.push_back(Entry{key.hash(), static_cast<uint32_t>(spellings_.size())});
    spellings_ += key.spelling();
  } catch (const std::bad_alloc&) {
    // A name half added is taken back whole.
    entries_.resize(entriesBefore);
    spellings_.resize(spellingsBefore);
    return kErrNoMemory;
  }
  const int s = count() - 1;
  index_[at] = static_cast<uint16_t>(s + 1);
  *slot = s;
  return 0;
}

void NameTable::clear() {
  entries_.clear();
  spellings_.clear();
  if (indexSize_ > kFirstIndexSize && rebuild(kFirstIndexSize)) return;
  std::fill(index_.get(), index_.get() + indexSize_, uint16_t{0});
}

}  // namespace zox
