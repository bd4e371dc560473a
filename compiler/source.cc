// Opening the source, naming and creating the output, and reading the source line by line
// with the reading position that "/", one-line IFs, colon clauses and look-aheads move.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "compiler/internal.h"
#include "format/adventure_file.h"

namespace zox {

namespace {

constexpr std::string_view kCompiledExtension = ".zox";

// The whole source is held in memory: a larger one is refused as "no memory" before it is
// read (65,535 rooms of a kilobyte each still fit).
constexpr size_t kLargestSource = size_t{64} << 20;
static_assert(SourceText::kPadding >= kSourcePadding);

// A room takes a hundred bytes of source and more: the room table's index of a large source
// is made ready for as many rooms as the source could hold at that, rather than grown step by
// step. A small source's index grows in a few cheap steps.
constexpr size_t kSourceBytesPerRoom = 128;
constexpr size_t kRoomsToExpect = 8192;

// Opens a plain file for reading. A directory, pipe or device is no source: a pipe would block
// the open and a device such as /dev/zero never ends.
std::FILE* openPlainFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  std::FILE* f = fdopen(fd, "r");
  if (f == nullptr) ::close(fd);
  return f;
}

// The output file, opened to be written over from its start but not emptied: a compiled file
// of an earlier compile is mostly written again with bytes of the same length, and the file
// system then reuses its pages and blocks instead of dropping and finding them anew.
// finishOutput cuts the file to the length written.
std::FILE* openOutput(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  std::FILE* f = fdopen(fd, "r+b");
  if (f == nullptr) ::close(fd);
  return f;
}

// Reads one line of at most kLineChars characters from the source at *pos into buffer, as it
// is. The newline that ends it is kept; a newline right after kLineChars characters still
// belongs to that line, so only a longer line is read as several.
bool readLineAt(const SourceText& source, size_t* pos, char* buffer) {
  if (*pos >= source.size()) {
    buffer[0] = '\0';
    return false;
  }
  size_t p = *pos;
  size_t n = std::min(source.size() - p, static_cast<size_t>(kLineChars));
  const char* at = source.data() + p;
  if (const void* nl = std::memchr(at, '\n', n)) {
    n = static_cast<size_t>(static_cast<const char*>(nl) - at) + 1;
  }
  std::memcpy(buffer, at, n);
  p += n;
  if (n == static_cast<size_t>(kLineChars) && buffer[n - 1] != '\n' && p < source.size() &&
      source.data()[p] == '\n') {
    buffer[n++] = source.data()[p++];
  }
  buffer[n] = '\0';
  *pos = p;
  return true;
}

char lowerAscii(char ch) {
  return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch + 32) : ch;
}

// The index of the first byte from `from` on that is not ASCII, or the size: sources are
// mostly ASCII, so eight bytes are tested at a time.
size_t nextNonAscii(std::string_view bytes, size_t from) {
  constexpr uint64_t kHighBits = 0x8080808080808080u;
  size_t i = from;
#if defined(__SSE2__)
  // Sixty-four at a time where the processor can: a whole source is passed over once this way.
  for (; i + 64 <= bytes.size(); i += 64) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + i + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + i + 32));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + i + 48));
    if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) != 0) break;
  }
#endif
  for (uint64_t eight; i + 8 <= bytes.size(); i += 8) {
    std::memcpy(&eight, bytes.data() + i, 8);
    if (eight & kHighBits) break;
  }
  while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80) ++i;
  return i;
}

}  // namespace

Compiler::Compiler() = default;

Compiler::~Compiler() {
  closeFiles(*this);
}

void closeFiles(Compiler& c) {
  if (c.sourceFile) {
    std::fclose(c.sourceFile);
    c.sourceFile = nullptr;
  }
  if (c.output) {
    // After a fatal error the output stays as far as it was stored.
    flushOutput(c);
    std::fclose(c.output);
    c.output = nullptr;
  }
  if (c.outputCreated && !c.keepOutput) {
    std::remove(c.outputPath.c_str());
    c.outputCreated = false;
  }
}

