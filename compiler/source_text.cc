// Holding the source text: a mapping of the file where one can be made, a read copy otherwise.
#include "compiler/source_text.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace zox {

namespace {

// What an empty text points at: the padding alone.
alignas(16) const char kNothing[SourceText::kPadding] = {};

size_t pageSize() {
  const long size = sysconf(_SC_PAGESIZE);
  return size > 0 ? static_cast<size_t>(size) : 4096;
}

size_t roundUp(size_t n, size_t page) {
  return (n + page - 1) / page * page;
}

// -- The guard of the one mapping: where it lies, and the SIGBUS action before it --

std::atomic<uintptr_t> guardedBegin{0};
std::atomic<uintptr_t> guardedEnd{0};
struct sigaction busBefore {};

// A page of the guarded mapping beyond the end of a file that shrank faults with SIGBUS: it is
// replaced by a page of zeros and the access goes on. Any other SIGBUS gets the action there
// was before, by the access faulting again.
void onBusError(int, siginfo_t* info, void*) {
  const auto at = reinterpret_cast<uintptr_t>(info->si_addr);
  if (at >= guardedBegin.load() && at < guardedEnd.load()) {
    const uintptr_t page = at / pageSize() * pageSize();
    void* zeros = mmap(reinterpret_cast<void*>(page), pageSize(), PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
    if (zeros != MAP_FAILED) return;
  }
  sigaction(SIGBUS, &busBefore, nullptr);
  if (info->si_code <= 0) raise(SIGBUS);  // sent, not a fault: it would not come again
}

// Guards [begin, begin + size); false when another mapping is guarded already.
bool guard(char* begin, size_t size) {
  uintptr_t none = 0;
  if (!guardedBegin.compare_exchange_strong(none, reinterpret_cast<uintptr_t>(begin))) {
    return false;
  }
  guardedEnd.store(reinterpret_cast<uintptr_t>(begin) + size);
  struct sigaction onBus {};
  onBus.sa_sigaction = onBusError;
  onBus.sa_flags = SA_SIGINFO | SA_NODEFER;
  sigemptyset(&onBus.sa_mask);
  if (sigaction(SIGBUS, &onBus, &busBefore) != 0) {
    guardedEnd.store(0);
    guardedBegin.store(0);
    return false;
  }
  return true;
}

void unguard() {
  sigaction(SIGBUS, &busBefore, nullptr);
  guardedEnd.store(0);
  guardedBegin.store(0);
}

// Maps `size` bytes (above 0) of the file fd, followed by zeros up to at least the padding;
// nullptr when it cannot be mapped. *mapped gets the length of the mapping.
char* mapFile(int fd, size_t size, size_t* mapped) {
  const size_t page = pageSize();
  const size_t total = roundUp(size + SourceText::kPadding, page);
  // Zeros for the whole length first; the file's pages then go over the start of them. The
  // rest of the file's last page reads as zeros too.
  void* area = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (area == MAP_FAILED) return nullptr;
  char* begin = static_cast<char*>(area);
  if (!guard(begin, total)) {
    munmap(area, total);
    return nullptr;
  }
  // Read-only: a populated mapping that may be written would be copied whole at once.
  void* file =
      mmap(area, roundUp(size, page), PROT_READ, MAP_PRIVATE | MAP_FIXED | MAP_POPULATE, fd, 0);
  if (file == MAP_FAILED) {
    unguard();
    munmap(area, total);
    return nullptr;
  }
  *mapped = total;
  return begin;
}

}  // namespace

SourceText::~SourceText() {
  clear();
}

void SourceText::clear() {
  if (mapped_ != 0) {
    munmap(data_, mapped_);
    unguard();
  } else if (data_ != kNothing) {
    std::free(data_);
  }
  data_ = nullptr;
  size_ = 0;
  mapped_ = 0;
  writable_ = false;
}

char* SourceText::writable() {
  if (!writable_ && mapped_ != 0) {
    if (mprotect(data_, mapped_, PROT_READ | PROT_WRITE) != 0) return nullptr;
  }
  if (data_ == kNothing) return nullptr;
  writable_ = true;
  return data_;
}

char* SourceText::allocate(size_t size) {
  return static_cast<char*>(std::calloc(size + kPadding, 1));
}

int SourceText::assign(std::string_view text) {
  clear();
  if (text.empty()) {
    data_ = const_cast<char*>(kNothing);  // never written: shrink leaves an empty text alone
    return 0;
  }
  data_ = allocate(text.size());
  if (data_ == nullptr) return kNoMemory;
  std::memcpy(data_, text.data(), text.size());
  size_ = text.size();
  return 0;
}

int SourceText::load(int fd, size_t limit) {
  clear();
  data_ = const_cast<char*>(kNothing);
  struct stat st {};
  size_t expected = 0;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    if (static_cast<unsigned long long>(st.st_size) > limit) return kNoMemory;
    expected = static_cast<size_t>(st.st_size);
    if (char* begin = mapFile(fd, expected, &mapped_)) {
      data_ = begin;
      size_ = expected;
      return 0;
    }
  }

  // Read to the end, in the size the file gave (and one byte more, to find the end there) and
  // larger as it turns out longer.
  size_t capacity = expected > 0 ? expected + 1 : size_t{1} << 16;
  char* text = allocate(capacity);
  if (text == nullptr) return kNoMemory;
  size_t size = 0;
  for (;;) {
    if (size == capacity) {
      if (capacity > limit) break;  // grew while being read
      const size_t larger = capacity * 2;
      char* moved = static_cast<char*>(std::realloc(text, larger + kPadding));
      if (moved == nullptr) {
        std::free(text);
        return kNoMemory;
      }
      text = moved;
      capacity = larger;
    }
    const ssize_t n = ::read(fd, text + size, capacity - size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      std::free(text);
      return kReadFailed;
    }
    if (n == 0) break;
    size += static_cast<size_t>(n);
  }
  std::memset(text + size, 0, capacity - size + kPadding);
  data_ = text;
  size_ = size;
  if (size > limit) return kNoMemory;
  return 0;
}

int SourceText::detach() {
  if (mapped_ == 0) return 0;
  char* copy = allocate(size_);
  if (copy == nullptr) return kNoMemory;
  std::memcpy(copy, data_, size_);
  const size_t size = size_;
  clear();
  data_ = copy;
  size_ = size;
  return 0;
}

void SourceText::shrink(size_t size) {
  if (size >= size_ || !writable_) return;
  // The bytes up to the old end: those after it are zeros already.
  std::memset(data_ + size, 0, size_ - size);
  size_ = size;
}

}  // namespace zox
