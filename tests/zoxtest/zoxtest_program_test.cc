// zoxtest as authors run it: walkthroughs that pass, that fail at a step, that cannot be read,
// and executors that cannot be started. It plays the real zoxexec, or a stand-in (a shell
// script run by /bin/sh) where a test needs a program of its own.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "run_helpers.h"

namespace zoxtest {
namespace {

// Two rooms: a title line, colours, a key wait with a text, a clear, a plain WAIT, QUIT.
constexpr const char* kTwoRooms =
    "[ZOX \"Two rooms\"]\n"
    "[INIT]\n"
    "TITLE = \"TWO ROOMS\"\n"
    "TITLECOLOR = YELLOW\n"
    "TITLEBACKGROUND = BLUE\n"
    "[ROOM hall]\n"
    "PRINT \"You stand in a hall.\"\n"
    "NL\n"
    "TEXTCOLOR = LIGHTRED\n"
    "PRINT \"A red door leads on.\"\n"
    "NL\n"
    "WAIT \"Press a key to open it.\"\n"
    "GO TO [ROOM kitchen]\n"
    "[ROOM kitchen]\n"
    "CLS\n"
    "PRINT \"A kitchen. The end.\"\n"
    "WAIT\n"
    "QUIT\n";

constexpr const char* kTwoRoomsWalk =
    "# through both rooms\n"
    "expect Press a key to open it.\n"
    "expect-row 1 TWO ROOMS\n"
    "expect-row 2 You stand in a hall.\n"
    "absent kitchen\n"
    "key Space\n"
    "expect A kitchen. The end.\n"
    "absent You stand in a hall.\n"
    "key Return\n"
    "exit 255\n";

class ZoxtestProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(compileSource(dir, "rooms.adv", kTwoRooms), "");
    ASSERT_TRUE(dir.exists("rooms.zox"));
  }
  Ran zoxtest(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
    std::vector<std::string> argv{binPath("zoxtest")};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProgram(argv, dir, env);
  }
  // Runs rooms.zox with a walkthrough of the given text.
  Ran walk(const std::string& text, const std::vector<std::string>& options = {}) {
    dir.write("w.walk", text);
    std::vector<std::string> args = options;
    args.insert(args.end(), {"rooms.zox", "w.walk"});
    return zoxtest(args);
  }
  TempDir dir;
};

bool has(const std::string& haystack, const std::string& needle) {
  return haystack.find(needle) != std::string::npos;
}

TEST_F(ZoxtestProgram, PassingWalkthroughEndsWith0) {
  Ran r = walk(kTwoRoomsWalk);
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_TRUE(has(r.out, "zoxtest: w.walk: all 9 steps passed")) << r.out;
  EXPECT_EQ(r.err, "");
}

TEST_F(ZoxtestProgram, WrongExpectedTextShowsTheTextTheLineAndTheScreen) {
  Ran r = walk(
      "expect Press a key to open it.\n"
      "timeout 1\n"
      "expect You stand in a castle.\n"
      "key x\n");
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_TRUE(has(r.err, "w.walk:3: expect You stand in a castle.\n")) << r.err;
  EXPECT_TRUE(has(r.err, "the text \"You stand in a castle.\" is not on the screen after 1 s"))
      << r.err;
  EXPECT_TRUE(has(r.err, "screen 80x25, cursor at row 5 column 24, the program runs:\n")) << r.err;
  EXPECT_TRUE(has(r.err, "  1 |TWO ROOMS")) << r.err;
  EXPECT_TRUE(has(r.err, "  2 |You stand in a hall.\n")) << r.err;
  EXPECT_TRUE(has(r.err, " 25 |")) << r.err;
  EXPECT_TRUE(has(r.err, "zoxtest: w.walk: failed at line 3; 2 steps passed before it")) << r.err;
}

