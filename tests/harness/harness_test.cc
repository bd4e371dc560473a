// Self-tests of the screen-test harness, driving small shell commands in the pseudo-terminal.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "screen.h"

namespace zoxtest {
namespace {

// The bytes a program received, from the hex dump `od -An -tx1 -v` left on the screen after
// the line "ready".
std::string receivedHex(Screen& s) {
  std::string t = s.text();
  std::string hex;
  for (char c : t.substr(t.find("ready") + 5)) {
    if (c != ' ' && c != '\n') hex += c;
  }
  return hex;
}

// Runs a shell command line to its end and returns the screen it left.
struct ShellRun {
  explicit ShellRun(const std::string& script, ScreenOptions opts = {})
      : screen({"/bin/sh", "-c", script}, std::move(opts)) {
    exited = screen.waitForExit();
  }
  Screen screen;
  bool exited;
};

TEST(HarnessScreen, ShowsTextRowsAndCursor) {
  ShellRun r("printf 'hello\\nworld  \\n\\n  x'");
  ASSERT_TRUE(r.exited) << r.screen.dump();
  Screen& s = r.screen;
  EXPECT_EQ(s.row(0), "hello");
  EXPECT_EQ(s.row(1), "world");  // trailing blanks trimmed
  EXPECT_EQ(s.row(2), "");
  EXPECT_EQ(s.row(3), "  x");
  EXPECT_EQ(s.row(99), "");
  EXPECT_EQ(s.text(), "hello\nworld\n\n  x" + std::string(21, '\n'));
  EXPECT_EQ(s.cursorRow(), 3);
  EXPECT_EQ(s.cursorCol(), 3);
  EXPECT_EQ(s.cell(2, 3).text, "x");
  EXPECT_EQ(s.cell(0, 3).text, " ");
  EXPECT_EQ(s.cell(5, 3).text, "");  // never written
  EXPECT_EQ(s.cell(80, 0).text, "");
  EXPECT_EQ(s.exitStatus(), 0);
}

TEST(HarnessScreen, DecodesUtf8AndWideCharacters) {
  ShellRun r("printf '\\303\\251t\\303\\251 \\344\\270\\255x\\n'");
  ASSERT_TRUE(r.exited) << r.screen.dump();
  EXPECT_EQ(r.screen.row(0), "\u00e9t\u00e9 \u4e2dx");
  EXPECT_EQ(r.screen.cell(0, 0).text, "\u00e9");
  EXPECT_EQ(r.screen.cell(4, 0).width, 2);
  EXPECT_EQ(r.screen.cell(6, 0).text, "x");
  EXPECT_TRUE(r.screen.waitForText("\u4e2dx", 1));
}

TEST(HarnessScreen, ReportsColoursAndAttributes) {
  struct Case {
    const char* sgr;
    int fg, bg;
    bool bold, blink, reverse;
  };
  const Case cases[] = {
      {"0", kDefaultColor, kDefaultColor, false, false, false},
      {"31", 1, kDefaultColor, false, false, false},
      {"37;40", 7, 0, false, false, false},
      {"1;31", 1, kDefaultColor, true, false, false},  // bold does not brighten
      {"91;104", 9, 12, false, false, false},
      {"38;5;200;48;5;17", 200, 17, false, false, false},
      {"38;2;1;2;3;48;2;250;128;0", rgb(1, 2, 3), rgb(250, 128, 0), false, false, false},
      {"33;44;5;7", 3, 4, false, true, true},
      {"31;44;39;49", kDefaultColor, kDefaultColor, false, false, false},
  };
  std::string script = "printf '";
  for (const Case& c : cases) script += std::string("\\033[0;") + c.sgr + "mX\\033[0m\\n";
  script += "'";
  ShellRun r(script);
  ASSERT_TRUE(r.exited) << r.screen.dump();
  for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
    const Case& c = cases[i];
    Cell cell = r.screen.cell(0, i);
    SCOPED_TRACE(c.sgr);
    EXPECT_EQ(cell.text, "X");
    EXPECT_EQ(cell.fg, c.fg);
    EXPECT_EQ(cell.bg, c.bg);
    EXPECT_EQ(cell.bold, c.bold);
    EXPECT_EQ(cell.blink, c.blink);
    EXPECT_EQ(cell.reverse, c.reverse);
    // The blank after the reset has the default colours again.
    EXPECT_EQ(r.screen.cell(1, i).fg, kDefaultColor);
  }
  // Erasing paints blanks in the background colour of the moment, as curses expects.
  ShellRun erased("printf 'ab\\033[44m\\033[K\\033[0m\\n'");
  ASSERT_TRUE(erased.exited);
  EXPECT_EQ(erased.screen.cell(0, 0).bg, kDefaultColor);
  EXPECT_EQ(erased.screen.cell(5, 0).text, "");
  EXPECT_EQ(erased.screen.cell(5, 0).bg, 4);
  EXPECT_EQ(erased.screen.cell(79, 0).bg, 4);
  EXPECT_EQ(erased.screen.row(0), "ab");
}

TEST(HarnessScreen, KeysSendWhatXtermSends) {
  struct Case {
    Key key;
    const char* normal;       // hex, normal cursor-key mode
    const char* application;  // hex, after ESC [ ? 1 h (as curses' keypad() sets)
  };
  const Case cases[] = {
      {Key::Enter, "0d", "0d"},
      {Key::Escape, "1b", "1b"},
      {Key::Up, "1b5b41", "1b4f41"},
      {Key::Down, "1b5b42", "1b4f42"},
      {Key::Right, "1b5b43", "1b4f43"},
      {Key::Left, "1b5b44", "1b4f44"},
      {Key::Home, "1b5b48", "1b4f48"},
      {Key::End, "1b5b46", "1b4f46"},
      {Key::Delete, "1b5b337e", "1b5b337e"},
      {Key::Backspace, "7f", "7f"},
      {Key::Tab, "09", "09"},
      {Key::CtrlC, "03", "03"},
      {Key::PageUp, "1b5b357e", "1b5b357e"},
      {Key::F1, "1b4f50", "1b4f50"},
      {Key::F5, "1b5b31357e", "1b5b31357e"},
      {Key::F12, "1b5b32347e", "1b5b32347e"},
  };
  for (bool app : {false, true}) {
    SCOPED_TRACE(app ? "application cursor keys" : "normal cursor keys");
    std::string expected;
    for (const Case& c : cases) expected += app ? c.application : c.normal;
    expected += "41";  // a final 'A' typed as text
    std::string script = "stty raw -echo; ";
    if (app) script += "printf '\\033[?1h'; ";
    script += "echo ready; head -c " + std::to_string(expected.size() / 2) +
              " | od -An -tx1 -v; stty sane";
    Screen s({"/bin/sh", "-c", script});
    ASSERT_TRUE(s.waitForText("ready")) << s.dump();
    for (const Case& c : cases) s.key(c.key);
    s.send("A");
    ASSERT_TRUE(s.waitForExit()) << s.dump();
    EXPECT_EQ(receivedHex(s), expected) << s.dump();
  }
}

TEST(HarnessScreen, AnswersTerminalQueries) {
  // Cursor position report: the answer must reach the program through the pty.
  Screen s({"/bin/sh", "-c",
            "stty raw -echo; printf 'ab\\033[6n'; head -c 6 > /dev/null; "
            "printf '\\r\\nready\\r\\n'; head -c 1 | od -An -tx1 -v; stty sane"});
  ASSERT_TRUE(s.waitForText("ready")) << s.dump();
  s.send("z");
  ASSERT_TRUE(s.waitForExit()) << s.dump();
  EXPECT_EQ(receivedHex(s), "7a");
  EXPECT_EQ(s.row(0), "ab");
}

TEST(HarnessScreen, WaitSeesTextThatArrivesWhileTheScreenIsRead) {
  // Output taken in while a wait reads the rows must not be missed until more output comes.
  // A miss shows as a wait that only succeeds when its timeout runs out.
  for (int i = 0; i < 10; ++i) {
    Screen s({"/bin/sh", "-c", "printf 'x\\n'; tput smcup; printf 'mark'; exec sleep 60"});
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(s.waitForText("mark", 30)) << s.dump();
    ASSERT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15)) << "round " << i;
  }
}

