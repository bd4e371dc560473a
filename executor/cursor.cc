// Window refills of the buffered file cursor.
#include "executor/cursor.h"

#include <new>

namespace zox {

bool Cursor::allocate() {
  buffer_.reset(new (std::nothrow) uint8_t[kBufferBytes]);
  reset();
  return buffer_ != nullptr;
}

bool Cursor::refill(std::FILE* file, uint64_t offset) {
  if (file == nullptr || buffer_ == nullptr) return false;
  // Offsets of the format are 32-bit; anything beyond cannot be in the file.
  if (offset > 0xFFFFFFFFu) return false;
  for (int attempt = 0; attempt < kRefillAttempts; ++attempt) {
    if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0) {
      std::clearerr(file);
      continue;
    }
    size_t got = std::fread(buffer_.get(), 1, kRefillBytes, file);
    if (got > 0) {
      windowStart_ = offset;
      windowEnd_ = offset + got;
      position_ = offset;
      return true;
    }
    // At the end of the file every further attempt reads nothing as well.
    if (std::feof(file)) {
      std::clearerr(file);
      return false;
    }
    std::clearerr(file);
  }
  return false;
}

}  // namespace zox