// Each walkthrough fails at its last line with the reason given.
TEST_F(ZoxtestProgram, EveryKindOfMismatchFailsWith1) {
  const struct {
    const char* walk;
    int line;
    const char* reason;
  } cases[] = {
      {"key x\nkey x\nexit 3\n", 3, "the program ended with status 255, not 3"},
      {"expect Press a key\nabsent red door\n", 2, "the text \"red door\" is on the screen"},
      {"expect Press a key\nabsent-row 2 hall\n", 2, "the text \"hall\" is on the screen"},
      {"expect Press a key\ntimeout 1\nexpect-row 3 hall\n", 3, "is not on the screen after 1 s"},
      {"expect Press a key\nexpect-row 26 hall\n", 2, "row 26 is not on a screen of 25 rows"},
      {"key x\nkey x\nexpect nowhere\n", 3,
       "the text \"nowhere\" is not on the screen, and the program ended with status 255"},
      {"key x\nkey x\nkey x\n", 3, "the program ended with status 255 before it could take"},
      {"expect Press a key\ntimeout 1\nexit 255\n", 3, "the program still runs after 1 s"},
      // Right after a key the old page may still stand: a text of it does not count unless
      // it is still there once the program has answered.
      {"expect You stand in a hall.\nkey x\ntimeout 2\nexpect You stand in a hall.\n", 4,
       "the text \"You stand in a hall.\" is not on the screen after 2 s"},
  };
  for (const auto& c : cases) {
    Ran r = walk(c.walk);
    EXPECT_EQ(r.status, 1) << c.walk << r.out << r.err;
    EXPECT_TRUE(has(r.err, "w.walk:" + std::to_string(c.line) + ": ")) << c.walk << r.err;
    EXPECT_TRUE(has(r.err, c.reason)) << c.walk << r.err;
    EXPECT_TRUE(has(r.err, "  1 |")) << c.walk << r.err;  // the screen comes with it
  }
}

TEST_F(ZoxtestProgram, FilesThatCannotBeReadOrWrittenEndWith3) {
  dir.write("ok.walk", "exit 255\n");
  std::filesystem::create_directory(dir.file("folder.zox"));
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"rooms.zox", "missing.walk"},
       "zoxtest: cannot read the walkthrough missing.walk: No such file or directory"},
      {{"missing.zox", "ok.walk"},
       "zoxtest: cannot read the adventure missing.zox: No such file or directory"},
      {{"folder.zox", "ok.walk"},
       "zoxtest: cannot read the adventure folder.zox: it is a directory"},
      {{"--transcript", "no/such/dir/t.txt", "rooms.zox", "ok.walk"},
       "zoxtest: cannot write the transcript no/such/dir/t.txt"},
  };
  for (const auto& c : cases) {
    Ran r = zoxtest(c.args);
    EXPECT_EQ(r.status, 3) << c.message << "\n" << r.err;
    EXPECT_TRUE(has(r.err, c.message)) << r.err;
  }
}

TEST_F(ZoxtestProgram, BadLinesAreListedAndNothingIsPlayedExit4) {
  Ran r = walk(
      "expect Press a key\n"
      "press x\n"
      "key\n"
      "exit 255\n",
      {"--transcript", "t.txt"});
  EXPECT_EQ(r.status, 4) << r.err;
  EXPECT_TRUE(has(r.err, "w.walk:2: unknown step \"press\"\n")) << r.err;
  EXPECT_TRUE(has(r.err, "w.walk:3: key needs a key")) << r.err;
  EXPECT_TRUE(has(r.err, "zoxtest: w.walk has 2 lines that are no steps; nothing was played"));
  EXPECT_FALSE(dir.exists("t.txt"));
}

