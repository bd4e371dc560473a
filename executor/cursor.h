// A buffered read position in the compiled adventure file. The engine keeps two of them over
// the same file (the room's place and the [INVENTORY section's), each with its own window.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>

namespace zox {

class Cursor {
 public:
  static constexpr size_t kBufferBytes = 8192;  // the buffer's size
  static constexpr size_t kRefillBytes = 4096;  // what one refill reads into it
  static constexpr int kRefillAttempts = 5;

  // Allocates the buffer and empties the window. False when there is no memory.
  bool allocate();
  bool allocated() const { return buffer_ != nullptr; }

  // Moves to an absolute offset. Inside the window only the position moves; otherwise the
  // window is refilled from the file at the offset (up to five attempts, each a seek and a
  // read of up to 4096 bytes). False when no byte could be read there (also at or beyond the
  // end of the file); the position is then unchanged.
  bool seek(std::FILE* file, uint64_t offset) {
    if (offset >= windowStart_ && offset < windowEnd_) {
      position_ = offset;
      return true;
    }
    return refill(file, offset);
  }

  // The byte at the position, which then moves on by one; -1 on a read failure.
  int readByte(std::FILE* file) {
    if (position_ < windowStart_ || position_ >= windowEnd_) {
      if (!refill(file, position_)) return -1;
    }
    return buffer_[position_++ - windowStart_];
  }

  uint64_t position() const { return position_; }
  // The bytes of the window from the position on (none when the position lies outside the
  // window): what can be read without a refill, for decoding a statement where it lies.
  std::span<const uint8_t> ahead() const {
    if (position_ < windowStart_ || position_ >= windowEnd_) return {};
    return {buffer_.get() + (position_ - windowStart_),
            static_cast<size_t>(windowEnd_ - position_)};
  }
  // Moves the position on over n bytes of ahead(). REQUIRES n <= ahead().size().
  void skip(size_t n) { position_ += n; }
  // Steps back over the last byte read (it stays in the window).
  void stepBack() {
    if (position_ > 0) --position_;
  }
  // Forgets the window, so that the next read goes to the file (after a part switch or a load).
  void emptyWindow() { windowStart_ = windowEnd_ = 0; }
  // Position and window back to 0, as after open.
  void reset() { position_ = windowStart_ = windowEnd_ = 0; }

 private:
  bool refill(std::FILE* file, uint64_t offset);

  uint64_t position_ = 0;
  uint64_t windowStart_ = 0;
  uint64_t windowEnd_ = 0;
  std::unique_ptr<uint8_t[]> buffer_;
};

}  // namespace zox
