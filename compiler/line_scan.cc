// Preparing a line (tabs and carriage returns outside quotes made blanks, a "/" outside quotes
// ending the statement) and reading a line from the source in memory with one pass over it.
#include "compiler/line_scan.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "format/text_key.h"

namespace zox {

namespace {

// What preparing a line does with each character.
enum ScanClass : uint8_t {
  kPlain = 0,  // passed over
  kRefused,    // passed over, counted: text scrambling refuses it
  kQuote,      // flips the inside-quotes mark
  kTabOrCr,    // a blank outside quotes; refused inside
  kSlash,      // ends the statement outside quotes
  kLineEnd,    // NUL or newline
};

const std::array<uint8_t, 256> kScanClassOf = [] {
  std::array<uint8_t, 256> classes{};
  for (int ch = 0; ch < 256; ++ch) {
    classes[ch] = textCode(static_cast<uint8_t>(ch)) < 0 ? kRefused : kPlain;
  }
  classes['"'] = kQuote;
  classes['\t'] = classes['\r'] = kTabOrCr;
  classes['/'] = kSlash;
  classes['\0'] = classes['\n'] = kLineEnd;
  return classes;
}();

// The index of the first character from i on, below length, that preparing a line must look
// at: one below 0x20 (a line end included) or above 0x7F, a quote or a slash; length when
// there is none. Texts are most of a source, and they are passed over sixteen characters at a
// time where the processor can; nothing at or after line[length] is read. REQUIRES i <= length.
[[gnu::always_inline]] inline size_t nextToLookAt(const char* line, size_t i, size_t length) {
#if defined(__SSE2__)
  const auto marks = [](const char* at) {
    const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    // Compared as signed bytes, those above 0x7F are negative: "below a blank" takes them too.
    const __m128i marked = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(sixteen, _mm_set1_epi8('"')),
                                                     _mm_cmpeq_epi8(sixteen, _mm_set1_epi8('/'))),
                                        _mm_cmpgt_epi8(_mm_set1_epi8(' '), sixteen));
    return static_cast<unsigned>(_mm_movemask_epi8(marked));
  };
  for (; i + 16 <= length; i += 16) {
    if (const unsigned m = marks(line + i)) return i + std::countr_zero(m);
  }
  if (length >= 16 && i < length) {
    // The rest, fewer than sixteen: the last sixteen characters, without those before i, which
    // have been looked at.
    const unsigned m = marks(line + length - 16) >> (i - (length - 16));
    return m != 0 ? i + std::countr_zero(m) : length;
  }
#endif
  while (i < length && kScanClassOf[static_cast<unsigned char>(line[i])] == kPlain) ++i;
  return i;
}

// How a walk over a line ended.
enum class WalkEnd {
  Complete,  // at the line's end (a newline or NUL) or its length
  Split,     // at a "/" outside quotes, which now ends it (changing walks only)
  Changes,   // at the first thing preparing would change (walks that change nothing)
};

// The one walk of line preparation, up to the line's first newline or NUL or its length: the
// quotes recorded in scan, and, when kChange is set, tabs and carriage returns outside quotes
// made blanks and the line cut at the first "/" outside quotes. *at gets the index where the
// walk ended: the line end, the newline that replaced the "/", or the first character to be
// changed.
template <bool kChange>
WalkEnd walkLine(std::conditional_t<kChange, char*, const char*> line, size_t length,
                 LineScan* scan, size_t* at) {
  bool inQuotes = false;
  uint16_t refused = 0;
  size_t quotes = 0;
  WalkEnd result = WalkEnd::Complete;
  size_t i = 0;
  for (;; ++i) {
    i = nextToLookAt(line, i, length);
    if (i == length) break;
    const uint8_t kind = kScanClassOf[static_cast<unsigned char>(line[i])];
    if (kind == kPlain) continue;  // a letter above 0x7F that texts may hold
    if (kind == kRefused) {
      ++refused;
      continue;
    }
    if (kind == kQuote) {
      if (scan && quotes < LineScan::kMaxQuotes) {
        scan->quotes[quotes] = static_cast<uint16_t>(i);
        scan->refusedBefore[quotes] = refused;
      }
      ++quotes;
      inQuotes = !inQuotes;
      continue;
    }
    if (kind == kLineEnd) break;
    if (inQuotes) {
      if (kind == kTabOrCr) ++refused;
      continue;
    }
    if constexpr (kChange) {
      if (kind == kTabOrCr) {
        line[i] = ' ';
        continue;
      }
      line[i] = '\n';  // kSlash
      line[i + 1] = '\0';
      result = WalkEnd::Split;
    } else {
      result = WalkEnd::Changes;
    }
    break;
  }
  if (scan) scan->quoteCount = quotes;
  *at = i;
  return result;
}

