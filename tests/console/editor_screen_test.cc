// Screen tests of the line editor: overwrite editing, cursor keys, modes, field limits,
// history recall, hidden entry, umlauts typed as UTF-8, and resizes while a line is read.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "driver_run.h"

namespace zoxtest {
namespace {

using Input = std::variant<std::string, Key>;

void send(Screen& s, const std::vector<Input>& inputs) {
  for (const Input& in : inputs) {
    if (const auto* text = std::get_if<std::string>(&in))
      s.type(*text);
    else
      s.key(std::get<Key>(in));
  }
}

std::string times(int n, const std::string& piece) {
  std::string out;
  for (int i = 0; i < n; ++i) out += piece;
  return out;
}

// The driver's form of a read line: bytes outside 32-126 as \xHH.
std::string readResult(int code, const std::string& text) {
  return "readLine " + std::to_string(code) + " \"" + text + "\"";
}

struct EditCase {
  const char* name;
  int mode;
  std::vector<Input> keys;
  std::string expected;  // result text in the driver's escaped form
  std::string row;       // screen row 0 after the keys (UTF-8), before Return
  int cursorCol = -1;    // after the keys, or -1
};

TEST(ConsoleEditor, VisibleEditingOverwritesAndMovesWithinTheText) {
  const EditCase cases[] = {
      {"overwrite after Home", 1, {"abc", Key::Home, "X"}, "Xbc", "> Xbc", 3},
      {"Delete under the cursor", 1, {"abc", Key::Left, Key::Delete}, "ab", "> ab", 4},
      {"Delete at the end", 1, {"abc", Key::End, Key::Delete}, "abc", "> abc", 5},
      {"Backspace at position 0", 1, {"abc", Key::Home, Key::Backspace}, "abc", "> abc", 2},
      {"Backspace mid-text", 1, {"abc", Key::Left, Key::Left, Key::Backspace}, "bc", "> bc", 2},
      {"Right stops at the text end",
       1,
       {"ab", Key::Home, Key::Right, Key::Right, Key::Right, Key::Right, "X"},
       "abX",
       "> abX",
       5},
      {"Delete mid-text",
       1,
       {"abcdef", Key::Home, Key::Right, Key::Right, Key::Delete},
       "abdef",
       "> abdef",
       4},
      {"Escape clears", 1, {"abc", Key::Escape, "d"}, "d", "> d", 3},
      {"Return on an empty field", 1, {}, "", ">", 2},
      {"umlauts typed as UTF-8",
       1,
       {"\u00e4\u00f6\u00fc\u00c4\u00d6\u00dc\u00df"},
       "\\xE4\\xF6\\xFC\\xC4\\xD6\\xDC\\xDF",
       "> \u00e4\u00f6\u00fc\u00c4\u00d6\u00dc\u00df",
       9},
      {"control and non-Latin-1 characters refused",
       1,
       {"a\x01\u20ac\x1f"
        "b"},
       "ab",
       "> ab",
       4},
      {"the last position keeps being replaced",
       1,
       {times(76, "a") + "XYZ"},
       times(76, "a") + "Z",
       "> " + times(76, "a") + "Z",
       78},
      {"short text holds 73", 2, {times(80, "s")}, times(73, "s"), "> " + times(73, "s"), 74},
      {"number signs only first", 0, {"-12a-3"}, "-123", "> -123", 6},
      {"number plus sign", 0, {"+5"}, "+5", "> +5", 4},
      {"number sign overwrites at Home", 0, {"12", Key::Home, "-"}, "-2", "> -2", 3},
      {"letters refused in number mode", 0, {"x"}, "", ">", 2},
  };
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.name);
    DriverRun run(printLine("> ") + "readLine 2 " + std::to_string(c.mode) + " 1\nwaitForKey\n");
    Screen& s = run.screen();
    ASSERT_TRUE(s.waitForText(">")) << s.dump();
    send(s, c.keys);
    ASSERT_TRUE(s.waitUntil([&] {
      return s.row(0) == c.row && (c.cursorCol < 0 || s.cursorCol() == c.cursorCol);
    })) << s.dump();
    s.key(Key::Enter);
    ASSERT_TRUE(run.waitForResult("readLine")) << s.dump();
    EXPECT_EQ(run.result("readLine"), readResult(0, c.expected));
    s.type("q");
    ASSERT_TRUE(run.finish());
  }
}