namespace {

bool isFoldedPair(std::string_view bytes, size_t i) {
  const auto b = static_cast<unsigned char>(bytes[i]);
  if ((b != 0xC2 && b != 0xC3) || i + 1 >= bytes.size()) return false;
  const auto next = static_cast<unsigned char>(bytes[i + 1]);
  return next >= 0x80 && next <= 0xBF;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Where folding first changes the text: 0 for a byte-order mark, else the first pair to fold;
// npos when it changes nothing.
size_t firstFold(std::string_view bytes) {
  if (bytes.substr(0, 3) == kByteOrderMark) return 0;
  for (size_t i = nextNonAscii(bytes, 0); i < bytes.size(); i = nextNonAscii(bytes, i + 1)) {
    if (isFoldedPair(bytes, i)) return i;
  }
  return std::string_view::npos;
}

// Folds the text from `from` (firstFold's answer) on, writing over it: the folded text is never
// longer, and every byte written changes the text. The folded size.
size_t foldFrom(char* text, size_t size, size_t from) {
  const std::string_view bytes(text, size);
  size_t i = from;
  size_t o = from;
  if (from == 0 && bytes.substr(0, 3) == kByteOrderMark) i = 3;
  for (; i < bytes.size(); ++i) {
    // The ASCII run up to the next other byte stays as it is, moved down by what was folded.
    size_t run = nextNonAscii(bytes, i);
    if (o != i) std::memmove(text + o, bytes.data() + i, run - i);
    o += run - i;
    i = run;
    if (i == bytes.size()) break;
    if (isFoldedPair(bytes, i)) {
      const auto b = static_cast<unsigned char>(bytes[i]);
      const auto next = static_cast<unsigned char>(bytes[i + 1]);
      text[o++] = static_cast<char>(((b & 0x03) << 6) | (next & 0x3F));
      ++i;
      continue;
    }
    text[o++] = bytes[i];
  }
  return o;
}

}  // namespace

void foldUtf8(std::string& text) {
  const size_t from = firstFold(text);
  if (from != std::string_view::npos) text.resize(foldFrom(text.data(), text.size(), from));
}

int foldUtf8(SourceText& text) {
  const size_t from = firstFold(text.view());
  if (from == std::string_view::npos) return 0;
  char* writable = text.writable();
  if (writable == nullptr) return kErrNoMemory;
  text.shrink(foldFrom(writable, text.size(), from));
  return 0;
}

int outputNameFor(std::string_view path, std::string* outputPath) {
  // The last "." of the path, not counting one in first position.
  size_t dot = std::string_view::npos;
  for (size_t i = path.size(); i-- > 1;) {
    if (path[i] == '.') {
      dot = i;
      break;
    }
  }
  std::string_view extension = dot == std::string_view::npos ? path : path.substr(dot);
  if (extension.size() == kCompiledExtension.size()) {
    bool same = true;
    for (size_t i = 0; i < extension.size(); ++i) {
      if (lowerAscii(extension[i]) != kCompiledExtension[i]) same = false;
    }
    if (same) return kErrCompiledExtension;
  }
  try {
    *outputPath = std::string(dot == std::string_view::npos ? path : path.substr(0, dot));
    *outputPath += kCompiledExtension;
  } catch (const std::bad_alloc&) {
    return kErrNoMemory;
  }
  return 0;
}

int openSource(Compiler& c, const std::string& path) {
  c.sourceFile = openPlainFile(path);
  if (!c.sourceFile) return kErrOpen;

  std::string outputPath;
  if (int r = outputNameFor(path, &outputPath)) return r;
  c.outputPath = std::move(outputPath);

  // The whole source is read at once: the reading position then moves back and forth (after
  // a "/", a THEN, a colon, a look-ahead) without seeking in the file.
  switch (c.source.load(fileno(c.sourceFile), kLargestSource)) {
    case SourceText::kNoMemory:
      return kErrNoMemory;
    case SourceText::kReadFailed:
      return kErrIo;
    default:
      break;
  }
  if (int r = foldUtf8(c.source)) return r;
  if (const size_t rooms = c.source.size() / kSourceBytesPerRoom; rooms >= kRoomsToExpect) {
    c.rooms.expect(rooms);
  }
  c.readPos = 0;
  if (!readHeaderLine(c)) return kErrIo;

  const char* header = c.lineBuffer.data();
  if (parseHeaderLine(header, &c.title, &c.part, &c.partCount) != 0) return kErrHeader;
  if (c.part > 1) c.outputPath.back() = static_cast<char>(c.part + 46);

  c.roomPositions.reset(static_cast<uint32_t*>(std::calloc(kMaxRooms + 1, sizeof(uint32_t))));
  c.ifLines.reset(static_cast<unsigned*>(std::calloc(kMaxIfDepth + 1, sizeof(unsigned))));
  if (!c.roomPositions || !c.ifLines) return kErrNoMemory;

  // An output that is the source itself (a link) is written over: the text is kept apart
  // from the file first.
  struct stat sourceStat {};
  struct stat outputStat {};
  if (c.source.mapped() && fstat(fileno(c.sourceFile), &sourceStat) == 0 &&
      ::stat(c.outputPath.c_str(), &outputStat) == 0 && sourceStat.st_dev == outputStat.st_dev &&
      sourceStat.st_ino == outputStat.st_ino && c.source.detach() != 0) {
    return kErrNoMemory;
  }

  // A stop signal between creating the file and marking it created would leave the file
  // behind: hold the signals back until both have happened.
  sigset_t stops, before;
  sigemptyset(&stops);
  for (int sig : {SIGINT, SIGQUIT, SIGTERM}) sigaddset(&stops, sig);
  sigprocmask(SIG_BLOCK, &stops, &before);
  c.output = openOutput(c.outputPath);
  if (c.output) c.outputCreated = true;
  sigprocmask(SIG_SETMASK, &before, nullptr);
  if (!c.output) return kErrCreate;

  std::vector<uint8_t> head =
      encodeHeader(c.title, static_cast<uint8_t>(c.part), static_cast<uint8_t>(c.partCount));
  if (std::fwrite(head.data(), 1, head.size(), c.output) != head.size()) return kErrIo;
  c.outputPos = static_cast<uint32_t>(head.size());
  c.codeEndField = c.outputPos;
  if (int r = emitU32(c, 0)) return r;

  readNextLine(c);
  return 0;
}

namespace {

// A kept line taken as the current one: a copy of it, its text moved into the line buffer when
// it lies in the queue's.
void takeLine(Compiler& c, const SourceLine& kept) {
  c.line = kept;
  if (kept.inBuffer) {
    std::memcpy(c.lineBuffer.data(), kept.text, kept.end - kept.start + 1);
    c.line.text = c.lineBuffer.data();
  }
}

}  // namespace

bool readNextLine(Compiler& c) {
  if (c.readPos >= c.source.size()) {
    c.haveLine = false;
    return false;
  }
  c.haveLine = true;
  if (LineQueue* ahead = c.ahead.get(); ahead && ahead->taken < ahead->count) {
    const SourceLine& kept = ahead->lines[ahead->taken];
    if (kept.start == c.readPos) {
      // Read, classified and prepared by the look-ahead already: taken as it is.
      ++ahead->taken;
      takeLine(c, kept);
      c.readPos = c.line.next;
      return true;
    }
    // The reading went elsewhere (a one-line IF, a colon clause): the kept lines are not next.
    ahead->count = ahead->taken = 0;
  }
  scanLine(c.source.data(), c.source.size(), c.readPos, c.lineBuffer.data(), &c.line);
  c.readPos = c.line.next;
  return true;
}

bool readHeaderLine(Compiler& c) {
  c.haveLine = readLineAt(c.source, &c.readPos, c.lineBuffer.data());
  return c.haveLine;
}

bool reReadFrom(Compiler& c, const char* p) {
  const char* begin = c.line.text;
  if (!c.haveLine || p <= begin || p > begin + c.line.length) return false;
  c.readPos = c.line.start + static_cast<size_t>(p - begin);
  return true;
}

ReadPosition readingPosition(const Compiler& c) {
  return ReadPosition{c.readPos};
}

void setReadingPosition(Compiler& c, ReadPosition pos) {
  c.readPos = std::min(pos.offset, c.source.size());
}

const SourceLine* readAheadLine(Compiler& c) {
  if (!c.ahead) {
    c.ahead.reset(new (std::nothrow) LineQueue);
    if (!c.ahead) return nullptr;
  }
  LineQueue& ahead = *c.ahead;
  // The kept lines run on from one to the next; a look-ahead that starts elsewhere, or after
  // the driver has taken them all, starts them afresh.
  if (ahead.taken == ahead.count ||
      (ahead.count > 0 && ahead.lines[ahead.count - 1].next != c.readPos)) {
    ahead.count = ahead.taken = 0;
  }
  if (c.readPos >= c.source.size()) return nullptr;
  const bool kept = ahead.count < LineQueue::kLines;
  SourceLine& out = kept ? ahead.lines[ahead.count] : ahead.spare;
  char* buffer = kept ? ahead.buffers[ahead.count].data() : ahead.spareBuffer.data();
  scanLine(c.source.data(), c.source.size(), c.readPos, buffer, &out);
  c.readPos = out.next;
  if (kept) ++ahead.count;
  return &out;
}

}  // namespace zox
