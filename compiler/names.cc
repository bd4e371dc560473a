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

NameTable::NameTable(int capacity, int fullError) : capacity_(capacity), fullError_(fullError) {}

int NameTable::find(std::string_view name) const {
  auto it = index_.find(upperName(name));
  return it == index_.end() ? -1 : it->second;
}

int NameTable::add(std::string_view name, int* slot) {
  try {
    std::string key = upperName(name);
    auto it = index_.find(key);
    if (it != index_.end()) {
      *slot = it->second;
      return 0;
    }
    if (count() >= capacity_) return fullError_;
    int s = count();
    names_.emplace_back(name);
    try {
      index_.emplace(std::move(key), s);
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
