// The whole source text in memory, followed by zero bytes.
#pragma once

#include <cstddef>
#include <string_view>

namespace zox {

// The source text as the compiler reads it: its bytes and, after them, at least kPadding zero
// bytes, so that a line is looked at sixteen characters at a time without testing for the end
// first. A plain file of some size is mapped into memory rather than copied: its pages are the
// ones the file system holds already, which saves allocating and copying a large source.
// Other files are read.
//
// A mapped file that shrinks while it is compiled would make the missing pages fault: those
// read as zeros instead (a source changed under the compiler compiles as whatever it reads).
// One mapping is guarded at a time; while it is, other loads read their file.
class SourceText {
 public:
  static constexpr size_t kPadding = 32;

  SourceText() = default;
  ~SourceText();
  SourceText(const SourceText&) = delete;
  SourceText& operator=(const SourceText&) = delete;

  // Takes the text of the open file fd (at its start) in place of the one held. 0; kNoMemory
  // when the file is larger than `limit` or memory runs out; kReadFailed when reading fails.
  static constexpr int kNoMemory = 1;
  static constexpr int kReadFailed = 2;
  int load(int fd, size_t limit);
  // Only for tests and callers with a text at hand: holds a copy of text.
  int assign(std::string_view text);

  // Makes a mapped text a copy of its own, which no change to the file reaches (for a source
  // whose file is about to be written over). 0 or kNoMemory.
  int detach();
  // The text to be written over: a mapping is read-only until this is asked for (a mapping
  // that may be written is copied page by page as it is filled in). nullptr when it cannot be
  // made writable.
  char* writable();
  // The text shortened to `size` bytes (at most its size), the bytes after it made zeros.
  // REQUIRES writable() has succeeded.
  void shrink(size_t size);
  void clear();

  const char* data() const { return data_; }
  size_t size() const { return size_; }
  bool mapped() const { return mapped_ != 0; }
  std::string_view view() const { return {data_, size_}; }

 private:
  char* allocate(size_t size);  // room for size bytes and the padding, zeroed; nullptr if none

  char* data_ = nullptr;
  size_t size_ = 0;
  size_t mapped_ = 0;  // bytes of the mapping at data_ (0 when the text is on the heap)
  bool writable_ = false;
};

}  // namespace zox