TEST_F(ZoxtestProgram, ExecutorThatCannotBeStartedEndsWith5) {
  dir.write("ok.walk", "exit 255\n");
  dir.write("plain.txt", "not a program");
  dir.write("broken", "#!/nonexistent/interpreter\n");
  chmod(dir.file("broken").c_str(), 0755);
  const struct {
    std::string exec;
    std::string message;
  } cases[] = {
      {"/nonexistent/zoxexec", "zoxtest: cannot start /nonexistent/zoxexec: No such file"},
      {dir.file("plain.txt"), "not an executable program"},
      {"no-such-executor-anywhere", "zoxtest: cannot find no-such-executor-anywhere in PATH"},
      // Found and executable, but exec fails: the interpreter it names is missing.
      {dir.file("broken"), "zoxtest: cannot start " + dir.file("broken") + ": No such file"},
  };
  for (const auto& c : cases) {
    Ran r = zoxtest({"--exec", c.exec, "rooms.zox", "ok.walk"});
    EXPECT_EQ(r.status, 5) << c.exec << "\n" << r.err;
    EXPECT_TRUE(has(r.err, c.message)) << r.err;
  }
}

// zoxtest takes the zoxexec beside itself, else the one in PATH, else says how to name one.
TEST_F(ZoxtestProgram, FindsTheExecutorBesideItselfThenInPath) {
  namespace fs = std::filesystem;
  for (const char* d : {"beside", "alone", "path"}) fs::create_directory(dir.file(d));
  fs::copy_file(binPath("zoxtest"), dir.file("beside/zoxtest"));
  fs::copy_file(binPath("zoxtest"), dir.file("alone/zoxtest"));
  auto standIn = [&](const std::string& path, const std::string& says) {
    dir.write(path, "#!/bin/sh\necho '" + says + "'; read x\n");
    chmod(dir.file(path).c_str(), 0755);
  };
  standIn("beside/zoxexec", "the executor beside");
  standIn("path/zoxexec", "the executor in PATH");
  dir.write("w.walk", "expect the executor\nscreen\n");
  const std::string path = "PATH=" + dir.file("path") + ":/usr/bin:/bin";

  Ran beside = runProgram({dir.file("beside/zoxtest"), "rooms.zox", "w.walk"}, dir, {path});
  EXPECT_EQ(beside.status, 0) << beside.err;
  EXPECT_TRUE(has(beside.out, "the executor beside")) << beside.out;

  Ran inPath = runProgram({dir.file("alone/zoxtest"), "rooms.zox", "w.walk"}, dir, {path});
  EXPECT_EQ(inPath.status, 0) << inPath.err;
  EXPECT_TRUE(has(inPath.out, "the executor in PATH")) << inPath.out;

  Ran none = runProgram({dir.file("alone/zoxtest"), "rooms.zox", "w.walk"}, dir,
                        {"PATH=" + dir.file("nothing-here")});
  EXPECT_EQ(none.status, 5);
  EXPECT_TRUE(has(none.err, "cannot find zoxexec: it is neither beside zoxtest (in " +
                                dir.file("alone") + ") nor in PATH; name it with --exec"))
      << none.err;
}