TEST(ConsoleEditor, FieldLengthDependsOnTheColumnAndShortFieldsAreRefused) {
  struct Case {
    int column, mode;
    int result;
    int kept;  // characters kept of 80 typed
  };
  for (const Case& c : {Case{5, 1, 0, 74}, Case{5, 2, 0, 73}, Case{49, 1, 0, 30},
                        Case{50, 1, 26, 0}, Case{51, 2, 26, 0}}) {
    SCOPED_TRACE("column " + std::to_string(c.column) + " mode " + std::to_string(c.mode));
    DriverRun run(printLine("go") + "moveTo " + std::to_string(c.column) + " 0\nreadLine 2 " +
                  std::to_string(c.mode) + " 1\nwaitForKey\n");
    Screen& s = run.screen();
    ASSERT_TRUE(s.waitForText("go")) << s.dump();
    if (c.result == 0) {
      s.type(times(80, "k"));
      s.key(Key::Enter);
    }
    ASSERT_TRUE(run.waitForResult("readLine")) << s.dump();
    EXPECT_EQ(run.result("readLine"), readResult(c.result, times(c.kept, "k")));
    s.type("q");
    ASSERT_TRUE(run.finish());
  }
}

TEST(ConsoleEditor, HistoryRecallsTheLastTwentyLines) {
  std::string script;
  for (int i = 1; i <= 21; ++i) script += "addHistory \"cmd" + std::to_string(i) + "\"\n";
  script += printLine("> ") + "readLine 2 1 1\nhistoryCount\nwaitForKey\n";
  DriverRun run(script);
  Screen& s = run.screen();
  ASSERT_TRUE(s.waitForText(">")) << s.dump();
  auto expectField = [&](const std::string& text) {
    const std::string row = text.empty() ? ">" : "> " + text;
    EXPECT_TRUE(s.waitUntil([&] { return s.row(0) == row; })) << text << "\n" << s.dump();
  };
  s.key(Key::Up);
  expectField("cmd21");
  for (int i = 0; i < 19; ++i) s.key(Key::Up);
  expectField("cmd2");  // cmd1 was dropped by the 21st line
  for (int i = 0; i < 3; ++i) s.key(Key::Up);
  expectField("cmd2");  // Up at the oldest line stays there
  for (int i = 0; i < 7; ++i) s.key(Key::Down);
  expectField("cmd9");
  s.key(Key::Down);
  expectField("cmd10");
  s.key(Key::Up);
  expectField("cmd9");  // a shorter line leaves nothing of the longer one behind
  EXPECT_EQ(s.cursorCol(), 6);
  for (int i = 0; i < 12; ++i) s.key(Key::Down);
  expectField("cmd21");
  s.key(Key::Down);
  expectField("");  // after the newest: an empty field
  s.type("new");
  s.key(Key::Enter);
  ASSERT_TRUE(run.waitForResult("historyCount")) << s.dump();
  EXPECT_EQ(run.result("readLine"), readResult(0, "new"));
  EXPECT_EQ(run.result("historyCount"), "historyCount 20");  // the line is not added
  s.type("q");
  ASSERT_TRUE(run.finish());
}

TEST(ConsoleEditor, RecalledLineIsCutToTheField) {
  const std::string longLine = times(6, "0123456789");
  DriverRun run("addHistory \"" + longLine + "\"\n" + printLine("go") +
                "moveTo 45 0\nreadLine 2 1 1\nwaitForKey\n");
  Screen& s = run.screen();
  ASSERT_TRUE(s.waitForText("go")) << s.dump();
  s.key(Key::Up);
  const std::string kept = longLine.substr(0, 34);  // 80 - 45 - 1 characters
  ASSERT_TRUE(s.waitUntil([&] { return s.row(0) == "go" + std::string(43, ' ') + kept; }))
      << s.dump();
  EXPECT_EQ(s.cursorCol(), 78);  // on the last position of a full field
  s.key(Key::Enter);
  ASSERT_TRUE(run.waitForResult("readLine")) << s.dump();
  EXPECT_EQ(run.result("readLine"), readResult(0, kept));
  s.type("q");
  ASSERT_TRUE(run.finish());
}