bool isSkipped(char ch) {
  return ch == ' ' || ch == '\t' || ch == '\r';
}

// The first newline or NUL from i on, below length; length when there is none.
size_t lineEndFrom(const char* text, size_t i, size_t length) {
  while (i < length && text[i] != '\n' && text[i] != '\0') ++i;
  return i;
}

}  // namespace

int prepareLine(char* line, size_t* resumeAt, LineScan* scan) {
  size_t at = 0;
  if (walkLine<true>(line, std::strlen(line), scan, &at) != WalkEnd::Split) return kLineComplete;
  if (resumeAt) *resumeAt = at + 1;
  return kLineSplit;
}

void scanLine(const char* source, size_t size, size_t pos, char* buffer, SourceLine* out) {
  SourceLine& l = *out;
  const char* at = source + pos;
  const size_t available = size - pos;
  const size_t limit = available < size_t{kLineChars} ? available : size_t{kLineChars};
  l.start = pos;
  l.code = kTokRem;
  l.number = 0;
  l.consumed = 0;
  l.complete = true;
  l.inBuffer = false;
  l.scan.quoteCount = 0;

  size_t lead = 0;
  while (lead < limit && isSkipped(at[lead])) ++lead;
  l.lead = lead;

  // The walk finds the quotes and the line's end, unless the line needs changing first; it
  // changes nothing in the source (a line is read again from inside, after a "/", a THEN or a
  // colon, with quotes counted from there).
  size_t stop = 0;
  const WalkEnd walked = walkLine<false>(at + lead, limit - lead, &l.scan, &stop);
  const bool changes = walked == WalkEnd::Changes;
  const size_t end = changes ? lineEndFrom(at, lead + stop, limit) : lead + stop;

  // What a line-by-line reader takes: up to and including the first newline within kLineChars
  // characters (also after a NUL), or kLineChars characters and a newline right after them.
  // The source's own terminator follows its last character.
  size_t read = limit;
  bool endMarked = true;  // a newline or NUL ends the text where it lies
  const void* newline = nullptr;
  if (end < limit) {
    newline = at[end] == '\n' ? at + end : std::memchr(at + end, '\n', limit - end);
    if (newline) read = static_cast<size_t>(static_cast<const char*>(newline) - at) + 1;
  }
  if (!newline && limit == size_t{kLineChars} && available > limit) {
    if (at[limit] == '\n') {
      ++read;
    } else if (end == limit) {
      endMarked = false;  // a character of the next line follows
    }
  }
  l.end = pos + read;
  l.next = l.end;
  l.length = end;
  l.text = at;
  const auto copy = [&] {
    std::memcpy(buffer, at, read);
    buffer[read] = '\0';
    l.text = buffer;
    l.inBuffer = true;
  };
  if (!endMarked) copy();
  if (lead == end) {  // nothing but blanks: compiles to nothing
    l.scan.quoteCount = 0;
    return;
  }

  l.code = classify(l.text + lead, &l.number, &l.consumed);
  if (l.code == kTokRem) {  // comments are not prepared
    l.scan.quoteCount = 0;
    return;
  }
  if (!changes) return;
  if (!l.inBuffer) copy();
  size_t resume = 0;
  if (prepareLine(buffer + lead, &resume, &l.scan) == kLineSplit) {
    l.complete = false;
    l.length = lead + resume - 1;
    l.next = pos + lead + resume;
  }
}

}  // namespace zox
