// Text scrambling: every stored text (adventure name, statement texts, saved-game texts) is
// mapped to the codes 23..127 and offset by the bytes of one fixed 16-byte text key.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zox {

// Lowest and highest text code; 23..29 stand for the seven German letters, 30 for a line break.
inline constexpr int kFirstTextCode = 23;
inline constexpr int kLastTextCode = 127;
inline constexpr int kLineBreakCode = 30;

// The one text key. Every key byte lies in 0..32 or 234..255, so every code 23..127 scrambles
// to a byte 1..159: a stored text never holds a 0x00 (end of the header name) nor a byte of
// 0xA0 or above (the next opcode).
inline constexpr std::array<uint8_t, 16> kTextKey = {7, 250, 19,  3,  244, 28, 11, 238,
                                                     1, 31,  236, 15, 248, 22, 5,  241};

// The text code of one Latin-1 character, or -1 if a text may not hold it. The raw control
// bytes 23..30 are refused too: stored as themselves they would come back as umlauts or as a
// line break.
int textCode(uint8_t latin1);

// The Latin-1 character of a text code 23..127, or -1 for a code outside that range.
int latin1OfCode(int code);

// Scrambles a Latin-1 text whose first character sits at key position keyPos (continuation
// lines go on with the running position). On a refused character returns nothing and, if
// badIndex is given, stores its index.
std::optional<std::string> scramble(std::string_view latin1, size_t keyPos = 0,
                                    size_t* badIndex = nullptr);

// The two halves of scramble, for writers that keep their own buffer: the index of the first
// character a text may not hold (npos when there is none), and the scrambled bytes written to
// out, which has room for latin1.size() bytes. REQUIRES for scrambleTo: firstRefused(latin1)
// is npos.
size_t firstRefused(std::string_view latin1);
void scrambleTo(std::string_view latin1, size_t keyPos, uint8_t* out);

// Checks, scrambles and sums in one pass, for writers that store texts by the megabyte: writes
// the scrambled bytes to out (room for latin1.size() bytes) and adds each, 0 to 255, to *sum.
// False when a character is refused; out and *sum are then not to be used.
bool scrambleSummed(std::string_view latin1, size_t keyPos, uint8_t* out, uint32_t* sum);

// Unscrambles up to the first 0x00 or the end. Nothing when a byte does not give a code 23..127.
std::optional<std::string> unscramble(std::string_view scrambled, size_t keyPos = 0);

// Unscrambles the whole of scrambled into out (room for scrambled.size() characters), for
// readers that keep their own buffer. False when a byte does not give a code 23..127, a 0x00
// included (a stored text never holds one); out is then not to be used.
bool unscrambleTo(std::string_view scrambled, size_t keyPos, char* out);

}  // namespace zox