TEST(HarnessScreen, CtrlCAndSignalsEndTheProgram) {
  {
    Screen s({"/bin/sh", "-c", "echo ready; exec sleep 60"});
    ASSERT_TRUE(s.waitForText("ready"));
    EXPECT_EQ(s.exitStatus(), -1);
    EXPECT_TRUE(s.running());
    s.key(Key::CtrlC);  // the line discipline turns it into SIGINT
    ASSERT_TRUE(s.waitForExit()) << s.dump();
    EXPECT_EQ(s.exitStatus(), 128 + SIGINT);
  }
  {
    Screen s({"/bin/sh", "-c", "echo ready; exec sleep 60"});
    ASSERT_TRUE(s.waitForText("ready"));
    s.signal(SIGTERM);
    ASSERT_TRUE(s.waitForExit()) << s.dump();
    EXPECT_EQ(s.exitStatus(), 128 + SIGTERM);
    EXPECT_FALSE(s.running());
  }
}

TEST(HarnessScreen, ExitStatusesAndFailedStart) {
  ShellRun r("echo bye; exit 3");
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.screen.exitStatus(), 3);
  EXPECT_EQ(r.screen.row(0), "bye");

  Screen missing({"/nonexistent/zox-program"});
  ASSERT_TRUE(missing.waitForExit()) << missing.dump();
  EXPECT_EQ(missing.exitStatus(), 127);
  EXPECT_NE(missing.text().find("cannot run /nonexistent/zox-program"), std::string::npos)
      << missing.dump();
}

