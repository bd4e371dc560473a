// Text scrambling with the shared text key.
#include "format/text_key.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zox {

namespace {
// Latin-1 letters that have a code of their own, in code order from 23.
constexpr std::array<uint8_t, 7> kLetters = {0xC4, 0xE4, 0xD6, 0xF6, 0xDC, 0xFC, 0xDF};

constexpr int codeOf(uint8_t c) {
  for (size_t i = 0; i < kLetters.size(); ++i) {
    if (kLetters[i] == c) return kFirstTextCode + static_cast<int>(i);
  }
  if (c == '\n') return kLineBreakCode;
  if (c >= kFirstTextCode && c <= kLineBreakCode) return -1;
  if (c < kFirstTextCode || c > kLastTextCode) return -1;
  return c;
}

// The text code of every byte, -1 where a text may not hold it: texts are scrambled by the
// megabyte, one lookup a character.
constexpr std::array<int8_t, 256> kCodes = [] {
  std::array<int8_t, 256> codes{};
  for (int c = 0; c < 256; ++c) codes[c] = static_cast<int8_t>(codeOf(static_cast<uint8_t>(c)));
  return codes;
}();
}  // namespace

int textCode(uint8_t c) {
  return kCodes[c];
}

size_t firstRefused(std::string_view latin1) {
  for (size_t i = 0; i < latin1.size(); ++i) {
    if (kCodes[static_cast<uint8_t>(latin1[i])] < 0) return i;
  }
  return std::string_view::npos;
}

void scrambleTo(std::string_view latin1, size_t keyPos, uint8_t* out) {
  for (size_t i = 0; i < latin1.size(); ++i) {
    int code = kCodes[static_cast<uint8_t>(latin1[i])];
    out[i] = static_cast<uint8_t>((code + kTextKey[(keyPos + i) % kTextKey.size()]) & 0xFF);
  }
}

// Every byte already scrambled at each key position, 0 where a text may not hold it (no code
// scrambles to 0): one lookup a character for the writers that store texts. The 16 rows are
// there twice, so the 16 characters from any key position on find theirs at fixed distances.
constexpr size_t kKeySize = kTextKey.size();
constexpr std::array<std::array<uint8_t, 256>, 2 * kKeySize> kScrambled = [] {
  std::array<std::array<uint8_t, 256>, 2 * kKeySize> table{};
  for (size_t k = 0; k < table.size(); ++k) {
    for (int c = 0; c < 256; ++c) {
      table[k][c] =
          kCodes[c] < 0 ? 0 : static_cast<uint8_t>((kCodes[c] + kTextKey[k % kKeySize]) & 0xFF);
    }
  }
  return table;
}();

// The key twice over: its 16 bytes from any position on, in one piece.
constexpr std::array<uint8_t, 2 * kKeySize> kKeyTwice = [] {
  std::array<uint8_t, 2 * kKeySize> twice{};
  for (size_t k = 0; k < twice.size(); ++k) twice[k] = kTextKey[k % kKeySize];
  return twice;
}();

bool scrambleSummed(std::string_view latin1, size_t keyPos, uint8_t* out, uint32_t* sum) {
  const auto* in = reinterpret_cast<const uint8_t*>(latin1.data());
  const size_t n = latin1.size();
  const std::array<uint8_t, 256>* rows = &kScrambled[keyPos % kKeySize];
  uint32_t s = *sum;
  int refused = 0;  // negative once a character scrambled to 0
  size_t i = 0;
  for (; i + kKeySize <= n; i += kKeySize) {
#if defined(__SSE2__)
    // Sixteen characters from 0x20 to 0x7F, most of any text, are their own codes: the key is
    // added to all sixteen at once and their sum taken at once.
    const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    if (_mm_movemask_epi8(_mm_cmpgt_epi8(_mm_set1_epi8(' '), sixteen)) == 0) {
      const __m128i key =
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(kKeyTwice.data() + keyPos % kKeySize));
      const __m128i scrambled = _mm_add_epi8(sixteen, key);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), scrambled);
      const __m128i sums = _mm_sad_epu8(scrambled, _mm_setzero_si128());
      s += static_cast<uint32_t>(_mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4));
      continue;
    }