TEST_F(ZoxtestProgram, UsageErrorsEndWith2) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"rooms.zox"},
                                             {"a", "b", "c"},
                                             {"--timeout", "0", "a", "b"},
                                             {"--transcript"},
                                             {"--frobnicate", "a", "b"}}) {
    Ran r = zoxtest(args);
    EXPECT_EQ(r.status, 2) << testing::PrintToString(args) << r.err;
    EXPECT_TRUE(has(r.err, "usage: zoxtest [options] <story.zox> <story.walk>")) << r.err;
  }
  Ran help = zoxtest({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(has(help.out, "exit status: 0 every step passed")) << help.out;
}

// The run-time error dialog, answered with a key, and the exit status it leads to.
TEST_F(ZoxtestProgram, ErrorDialogIsAnsweredLikeAnyPrompt) {
  ASSERT_EQ(compileSource(dir, "leaky.adv",
                          "[ZOX \"Leaky\"]\n"
                          "[ROOM first]\n"
                          "PRINT \"First room.\"\n"
                          "[ROOM second]\n"
                          "QUIT\n"),
            "");
  dir.write("leaky.walk",
            "expect Error 23 at offset\n"
            "expect (I)gnore Error/(R)esume/(E)xit (I/R/E) ?\n"
            "key e\n"
            "exit 23\n");
  Ran r = zoxtest({"leaky.zox", "leaky.walk"});
  EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(ZoxtestProgram, VerboseAndScreenStepsPrintToStandardOutput) {
  Ran r = walk(
      "expect Press a key\n"
      "screen\n"
      "key x\n"
      "key x\n"
      "exit 255\n",
      {"-v"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(has(r.out, "w.walk:1: expect Press a key  ok (")) << r.out;
  EXPECT_TRUE(has(r.out, "w.walk:2: screen 80x25, cursor at row 5")) << r.out;
  EXPECT_TRUE(has(r.out, "  2 |You stand in a hall.\n")) << r.out;
  EXPECT_TRUE(has(r.out, "w.walk:5: exit 255  ok (")) << r.out;
}

TEST_F(ZoxtestProgram, TranscriptHoldsEveryPageOnceWithThePlayersInputs) {
  Ran r = walk(kTwoRoomsWalk, {"--transcript", "t.txt"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string t = dir.read("t.txt");
  EXPECT_EQ(t.rfind("Transcript of rooms.zox, played by zoxtest with w.walk\n", 0), 0u) << t;
  // The start-up lines, the hall, the kitchen: one page each, in order.
  const size_t start = t.find("> Testing Zox-File   ... [OK]");
  const size_t hall = t.find(
      "TWO ROOMS\nYou stand in a hall.\nA red door leads on.\n\n"
      "Press a key to open it.\n[line 6: key Space]\n");
  const size_t kitchen = t.find("TWO ROOMS\nA kitchen. The end.\n[line 9: key Return]\n");
  ASSERT_NE(start, std::string::npos) << t;
  ASSERT_NE(hall, std::string::npos) << t;
  ASSERT_NE(kitchen, std::string::npos) << t;
  EXPECT_LT(start, hall);
  EXPECT_LT(hall, kitchen);
  EXPECT_TRUE(has(t, "-- page 3\n")) << t;
  EXPECT_FALSE(has(t, "-- page 4\n")) << t;
  EXPECT_EQ(t.find("You stand in a hall."), t.rfind("You stand in a hall.")) << t;

  // On a failure the transcript is written too, up to the failing step.
  Ran failed = walk("expect Press a key\nkey x\ntimeout 1\nexpect nothing like it\n",
                    {"--transcript", "f.txt"});
  EXPECT_EQ(failed.status, 1);
  EXPECT_TRUE(has(dir.read("f.txt"), "A kitchen. The end.")) << dir.read("f.txt");
}

// A stand-in executor that shows what it was given, then echoes lines until "end".
TEST_F(ZoxtestProgram, SetupStepsReachTheProgram) {
  dir.write(
      "probe",
      "#!/bin/sh\n"
      "echo \"size $(stty size) args $* env $ZOXTEST_PROBE\"\n"
      "while IFS= read -r line; do echo \"got [$line]\"; [ \"$line\" = end ] && exit 7; done\n");
  chmod(dir.file("probe").c_str(), 0755);
  dir.write("probe.walk",
            "size 100x30\n"
            "env ZOXTEST_PROBE=here\n"
            "args -8 --x\n"
            "expect size 30 100 args -8 --x rooms.zox env here\n"
            "> \"  spaced  \"\n"
            "expect got [  spaced  ]\n"
            "type en\n"
            "> d\n"
            "exit 7\n");
  Ran r = zoxtest({"--exec", dir.file("probe"), "rooms.zox", "probe.walk"});
  EXPECT_EQ(r.status, 0) << r.err;

  dir.write("winch",
            "#!/bin/sh\n"
            "trap 'echo \"resized to $(stty size)\"; exit 0' WINCH\n"
            "echo ready; sleep 60 & wait\n");
  chmod(dir.file("winch").c_str(), 0755);
  dir.write("resize.walk",
            "expect ready\n"
            "resize 90x28\n"
            "expect resized to 28 90\n"
            "exit 0\n");
  Ran resized = zoxtest({"--exec", dir.file("winch"), "rooms.zox", "resize.walk"});
  EXPECT_EQ(resized.status, 0) << resized.err;
}

}  // namespace
}  // namespace zoxtest