TEST(HarnessScreen, ResizeReachesProgramAndEmulator) {
  Screen s({"/bin/sh", "-c",
            "trap 'stty size; printf \"%99s|\\n\" \"\"; exit 0' WINCH; stty size; echo ready; "
            "sleep 60 & wait"});
  ASSERT_TRUE(s.waitForText("ready")) << s.dump();
  EXPECT_EQ(s.row(0), "25 80");
  s.resize(100, 30);
  EXPECT_EQ(s.cols(), 100);
  EXPECT_EQ(s.rows(), 30);
  ASSERT_TRUE(s.waitForText("30 100")) << s.dump();
  ASSERT_TRUE(s.waitForExit()) << s.dump();
  EXPECT_EQ(s.row(3), std::string(99, ' ') + "|");  // one row of 100 columns
  EXPECT_EQ(s.cell(99, 3).text, "|");
}

TEST(HarnessScreen, PrimaryScreenComesBackWhenAlternateScreenEnds) {
  Screen s({"/bin/sh", "-c",
            "printf 'before\\n'; tput smcup; printf '\\033[H\\033[31minside\\033[0m\\n'; read x; "
            "tput rmcup; printf 'after\\n'"});
  ASSERT_TRUE(s.waitForText("inside")) << s.dump();
  EXPECT_TRUE(s.altScreen());
  EXPECT_EQ(s.row(0), "inside");
  EXPECT_EQ(s.cell(0, 0).fg, 1);
  EXPECT_EQ(s.text().find("before"), std::string::npos);
  s.key(Key::Enter);
  ASSERT_TRUE(s.waitForExit()) << s.dump();
  EXPECT_FALSE(s.altScreen());
  EXPECT_EQ(s.row(0), "before");
  EXPECT_EQ(s.row(1), "after");
  EXPECT_EQ(s.text().find("inside"), std::string::npos) << s.dump();
}

