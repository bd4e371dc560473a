// Unit tests of the console's terminal-free pieces: Latin-1 to screen characters, key codes,
// the editor's accepted characters, upper-case folding, colour attributes, the input history.
#include "console/console_text.h"

#include <curses.h>
#include <gtest/gtest.h>

#include <string>

#include "console/console.h"

namespace zox::console_text {
namespace {

TEST(ConsoleUnit, Latin1BytesShowAsTheirOwnCodePointAndControlsAsBlanks) {
  for (int b = 0; b < 256; ++b) {
    const wchar_t shown = latin1ToWide(static_cast<unsigned char>(b));
    const bool control = b < 32 || (b >= 127 && b < 160);
    EXPECT_EQ(shown, control ? L' ' : static_cast<wchar_t>(b)) << "byte " << b;
  }
}

TEST(ConsoleUnit, KeysFromTheWideReadAreLatin1CodesOrKeypadCodes) {
  struct Case {
    int result;
    unsigned int character;
    int key;
  };
  const Case cases[] = {
      {OK, 'a', 'a'},
      {OK, 0xE4, 228},           // ä from UTF-8 or Latin-1 input
      {OK, 0xDF, 223},           // ß
      {OK, 0x20AC, kKeyOther},   // €
      {OK, 0x104, kKeyOther},    // Ą must not look like KEY_LEFT (260)
      {OK, 127, kKeyBackspace},  // DEL as terminals send Backspace
      {OK, 8, kKeyBackspace},    // ^H
      {OK, '\r', kKeyReturn},
      {OK, '\n', kKeyReturn},
      {OK, 27, kKeyEscape},
      {KEY_CODE_YES, KEY_UP, kKeyUp},
      {KEY_CODE_YES, KEY_DC, kKeyDelete},
      {KEY_CODE_YES, KEY_ENTER, kKeyReturn},
      {KEY_CODE_YES, KEY_F(1), KEY_F(1)},
      {KEY_CODE_YES, KEY_RESIZE, -1},  // never a key
      {ERR, 'a', -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(keyFromWideRead(c.result, c.character), c.key)
        << "result " << c.result << " character " << c.character;
}

TEST(ConsoleUnit, ModesAcceptTheirCharacters) {
  struct Case {
    int key, mode, position;
    bool accepted;
  };
  const Case cases[] = {
      {'7', kReadNumbers, 3, true},
      {'-', kReadNumbers, 0, true},
      {'+', kReadNumbers, 0, true},
      {'-', kReadNumbers, 1, false},
      {'a', kReadNumbers, 0, false},
      {' ', kReadNumbers, 0, false},
      {' ', kReadText, 0, true},
      {'~', kReadText, 0, true},
      {31, kReadText, 0, false},
      {127, kReadText, 0, false},
      {228, kReadText, 0, true},
      {196, kReadShortText, 0, true},
      {223, kReadText, 0, true},
      {233, kReadText, 0, false},  // é is no umlaut
      {kKeyOther, kReadText, 0, false},
      {kKeyLeft, kReadText, 0, false},
      {'a', 3, 0, false},
      {'5', -1, 0, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(acceptedInMode(c.key, c.mode, c.position), c.accepted)
        << "key " << c.key << " mode " << c.mode << " position " << c.position;
}

TEST(ConsoleUnit, UpperKeyFoldsAsciiLettersAndThreeUmlauts) {
  const std::pair<int, int> cases[] = {
      {'a', 'A'}, {'z', 'Z'}, {'A', 'A'}, {'0', '0'}, {228, 196}, {246, 214},       {252, 220},
      {223, 223}, {196, 196}, {233, 233}, {'{', '{'}, {'`', '`'}, {kKeyUp, kKeyUp}, {-1, -1},
  };
  for (auto [key, upper] : cases) EXPECT_EQ(upperKey(key), upper) << "key " << key;
}

TEST(ConsoleUnit, SlotColoursNameThePairDefinedForThoseColours) {
  // Pair n is defined with curses foreground 7 - n % 8 and background n / 8.
  for (int f = 0; f < 16; ++f) {
    for (int b = 0; b < 16; ++b) {
      for (bool eight : {false, true}) {
        const SlotColours c = slotColours(f, b, eight);
        ASSERT_GE(c.pair, 0);
        ASSERT_LT(c.pair, 64);
        EXPECT_EQ(7 - c.pair % 8, cursesColour(f % 8)) << f << " on " << b;
        EXPECT_EQ(c.pair / 8, cursesColour(b % 8)) << f << " on " << b;
        EXPECT_EQ(c.bold, f > 7);
        EXPECT_EQ(c.blink, b > 7 && !eight);
      }
    }
  }
  // Language order: black blue green cyan red magenta brown grey; curses: black red green
  // yellow blue magenta cyan white.
  const int curses[8] = {0, 4, 2, 6, 1, 5, 3, 7};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(cursesColour(i), curses[i]);
  const SlotColours redOnBlack = slotColours(4, 0, false);
  EXPECT_EQ(redOnBlack.pair, 6);  // the error slot's start value
  EXPECT_FALSE(redOnBlack.bold || redOnBlack.blink);
  const SlotColours greyOnBlack = slotColours(7, 0, false);
  EXPECT_EQ(greyOnBlack.pair, 0);  // the terminal's default pair
}

TEST(ConsoleUnit, HistoryKeepsTheLastTwentyLinesCutToEighty) {
  InputHistory h;
  EXPECT_EQ(h.count(), 0);
  EXPECT_EQ(h.line(0), "");
  for (int i = 1; i <= 21; ++i) h.add("cmd" + std::to_string(i));
  EXPECT_EQ(h.count(), 20);
  EXPECT_EQ(h.line(0), "cmd2");
  EXPECT_EQ(h.line(19), "cmd21");
  EXPECT_EQ(h.line(20), "");
  EXPECT_EQ(h.line(-1), "");
  h.add(std::string(100, 'x'));
  EXPECT_EQ(h.line(19), std::string(80, 'x'));
  EXPECT_EQ(h.line(0), "cmd3");
  h.add(std::string("ab\0cd", 5));
  EXPECT_EQ(h.line(19), "ab");
  h.add("");
  EXPECT_EQ(h.line(19), "");
  EXPECT_EQ(h.line(18), "ab");
  EXPECT_EQ(h.count(), 20);
}

}  // namespace
}  // namespace zox::console_text