TEST(ConsoleEditor, HiddenEntryShowsNothingAndKeepsFiftyCharactersAndTheLast) {
  const EditCase cases[] = {
      {"60 characters", 1, {times(6, "0123456789")}, times(5, "0123456789") + "9", ""},
      {"Backspace removes the last", 1, {"abc", Key::Backspace}, "ab", ""},
      {"Backspace after the 51st",
       1,
       {times(55, "x"), Key::Backspace, "y"},
       times(50, "x") + "y",
       ""},
      {"Escape clears", 1, {"abc", Key::Escape, "de"}, "de", ""},
      {"cursor keys ignored", 1, {"ab", Key::Left, Key::Home, "c"}, "abc", ""},
      {"umlaut", 1, {"\u00fc"}, "\\xFC", ""},
      {"text characters in number mode", 0, {"pw-1"}, "pw-1", ""},
  };
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.name);
    DriverRun run(printLine("Password: ") + "readLine 4 " + std::to_string(c.mode) +
                  " 0\nwaitForKey\n");
    Screen& s = run.screen();
    ASSERT_TRUE(s.waitForText("Password:")) << s.dump();
    send(s, c.keys);
    s.key(Key::Enter);
    ASSERT_TRUE(run.waitForResult("readLine")) << s.dump();
    EXPECT_EQ(run.result("readLine"), readResult(0, c.expected));
    EXPECT_EQ(s.text().find_first_not_of(" \n", std::string("Password:").size()), std::string::npos)
        << s.dump();
    s.type("q");
    ASSERT_TRUE(run.finish());
  }
}

TEST(ConsoleEditor, SmallBuffersAreNeverWrittenPast) {
  struct Case {
    const char* visible;
    int size;
    std::string expected;
  };
  for (const Case& c : {Case{"1", 10, "abcdefght"}, Case{"0", 8, "abcdeft"}, Case{"1", 1, ""}}) {
    SCOPED_TRACE(std::string("visible ") + c.visible + " size " + std::to_string(c.size));
    DriverRun run(printLine("> ") + "readLine 2 1 " + c.visible + " " + std::to_string(c.size) +
                  "\nwaitForKey\n");
    Screen& s = run.screen();
    ASSERT_TRUE(s.waitForText(">")) << s.dump();
    s.type("abcdefghijklmnopqrst");
    s.key(Key::Enter);
    ASSERT_TRUE(run.waitForResult("readLine")) << s.dump();
    EXPECT_EQ(run.result("readLine"), readResult(0, c.expected));  // no OVERRUN mark
    s.type("q");
    ASSERT_TRUE(run.finish());
  }
}

TEST(ConsoleEditor, UmlautsTypedInAnyLocaleArriveAsLatin1) {
  for (const char* locale : {"C.UTF-8", "C"}) {
    SCOPED_TRACE(locale);
    ScreenOptions opts;
    opts.locale = locale;
    DriverRun run(printLine("> ") + "readLine 2 1 1\nwaitForKey\n", opts);
    Screen& s = run.screen();
    ASSERT_TRUE(s.waitForText(">")) << s.dump();
    s.type("Gr\u00fc\u00dfe \u00c4\u00e4");
    ASSERT_TRUE(s.waitForRow(0, "> Gr\u00fc\u00dfe \u00c4\u00e4")) << s.dump();
    EXPECT_EQ(s.cursorCol(), 10);
    s.key(Key::Enter);
    ASSERT_TRUE(run.waitForResult("readLine")) << s.dump();
    EXPECT_EQ(run.result("readLine"), readResult(0, "Gr\\xFC\\xDFe \\xC4\\xE4"));
    s.type("q");
    ASSERT_TRUE(run.finish());
  }
}

TEST(ConsoleEditor, ResizeWhileReadingKeepsTheLineAndShowsItAgain) {
  DriverRun run(
      "setColour 2 14 1\nmoveTo 0 20\nprintText 2 \"CMD> \" 0\nreadLine 2 1 1\n"
      "waitForKey\n");
  Screen& s = run.screen();
  ASSERT_TRUE(s.waitForText("CMD>")) << s.dump();
  s.type("abc");
  ASSERT_TRUE(s.waitForRow(20, "CMD> abc")) << s.dump();
  s.resize(60, 15);  // the field's row is cut off
  s.type("d");       // typed while the terminal is too small
  s.resize(80, 25);
  ASSERT_TRUE(s.waitUntil([&] { return s.row(20) == "CMD> abcd" && s.cursorCol() == 9; }))
      << s.dump();
  ASSERT_TRUE(s.waitForIdle()) << s.dump();  // a second redraw may follow the first
  EXPECT_EQ(s.row(20), "CMD> abcd") << s.dump();
  EXPECT_EQ(s.cell(30, 20).bg, 4);  // the field's colour is back as well
  s.type("e");
  s.key(Key::Enter);
  ASSERT_TRUE(run.waitForResult("readLine")) << s.dump();
  EXPECT_EQ(run.result("readLine"), readResult(0, "abcde"));
  s.type("q");
  ASSERT_TRUE(run.finish());
}

}  // namespace
}  // namespace zoxtest