#endif
#pragma GCC unroll 16
    for (size_t j = 0; j < kKeySize; ++j) {
      const uint8_t b = rows[j][in[i + j]];
      out[i + j] = b;
      s += b;
      refused |= b - 1;
    }
  }
#pragma GCC unroll 4
  for (size_t j = 0; i + j < n; ++j) {
    const uint8_t b = rows[j][in[i + j]];
    out[i + j] = b;
    s += b;
    refused |= b - 1;
  }
  *sum = s;
  return refused >= 0;
}

int latin1OfCode(int code) {
  if (code < kFirstTextCode || code > kLastTextCode) return -1;
  if (code < kFirstTextCode + static_cast<int>(kLetters.size())) {
    return kLetters[code - kFirstTextCode];
  }
  if (code == kLineBreakCode) return '\n';
  return code;
}

std::optional<std::string> scramble(std::string_view latin1, size_t keyPos, size_t* badIndex) {
  if (size_t bad = firstRefused(latin1); bad != std::string_view::npos) {
    if (badIndex) *badIndex = bad;
    return std::nullopt;
  }
  std::string out(latin1.size(), '\0');
  scrambleTo(latin1, keyPos, reinterpret_cast<uint8_t*>(out.data()));
  return out;
}

// Every byte unscrambled at each key position, 0 where it gives no text code (no character of a
// text is 0x00); the 16 rows twice, as for scrambling.
constexpr std::array<std::array<uint8_t, 256>, 2 * kKeySize> kUnscrambled = [] {
  std::array<std::array<uint8_t, 256>, 2 * kKeySize> table{};
  for (size_t k = 0; k < table.size(); ++k) {
    for (int b = 0; b < 256; ++b) {
      const int code = (b - kTextKey[k % kKeySize]) & 0xFF;
      int c = 0;
      if (code >= kFirstTextCode && code <= kLastTextCode) {
        c = code < kFirstTextCode + static_cast<int>(kLetters.size())
                ? kLetters[code - kFirstTextCode]
            : code == kLineBreakCode ? '\n'
                                     : code;
      }
      table[k][b] = b == 0 ? 0 : static_cast<uint8_t>(c);
    }
  }
  return table;
}();

bool unscrambleTo(std::string_view scrambled, size_t keyPos, char* out) {
  const auto* in = reinterpret_cast<const uint8_t*>(scrambled.data());
  const std::array<uint8_t, 256>* rows = &kUnscrambled[keyPos % kKeySize];
  int refused = 0;  // negative once a byte gave 0
  for (size_t i = 0; i < scrambled.size(); ++i) {
    const uint8_t c = rows[i % kKeySize][in[i]];
    out[i] = static_cast<char>(c);
    refused |= c - 1;
  }
  return refused >= 0;
}

std::optional<std::string> unscramble(std::string_view scrambled, size_t keyPos) {
  std::string out;
  out.reserve(scrambled.size());
  for (size_t i = 0; i < scrambled.size(); ++i) {
    uint8_t b = static_cast<uint8_t>(scrambled[i]);
    if (b == 0) break;
    int code = (b - kTextKey[(keyPos + i) % kTextKey.size()]) & 0xFF;
    int c = latin1OfCode(code);
    if (c < 0) return std::nullopt;
    out.push_back(static_cast<char>(c));
  }
  return out;
}

}  // namespace zox

namespace zox {
namespace {
constexpr bool keyKeepsTextBytesInRange() {
  for (uint8_t k : kTextKey) {
    for (int code = kFirstTextCode; code <= kLastTextCode; ++code) {
      int b = (code + k) & 0xFF;
      if (b < 1 || b > 0x9F) return false;
    }
  }
  return true;
}
static_assert(keyKeepsTextBytesInRange(), "a key byte would let a text byte end a statement");
}  // namespace
}  // namespace zox