TEST(HarnessScreen, TermAndLocaleReachTheChild) {
  struct Case {
    std::string term, locale;
    bool alternate;
    const char* iutf8;  // the line discipline's UTF-8 flag, as stty shows it
  };
  const Case cases[] = {
      {"xterm-256color", "C", true, "-iutf8"},
      {"linux", "C", false, "-iutf8"},
      {"linux", "C.UTF-8", false, "iutf8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.term + " " + c.locale);
    ScreenOptions opts;
    opts.term = c.term;
    opts.locale = c.locale;
    ShellRun r(
        "echo \"$TERM/$LANG/$LC_ALL/${LC_CTYPE-unset}\"; stty -a | tr ' ' '\\n' | "
        "grep -x -- -*iutf8; tput smcup; echo inside",
        opts);
    ASSERT_TRUE(r.exited) << r.screen.dump();
    if (c.alternate) {
      // The alternate screen starts blank; the cursor stays where it was, as in xterm.
      EXPECT_EQ(r.screen.row(0), "") << r.screen.dump();
      EXPECT_EQ(r.screen.row(1), "") << r.screen.dump();
    } else {
      EXPECT_EQ(r.screen.row(0), c.term + "/" + c.locale + "/" + c.locale + "/unset")
          << r.screen.dump();
      EXPECT_EQ(r.screen.row(1), c.iutf8) << r.screen.dump();
    }
    EXPECT_EQ(r.screen.row(2), "inside");
    EXPECT_EQ(r.screen.altScreen(), c.alternate);
  }
}

TEST(HarnessScreen, WorkingDirectoryAndEnvironment) {
  TempDir dir;
  ScreenOptions opts;
  opts.cwd = dir.path();
  opts.env = {"ZOX_HARNESS_X=one", "LC_ALL=C"};
  setenv("COLUMNS", "10", 1);  // must not leak into the child: it would override the pty size
  Screen s({"/bin/sh", "-c",
            "pwd; echo \"$ZOX_HARNESS_X $LC_ALL ${COLUMNS-none}\"; read x; echo made > out"},
           opts);
  unsetenv("COLUMNS");
  ASSERT_TRUE(s.waitForRow(1, "one")) << s.dump();
  EXPECT_EQ(s.row(0), dir.path());
  EXPECT_EQ(s.row(1), "one C none");
  s.send("\r");
  EXPECT_TRUE(s.waitUntil([&] { return dir.exists("out"); })) << s.dump();
  ASSERT_TRUE(s.waitForExit());
  EXPECT_EQ(dir.read("out"), "made\n");
}

TEST(HarnessScreen, DumpTellsHowMuchOutputCameAndHowItEnded) {
  ShellRun r("printf 'ab\\033[2dc\\r\\n'");
  ASSERT_TRUE(r.exited) << r.screen.dump();
  const std::string d = r.screen.dump();
  // 2 + 4 + 1 + 1 bytes, and the newline as the line discipline sends it (CR LF).
  EXPECT_NE(d.find("output: 10 bytes, ended by Input/output error;"), std::string::npos) << d;
  EXPECT_NE(d.find("the last ones: \"ab\\e[2dc\\r\\r\\n\""), std::string::npos) << d;

  Screen running({"/bin/sh", "-c", "printf 'x\\n'; exec sleep 60"});
  ASSERT_TRUE(running.waitForText("x")) << running.dump();
  EXPECT_NE(running.dump().find("no end of output yet"), std::string::npos) << running.dump();
}

TEST(HarnessScreen, IdleMeansBlockedReadingTheTerminalWithAllOutputIn) {
  Screen s({"/bin/sh", "-c", "printf 'one\\n'; read x; printf 'two\\n'; read y; exit 4"});
  ASSERT_TRUE(s.waitForIdle()) << s.dump();
  EXPECT_EQ(s.row(0), "one");
  s.send("\r");
  ASSERT_TRUE(s.waitForIdle()) << s.dump();
  EXPECT_EQ(s.row(2), "two") << s.dump();  // after the echoed line end
  EXPECT_EQ(s.output().find("ZOXTEST"), std::string::npos) << s.dump();
  s.send("\r");
  ASSERT_TRUE(s.waitForExit()) << s.dump();
  EXPECT_EQ(s.exitStatus(), 4);
  EXPECT_FALSE(s.waitForIdle(1));  // an ended program waits for nothing

  Screen busy({"/bin/sh", "-c", "echo ready; while :; do :; done"});
  ASSERT_TRUE(busy.waitForText("ready")) << busy.dump();
  EXPECT_FALSE(busy.waitForIdle(0.5));
}

TEST(HarnessScreen, IdleWaitsUntilTheKeysTypedHaveBeenRead) {
  // A program that has not yet taken in the keys typed to it is not waiting for more, even
  // while it still seems blocked in its read: here it is stopped before it can wake.
  Screen s({"/bin/sh", "-c", "stty -echo; read x; printf 'got %s\\n' \"$x\"; read y"});
  ASSERT_TRUE(s.waitForIdle()) << s.dump();
  s.signal(SIGSTOP);
  s.type("abc\r");
  EXPECT_FALSE(s.waitForIdle(0.5)) << s.dump();
  s.signal(SIGCONT);
  ASSERT_TRUE(s.waitForIdle()) << s.dump();
  EXPECT_EQ(s.row(0), "got abc") << s.dump();
}

TEST(HarnessScreen, WaitsGiveUpAfterTheirTimeout) {
  Screen s({"/bin/sh", "-c", "echo ready; exec sleep 60"});
  ASSERT_TRUE(s.waitForText("ready"));
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(s.waitForText("never", 0.3));
  EXPECT_FALSE(s.waitForRow(0, "never", 0.3));
  EXPECT_FALSE(s.waitForExit(0.3));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(850));
  EXPECT_EQ(s.exitStatus(), -1);
}

