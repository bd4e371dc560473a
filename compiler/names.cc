// Name tables with a hash index on the upper-cased name.
#include "compiler/names.h"

#include <new>

#include "compiler/errors.h"
#include "compiler/lexer.h"

namespace zox {

std::string upperName(std::string_view name) {
  std::string out(name);
  for (char& ch : out) ch = upperChar(ch);
  return out;
}

namespace {

// Names are short (17 characters, rooms 50), so they are upper-cased on the stack; a longer
// one goes to longName.
using KeyBuffer = char[64];
std::string_view upperKey(std::string_view name, KeyBuffer& buffer, std::string& longName) {
  if (name.size() > sizeof buffer) {
    longName = upperName(name);
    return longName;
  }
  for (size_t i = 0; i < name.size(); ++i) buffer[i] = upperChar(name[i]);
  return {buffer, name.size()};
}

}  // namespace

NameTable::NameTable(int capacity, int fullError) : capacity_(capacity), fullError_(fullError) {}

int NameTable::find(std::string_view name) const {
  KeyBuffer buffer;
  std::string longName;
  auto it = index_.find(upperKey(name, buffer, longName));
  return it == index_.end() ? -1 : it->second;
}

int NameTable::add(std::string_view name, int* slot) {
  try {
    KeyBuffer buffer;
    std::string longName;
    std::string_view key = upperKey(name, buffer, longName);
    auto it = index_.find(key);
    if (it != index_.end()) {
      *slot = it->second;
      return 0;
    }
    if (count() >= capacity_) return fullError_;
    int s = count();
    names_.emplace_back(name);
    try {
      index_.emplace(std::string(key), s);
    } catch (...) {
      names_.pop_back();
      throw;
    }
    *slot = s;
    return 0;
  } catch (const std::bad_alloc&) {
    return kErrNoMemory;
  }
}

void NameTable::clear() {
  names_.clear();
  index_.clear();
}

}  // namespace zox
