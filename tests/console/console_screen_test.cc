// Screen tests of the console: size check, wrapping, colours, paging, scrolling, key waits,
// Latin-1 on UTF-8 terminals, resizes, and what stays on the terminal after exit.
#include <gtest/gtest.h>
#include <signal.h>

#include <clocale>
#include <string>

#include "driver_run.h"

namespace zoxtest {
namespace {

int count(const std::string& haystack, const std::string& needle) {
  int n = 0;
  for (auto at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1))
    ++n;
  return n;
}

TEST(ConsoleSize, FullSizeTerminalsAreUsedAs80x25InTheTopLeftCorner) {
  const std::string row80(80, 'x');
  const std::string script = "printLines 30 4 0\n" + printLine(row80 + "next") + "waitForKey\n";
  for (auto [cols, rows] : {std::pair{80, 25}, {100, 40}, {81, 26}}) {
    SCOPED_TRACE(std::to_string(cols) + "x" + std::to_string(rows));
    ScreenOptions opts;
    opts.cols = cols, opts.rows = rows;
    DriverRun run(script, opts);
    Screen& s = run.screen();
    ASSERT_TRUE(s.waitForRow(24, "next")) << s.dump();
    // 31 rows printed into 25: the oldest scrolled away, the full row wrapped at column 80.
    EXPECT_EQ(s.row(0), "Line 8");
    EXPECT_EQ(s.row(22), "Line 30");
    EXPECT_EQ(s.row(23), row80);
    EXPECT_EQ(s.row(24), "next");
    for (int r = 25; r < rows; ++r) EXPECT_EQ(s.row(r), "") << "row " << r;
    s.type("q");
    ASSERT_TRUE(run.finish());
    EXPECT_EQ(s.exitStatus(), 0);
    EXPECT_EQ(run.result("end"), "end");
  }
}

TEST(ConsoleSize, SmallTerminalIsRefusedWithTwoLinesThatStayAfterExit) {
  struct Case {
    int cols, rows;
    const char* term;
  };
  for (const Case& c : {Case{79, 25, "xterm-256color"}, Case{80, 24, "xterm-256color"},
                        Case{79, 25, "linux"}, Case{80, 24, "linux"}}) {
    SCOPED_TRACE(std::to_string(c.cols) + "x" + std::to_string(c.rows) + " " + c.term);
    ScreenOptions opts;
    opts.cols = c.cols, opts.rows = c.rows, opts.term = c.term;
    DriverRun run(printLine("should not show") + "waitForKey\n", opts);
    Screen& s = run.screen();
    ASSERT_TRUE(run.finish()) << s.dump();
    EXPECT_EQ(s.exitStatus(), 0);
    EXPECT_FALSE(s.altScreen());
    const std::string text = s.text();
    EXPECT_EQ(count(text, "Terminal size is too small!"), 1) << s.dump();
    EXPECT_EQ(count(text, "80x25 recommended"), 1) << s.dump();
    EXPECT_EQ(text.find("should not show"), std::string::npos);
    EXPECT_EQ(run.result("end"), "");
  }
}

TEST(ConsoleColours, SlotColoursAppearOnScreenAndFillTheRowEnd) {
  struct Case {
    int fg, bg;
    int screenFg, screenBg;  // SGR colour numbers as the terminal got them
    bool bold, blink;
  };
  // Language colours: 0 black 1 blue 4 red 7 light grey 9 light blue 14 yellow 15 white.
  const Case normal[] = {
      {15, 9, 7, 4, true, true},  {4, 0, 1, 0, false, false}, {14, 1, 3, 4, true, false},
      {0, 7, 0, 7, false, false}, {7, 12, 7, 1, false, true},
  };
  for (bool eight : {false, true}) {
    SCOPED_TRACE(eight ? "eight-colour mode" : "sixteen colours");
    std::string script;
    for (const Case& c : normal)
      script += "setColour 0 " + std::to_string(c.fg) + " " + std::to_string(c.bg) +
                "\nprintText 0 \"W\\n\" 0\n";
    script += "waitForKey\n";
    DriverRun run(script, {}, eight ? std::vector<std::string>{"-8"} : std::vector<std::string>{});
    Screen& s = run.screen();
    ASSERT_TRUE(s.waitForRow(4, "W")) << s.dump();
    for (int r = 0; r < 5; ++r) {
      const Case& c = normal[r];
      SCOPED_TRACE("row " + std::to_string(r));
      const bool blink = c.blink && !eight;
      const Cell w = s.cell(0, r);
      EXPECT_EQ(w.text, "W");
      EXPECT_EQ(w.fg, c.screenFg);
      EXPECT_EQ(w.bg, c.screenBg);
      EXPECT_EQ(w.bold, c.bold);
      EXPECT_EQ(w.blink, blink);
      for (int col : {1, 40, 79}) {
        const Cell fill = s.cell(col, r);
        EXPECT_TRUE(fill.text == " " || fill.text.empty()) << "col " << col;  // no letter
        EXPECT_EQ(fill.bg, c.screenBg) << "col " << col;
        EXPECT_EQ(fill.blink, blink) << "col " << col;
      }
    }
    s.type("q");
    ASSERT_TRUE(run.finish());
  }
}

TEST(ConsoleText, EmptyRowAtColumnZeroShowsTheScreenColourExceptInTheTitle) {
  // Screen colour black on green, text white on red, title yellow on blue.
  const std::string colours = "setColour 1 0 2\nsetColour 0 15 4\nsetColour 3 14 1\n";
  struct Case {
    const char* print;
    int emptyRowBg;  // SGR background of row 1
  };
  const Case cases[] = {
      {"printText 0 \"abc\\n\\nxyz\" 0", 2},
      {"printText 3 \"abc\\n\\nxyz\" 0", 4},
      {"printText 0 \"abc\\n\" 0\nprintChar 0 10 0\nprintText 0 \"xyz\" 0", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.print);
    DriverRun run(colours + c.print + "\nwaitForKey\n");
    Screen& s = run.screen();
    ASSERT_TRUE(s.waitForRow(2, "xyz")) << s.dump();
    EXPECT_EQ(s.row(0), "abc");
    EXPECT_EQ(s.row(1), "");
    for (int col : {0, 79}) EXPECT_EQ(s.cell(col, 1).bg, c.emptyRowBg) << "col " << col;
    s.type("q");
    ASSERT_TRUE(run.finish());
  }
}

TEST(ConsolePaging, FullPagePausesWithTheTextRightAlignedAndErasesItAfterAKey) {
  DriverRun run("setPressKeyText \"- Press a key -\"\nprintLines 30 0 1\nlineCount\nwaitForKey\n");
  Screen& s = run.screen();
  ASSERT_TRUE(s.waitForRow(24, "- Press a key -")) << s.dump();
  // 24 lines fill the page above the pause; the text ends one column before the edge.
  EXPECT_EQ(s.row(0), "Line 1");
  EXPECT_EQ(s.row(23), "Line 24");
  EXPECT_EQ(s.row(24), std::string(64, ' ') + "- Press a key -");
  EXPECT_NE(s.cell(79, 24).text, "-");
  EXPECT_EQ(run.result("lineCount"), "");
  s.type("k");
  ASSERT_TRUE(run.waitForResult("lineCount")) << s.dump();
  EXPECT_EQ(run.result("lineCount"), "lineCount 30");
  // Six more lines do not fill another page.
  EXPECT_EQ(s.text().find("Press a key"), std::string::npos) << s.dump();
  EXPECT_EQ(s.row(23), "Line 30");
  s.type("q");
  ASSERT_TRUE(run.finish());
}

TEST(ConsolePaging, NoPauseWithoutPressKeyText) {
  for (const char* setting : {"setPressKeyText \"\"", "setPressKeyText none", "# no text set"}) {
    SCOPED_TRACE(setting);
    DriverRun run(std::string(setting) + "\nprintLines 60 0 1\nlineCount\nwaitForKey\n");
    Screen& s = run.screen();
    ASSERT_TRUE(run.waitForResult("lineCount")) << s.dump();
    EXPECT_EQ(run.result("lineCount"), "lineCount 60");
    EXPECT_EQ(s.row(23), "Line 60");
    s.type("q");
    ASSERT_TRUE(run.finish());
  }
}

TEST(ConsoleScroll, DelayFallsByOneMillisecondPerScrollToZeroAndResetsAtAKeyWait) {
  std::string script = "printLines 24 4 0\nscrollCount\n";
  for (int i = 1; i <= 12; ++i) script += printLine("more\\n") + "scrollDelay\n";
  script += "waitForKey\nscrollDelay\nscrollCount\n";
  DriverRun run(script);
  Screen& s = run.screen();
  ASSERT_TRUE(s.waitUntil([&] { return run.results().size() >= 13; })) << s.dump();
  const auto lines = run.results();
  EXPECT_EQ(lines[0], "scrollCount 0");  // 24 rows fit without scrolling
  for (int i = 1; i <= 12; ++i)
    EXPECT_EQ(lines[i], "scrollDelay " + std::to_string(std::max(0, 10000 - 1000 * i)))
        << "after scroll " << i;
  s.type("q");
  ASSERT_TRUE(run.finish());
  EXPECT_EQ(run.result("waitForKey"), "waitForKey 113");
  EXPECT_EQ(run.results()[14], "scrollDelay 10000");
  EXPECT_EQ(run.result("scrollCount 12"), "scrollCount 12");
}

TEST(ConsoleKeys, WaitForKeyOfAcceptsListedKeysInEitherCaseAndEchoesTheListEntry) {
  struct Case {
    const char* wait;
    std::vector<std::string> typed;
    const char* result;
    const char* row;
  };
  const Case cases[] = {
      {"waitForKeyOfText 4 \"YN\"", {"y"}, "waitForKeyOfText 0", "Sure? Y"},
      {"waitForKeyOfText 4 \"YN\"", {"N"}, "waitForKeyOfText 1", "Sure? N"},
      {"waitForKeyOfText 4 \"YN\"", {"x", "7", "n"}, "waitForKeyOfText 1", "Sure? N"},
      {"waitForKeyOfText 4 \"LIER\"", {"e"}, "waitForKeyOfText 2", "Sure? E"},
      {"waitForKeyOfText 4 \"\\xc4\"", {"\u00e4"}, "waitForKeyOfText 0", "Sure? \u00c4"},
      {"waitForKeyOf 4 27 \"Y\"", {"\x1b"}, "waitForKeyOf 0", "Sure?"},
      {"waitForKeyOf 4 259 258 10", {"\x1bOB"}, "waitForKeyOf 1", "Sure?"},
      {"waitForKeyOf 4 259 258 10", {"\r"}, "waitForKeyOf 2", "Sure?"},
  };
  ScreenOptions opts;
  opts.env = {"ESCDELAY=25"};  // a lone Escape is known after 25 ms instead of a second
  for (const Case& c : cases) {
    SCOPED_TRACE(c.wait);
    DriverRun run(printLine("Sure? ") + c.wait + "\nwaitForKey\n", opts);
    Screen& s = run.screen();
    ASSERT_TRUE(s.waitForText("Sure?")) << s.dump();
    for (const auto& key : c.typed) s.type(key);
    ASSERT_TRUE(run.waitForResult("waitFor")) << s.dump();
    EXPECT_EQ(run.results()[0], c.result);
    EXPECT_EQ(s.row(0), c.row);
    s.type("q");
    ASSERT_TRUE(run.finish());
  }
}

TEST(ConsoleKeys, TerminalResizeIsNeverAKeyAndTheWholeScreenComesBack) {
  DriverRun run(
      "setColour 0 15 1\nsetPressKeyText \"- Press a key -\"\nprintLines 30 0 1\n"
      "waitForKey\n");
  Screen& s = run.screen();
  ASSERT_TRUE(s.waitForRow(24, "- Press a key -")) << s.dump();
  for (auto [cols, rows] : {std::pair{60, 20}, {79, 25}, {120, 40}}) {
    SCOPED_TRACE(std::to_string(cols) + "x" + std::to_string(rows));
    s.resize(cols, rows);
    s.resize(80, 25);
    ASSERT_TRUE(s.waitUntil([&] {
      return s.row(24).find("- Press a key -") != std::string::npos && s.row(23) == "Line 24";
    })) << s.dump();
    // The two resizes may bring two redraws: check the screen once the program waits again.
    ASSERT_TRUE(s.waitForIdle()) << s.dump();
    EXPECT_NE(s.row(24).find("- Press a key -"), std::string::npos) << s.dump();
    EXPECT_EQ(s.row(23), "Line 24");
    EXPECT_EQ(s.row(0), "Line 1");
    EXPECT_EQ(s.cell(0, 12).bg, 4);  // colours are drawn again too
  }
  s.type("k");  // ends the page pause: the resizes were no key
  ASSERT_TRUE(s.waitForRow(23, "Line 30")) << s.dump();
  s.resize(70, 24);
  s.resize(80, 25);
  ASSERT_TRUE(s.waitUntil([&] { return s.row(23) == "Line 30"; })) << s.dump();
  EXPECT_EQ(run.result("waitForKey"), "");
  s.type("z");
  ASSERT_TRUE(run.finish());
  EXPECT_EQ(run.result("waitForKey"), "waitForKey 122");
}

TEST(ConsoleLatin1, EveryCharacterShowsAsItselfInOneColumnWhateverTheLocale) {
  const std::string script = printLine("\\xe4\\xf6\\xfc\\xc4\\xd6\\xdc\\xdf|\\xa0\\xe9\\xff|\\n") +
                             printLine("a\\x01b\\x7fc\\x85d\\te") + "waitForKey\n";
  for (const char* locale : {"C.UTF-8", "C", "POSIX"}) {
    SCOPED_TRACE(locale);
    ScreenOptions opts;
    opts.locale = locale;
    DriverRun run(script, opts);
    Screen& s = run.screen();
    ASSERT_TRUE(s.waitForRow(1, "e")) << s.dump();
    EXPECT_EQ(s.row(0), "\u00e4\u00f6\u00fc\u00c4\u00d6\u00dc\u00df|\u00a0\u00e9\u00ff|");
    EXPECT_EQ(s.cell(1, 0).text, "\u00f6");
    EXPECT_EQ(s.cell(11, 0).text, "|");
    // Control codes take one blank column each instead of being acted upon.
    EXPECT_EQ(s.row(1), "a b c d e");
    s.type("q");
    ASSERT_TRUE(run.finish());
  }
}

TEST(ConsoleLatin1, Latin1LocaleGetsLatin1Bytes) {
  const char* latin1 = nullptr;
  for (const char* name : {"de_DE.ISO-8859-1", "en_US.ISO-8859-1", "de_DE", "en_US"}) {
    if (std::setlocale(LC_CTYPE, name)) {
      latin1 = name;
      break;
    }
  }
  std::setlocale(LC_CTYPE, "C");
  if (!latin1) GTEST_SKIP() << "no Latin-1 locale installed";
  ScreenOptions opts;
  opts.locale = latin1;
  DriverRun run(printLine("Gr\\xfc\\xdfe") + "waitForKey\n", opts);
  Screen& s = run.screen();
  ASSERT_TRUE(s.waitForQuiet(0.5));
  EXPECT_NE(s.output().find("Gr\xfc\xdf"), std::string::npos);
  s.type("q");
  ASSERT_TRUE(run.finish());
}

TEST(ConsoleExit, RowsAboveTheCursorStayReadableAfterExit) {
  const std::string script = "setColour 4 15 9\n" + printLine("> Starting\\n\\n") +
                             "setColour 6 4 0\nprintText 6 \"Error 03 !\\n\" 0\n" +
                             printLine("dropped, the cursor's row") + "exit 3\n";
  for (const char* term : {"xterm-256color", "linux"}) {
    SCOPED_TRACE(term);
    ScreenOptions opts;
    opts.term = term;
    DriverRun run(script, opts);
    Screen& s = run.screen();
    ASSERT_TRUE(run.finish()) << s.dump();
    EXPECT_EQ(s.exitStatus(), 3);
    EXPECT_FALSE(s.altScreen());
    EXPECT_EQ(s.row(0), "> Starting") << s.dump();
    EXPECT_EQ(s.row(1), "");
    EXPECT_EQ(s.row(2), "Error 03 !");
    EXPECT_EQ(count(s.text(), "Error 03 !"), 1);  // shown once, also without alternate screen
    EXPECT_EQ(s.text().find("dropped"), std::string::npos) << s.dump();
  }
}

TEST(ConsoleExit, StopSignalShutsDownOnceAndKeepsTheRows) {
  for (int sig : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(sig);
    DriverRun run("signalHandler\n" + printLine("Working\\n") + "waitForKey\n");
    Screen& s = run.screen();
    ASSERT_TRUE(s.waitForText("Working")) << s.dump();
    s.signal(sig);
    ASSERT_TRUE(run.finish()) << s.dump();
    EXPECT_EQ(s.exitStatus(), 10);
    EXPECT_FALSE(s.altScreen());
    EXPECT_EQ(s.row(0), "Working");
    EXPECT_EQ(count(s.text(), "Working"), 1);
  }
}

// A stop handler may interrupt the allocator, so printing its error line and ending curses
// must not allocate, even when nothing was drawn before and the colours are new: curses fills
// its caches on first use, and the console has them filled when it starts.
TEST(ConsoleExit, AStopRightAfterTheStartAllocatesNothing) {
  for (const char* term : {"xterm-256color", "xterm", "linux", "vt100"}) {
    SCOPED_TRACE(term);
    DriverRun run("setColour 5 14 4\nstopCounting 5 \"\\nError 10 !\\n\"\n",
                  {.env = {std::string("TERM=") + term}});
    ASSERT_TRUE(run.finish()) << run.screen().dump();
    EXPECT_EQ(run.screen().exitStatus(), 10);
    const std::string counted = run.result("allocations");
    if (counted == "allocations unknown") GTEST_SKIP() << "the sanitizer owns the allocator";
    EXPECT_EQ(counted, "allocations 0");
    EXPECT_NE(run.screen().text().find("Error 10 !"), std::string::npos) << run.screen().dump();
  }
}

TEST(ConsoleExit, EndedInputEndsTheProgramInsteadOfWaitingForever) {
  TempDir dir;
  dir.write("script", printLine("Waiting\\n") + "waitForKey\nwaitForKeyOfText 4 \"YN\"\n");
  const std::string command = binPath("zoxconsole-driver") + " " + dir.file("script") + " " +
                              dir.file("results") + " < /dev/null";
  Screen s({"/bin/sh", "-c", command});
  ASSERT_TRUE(s.waitForExit()) << s.dump();
  EXPECT_EQ(s.exitStatus(), 5);
  EXPECT_FALSE(s.altScreen());
  EXPECT_EQ(s.row(0), "Waiting");
}

TEST(ConsoleLayout, ReservedRowsLimitTheTextAreaAndScrollLinesMovesIt) {
  const std::string script =
      "setTopReserved 25\ntopReserved\nsetTopReserved 2\nsetBottomReserved 23\nbottomReserved\n"
      "setBottomReserved 3\nbottomReserved\nmoveTo 0 -2\nprintText 3 \"TITLE\" 0\n"
      "moveTo 0 20\nprintText 5 \"STATUS\" 0\nmoveTo 0 0\nprintLines 25 0 0\ngetPosition\n"
      "scrollLines 2\ngetPosition\nwaitForKey\n";
  DriverRun run(script);
  Screen& s = run.screen();
  ASSERT_TRUE(run.waitForResult("getPosition")) << s.dump();
  ASSERT_TRUE(s.waitUntil([&] { return run.results().size() >= 5; })) << s.dump();
  const auto lines = run.results();
  EXPECT_EQ(lines[0], "topReserved 0");     // 25 reserved rows would leave no text area
  EXPECT_EQ(lines[1], "bottomReserved 0");  // 2 + 23 likewise
  EXPECT_EQ(lines[2], "bottomReserved 3");
  EXPECT_EQ(lines[3], "getPosition 0 19");  // the last row of the 20-row text area
  EXPECT_EQ(lines[4], "getPosition 0 17");
  // scrollLines itself does not refresh; the key wait after it does.
  ASSERT_TRUE(s.waitForRow(2, "Line 9")) << s.dump();
  EXPECT_EQ(s.row(0), "TITLE");
  EXPECT_EQ(s.row(22), "STATUS");  // untouched by the scrolling text area
  EXPECT_EQ(s.row(2), "Line 9");
  EXPECT_EQ(s.row(18), "Line 25");  // scrollLines moved the area up by two more rows
  EXPECT_EQ(s.row(19), "");
  s.type("q");
  ASSERT_TRUE(run.finish());
}

}  // namespace
}  // namespace zoxtest