TEST(HarnessScreen, FinalScreenHoldsAllOutput) {
  // The child writes a lot and exits at once: nothing may be lost between its exit and EOF.
  ShellRun r("seq 1 20000; printf 'end'");
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.screen.row(23), "20000");
  EXPECT_EQ(r.screen.row(24), "end");
  EXPECT_EQ(r.screen.row(0), "19977");
}

// True once the process is gone or a zombie, polling /proc for up to 10 s.
bool processEnds(int pid) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    size_t paren = line.rfind(')');
    if (paren != std::string::npos && line.compare(paren, 3, ") Z") == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(HarnessScreen, ExitIsSeenWhenABackgroundProcessKeepsThePty) {
  // A process that ignores the hangup keeps the pty open after the shell has gone: the
  // harness must still report the exit, and kill that process when the Screen goes.
  int pid = 0;
  {
    ShellRun r("trap '' HUP; sleep 60 & echo \"started $!\"");
    ASSERT_TRUE(r.exited) << r.screen.dump();
    EXPECT_EQ(r.screen.exitStatus(), 0);
    std::string first = r.screen.row(0);
    ASSERT_EQ(first.rfind("started ", 0), 0u) << r.screen.dump();
    pid = std::stoi(first.substr(8));
  }
  EXPECT_TRUE(processEnds(pid));
}

TEST(HarnessTempDir, WritesReadsAndCleansUp) {
  std::string path;
  {
    TempDir dir;
    path = dir.path();
    EXPECT_EQ(dir.file("a.txt"), path + "/a.txt");
    EXPECT_FALSE(dir.exists("a.txt"));
    dir.write("sub/a.txt", std::string("x\0y\xff", 4));
    EXPECT_TRUE(dir.exists("sub/a.txt"));
    EXPECT_EQ(dir.read("sub/a.txt"), std::string("x\0y\xff", 4));
    EXPECT_THROW(dir.read("missing"), std::runtime_error);
    TempDir other;
    EXPECT_NE(other.path(), path);
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(binPath("zoxexec"), std::string(ZOX_BIN_DIR) + "/zoxexec");
  EXPECT_EQ(dataPath("a/b.adv"), std::string(ZOX_TEST_DATA) + "/a/b.adv");
}

#ifdef ZOX_HARNESS_CURSES_PROBE
TEST(HarnessCurses, ColoursKeysResizeAndScreenRestore) {
  ScreenOptions opts;
  opts.env = {"ESCDELAY=25"};  // a lone Escape is known after 25 ms, not a second
  Screen s({binPath("harness_curses_probe")}, opts);
  // Wait for what is drawn last: a refresh may reach the screen in several pieces.
  ASSERT_TRUE(s.waitForRow(24, "size 80x25")) << s.dump();
  EXPECT_EQ(s.row(0), "curses ready");
  EXPECT_TRUE(s.altScreen());
  EXPECT_FALSE(s.cursorVisible());
  Cell c = s.cell(0, 0);
  EXPECT_EQ(c.fg, 1);
  EXPECT_EQ(c.bg, 4);
  EXPECT_TRUE(c.bold);
  c = s.cell(1, 1);
  EXPECT_EQ(c.text, "t");
  EXPECT_EQ(s.row(1), "\u00e9t\u00e9");
  EXPECT_TRUE(c.reverse);
  EXPECT_EQ(c.fg, 7);
  EXPECT_EQ(c.bg, 0);

  struct Case {
    Key key;
    const char* name;  // as curses' keyname() gives it
  };
  const Case cases[] = {
      {Key::Up, "KEY_UP"},
      {Key::Down, "KEY_DOWN"},
      {Key::Left, "KEY_LEFT"},
      {Key::Right, "KEY_RIGHT"},
      {Key::Home, "KEY_HOME"},
      {Key::End, "KEY_END"},
      {Key::Delete, "KEY_DC"},
      {Key::Insert, "KEY_IC"},
      {Key::PageUp, "KEY_PPAGE"},
      {Key::PageDown, "KEY_NPAGE"},
      {Key::Backspace, "KEY_BACKSPACE"},
      {Key::F1, "KEY_F(1)"},
      {Key::F12, "KEY_F(12)"},
      {Key::Enter, "^J"},
      {Key::Tab, "^I"},
      {Key::Escape, "^["},
  };
  int n = 0;
  for (const Case& k : cases) {
    s.key(k.key);
    std::string expected = "key " + std::to_string(++n) + " " + k.name;
    EXPECT_TRUE(s.waitForRow(2, expected)) << expected << "\n" << s.dump();
  }
  s.send("\u00e9");  // two bytes, two keys
  n += 2;
  EXPECT_TRUE(s.waitForRow(2, "key " + std::to_string(n) + " ")) << s.dump();

  s.resize(100, 30);
  EXPECT_TRUE(s.waitForRow(29, "size 100x30")) << s.dump();

  s.send("q");
  ASSERT_TRUE(s.waitForExit()) << s.dump();
  EXPECT_EQ(s.exitStatus(), 0);
  EXPECT_FALSE(s.altScreen());
  EXPECT_TRUE(s.cursorVisible());
  EXPECT_EQ(s.row(0), "bye") << s.dump();
  EXPECT_EQ(s.text().find("curses ready"), std::string::npos) << s.dump();
}
TEST(HarnessCurses, LinuxConsoleKeysAndNoAlternateScreen) {
  ScreenOptions opts;
  opts.term = "linux";
  Screen s({binPath("harness_curses_probe")}, opts);
  ASSERT_TRUE(s.waitForRow(24, "size 80x25")) << s.dump();
  EXPECT_FALSE(s.altScreen());
  struct Case {
    Key key;
    const char* name;
  };
  const Case cases[] = {
      {Key::Up, "KEY_UP"},   {Key::Left, "KEY_LEFT"}, {Key::Home, "KEY_HOME"},
      {Key::End, "KEY_END"}, {Key::F1, "KEY_F(1)"},   {Key::F5, "KEY_F(5)"},
      {Key::F6, "KEY_F(6)"}, {Key::Delete, "KEY_DC"}, {Key::Backspace, "KEY_BACKSPACE"},
  };
  int n = 0;
  for (const Case& k : cases) {
    s.key(k.key);
    std::string expected = "key " + std::to_string(++n) + " " + k.name;
    EXPECT_TRUE(s.waitForRow(2, expected)) << expected << "\n" << s.dump();
  }
  s.send("q");
  ASSERT_TRUE(s.waitForExit()) << s.dump();
  EXPECT_FALSE(s.altScreen());
  EXPECT_NE(s.text().find("bye"), std::string::npos) << s.dump();
}
#endif

}  // namespace
}  // namespace zoxtest
