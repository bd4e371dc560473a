// zoxcomp itself: its report on an 80x25 terminal (and after it ends), its plain report
// without a terminal, exit statuses, files left behind, and the stop on a signal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "screen.h"

namespace zoxtest {
namespace {

constexpr const char* kBanner = "ZOXCOMP - the Zox adventure compiler V0.99B1";

std::vector<std::string> zoxcomp(std::vector<std::string> args) {
  args.insert(args.begin(), binPath("zoxcomp"));
  return args;
}

ScreenOptions in(const TempDir& dir, int cols = 80, int rows = 25) {
  ScreenOptions o;
  o.cols = cols;
  o.rows = rows;
  o.cwd = dir.path();
  return o;
}

struct PlainRun {
  int status = -1;
  std::string out;
};

// Runs zoxcomp with standard output and error on a pipe. whileRunning, if given, is called
// with the child's pid once it has started and may wait for something and signal it.
PlainRun runPlain(const std::vector<std::string>& args, const std::string& cwd,
                  std::function<void(pid_t)> whileRunning = nullptr) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], 1);
    dup2(fds[1], 2);
    close(fds[0]);
    close(fds[1]);
    if (chdir(cwd.c_str()) != 0) _exit(126);
    std::vector<char*> argv;
    std::vector<std::string> all = zoxcomp(args);
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(fds[1]);
  if (whileRunning) whileRunning(pid);
  PlainRun r;
  char buf[4096];
  ssize_t n;
  while ((n = read(fds[0], buf, sizeof buf)) > 0) r.out.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  int st = 0;
  waitpid(pid, &st, 0);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  return r;
}

// Waits until a process has opened a fifo for reading: opening its writing end without
// blocking succeeds only then. The writing end stays open, so the reader then waits for data.
int waitForFifoReader(const std::string& path, double seconds = 20) {
  auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0 || std::chrono::steady_clock::now() > until) return fd;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

const std::string kGood =
    "[ZOX \"Lighthouse\"]\n[ROOM shore]\nPRINT \"Waves.\"\nGO TO [ROOM tower]\n"
    "[ROOM tower]\nQUIT\n";

TEST(CompilerProgram, ReportsTheLinePassAndGoTosOnTheTerminal) {
  // With an alternate screen (xterm) and without one (the Linux console).
  for (const char* term : {"xterm-256color", "linux"}) {
    TempDir dir;
    dir.write("story.adv", kGood);
    ScreenOptions options = in(dir);
    options.term = term;
    Screen s(zoxcomp({"story.adv"}), options);
    ASSERT_TRUE(s.waitForExit()) << s.dump();
    EXPECT_EQ(s.exitStatus(), 0) << s.dump();
    EXPECT_EQ(s.row(1), kBanner) << s.dump();
    EXPECT_EQ(s.row(3), "> 00006 line(s) compiled ... [OK]") << s.dump();
    EXPECT_EQ(s.row(4), "> Optimizing GO TOs      ... [OK]") << s.dump();
    EXPECT_EQ(s.row(6), "> Preparations done ! Use ZOXEXEC to start your adventure !") << s.dump();
    // The report is still there after zoxcomp has left the alternate screen.
    EXPECT_FALSE(s.altScreen());
    EXPECT_TRUE(dir.exists("story.zox"));
  }
}

TEST(CompilerProgram, ShowsTheErrorListAndLeavesNoFile) {
  TempDir dir;
  dir.write("story.adv", "[ZOX \"T\"]\n[ROOM a]\nxyzzy \xe4\xdf\n[ROOM a]\nQUIT\n");
  Screen s(zoxcomp({"story.adv"}), in(dir));
  ASSERT_TRUE(s.waitForExit()) << s.dump();
  EXPECT_EQ(s.exitStatus(), 24);
  EXPECT_EQ(s.row(3), "> 00005 line(s) compiled ... Please wait !") << s.dump();
  EXPECT_EQ(s.row(5), "Error 21 in line 00003 : 'xyzzy \u00e4\u00df'") << s.dump();
  EXPECT_EQ(s.row(6), "Error 24 in line 00004 : '[ROOM a]'") << s.dump();
  EXPECT_EQ(s.row(8), "02 error(s) found !") << s.dump();
  EXPECT_FALSE(dir.exists("story.zox"));
}

TEST(CompilerProgram, SeventeenErrorsFitAnEightyByTwentyFiveScreen) {
  TempDir dir;
  std::string source = "[ZOX \"T\"]\n";
  for (int i = 0; i < 20; ++i) source += std::string(60, 'x') + "\n";
  dir.write("story.adv", source);
  Screen s(zoxcomp({"story.adv"}), in(dir));
  ASSERT_TRUE(s.waitForExit()) << s.dump();
  EXPECT_EQ(s.exitStatus(), 22);
  EXPECT_EQ(s.row(5), "Error 22 in line 00002 : '" + std::string(48, 'x') + " ...'") << s.dump();
  EXPECT_EQ(s.row(21), "Error 22 in line 00018 : '" + std::string(48, 'x') + " ...'") << s.dump();
  EXPECT_EQ(s.row(23), "Too many errors !") << s.dump();
}

TEST(CompilerProgram, CommandLineAndTerminalSizeStatuses) {
  const struct {
    std::vector<std::string> args;
    int cols, rows;
    int status;
    int row;
    const char* text;
  } cases[] = {
      {{}, 80, 25, 1, 3, "usage: zoxcomp <infile>"},
      {{}, 80, 25, 1, 9, "Note: Some errors are only detected at run-time!"},
      {{"a", "b"}, 80, 25, 1, 3, "Error 01 !"},
      {{"missing.adv"}, 80, 25, 4, 3, "Error 04 !"},
      {{"story.zox"}, 80, 25, 8, 3, "Error 08 !"},
      {{"story.adv"}, 79, 25, 0, 1, "Terminal size is too small!"},
      {{"story.adv"}, 80, 24, 0, 2, "80x25 recommended"},
  };
  for (const auto& k : cases) {
    TempDir dir;
    dir.write("story.adv", kGood);
    dir.write("story.zox", "");
    Screen s(zoxcomp(k.args), in(dir, k.cols, k.rows));
    ASSERT_TRUE(s.waitForExit()) << s.dump();
    EXPECT_EQ(s.exitStatus(), k.status) << s.dump();
    EXPECT_EQ(s.row(k.row), k.text) << s.dump();
  }
}

TEST(CompilerProgram, WithoutATerminalWritesThePlainReport) {
  TempDir dir;
  dir.write("story.adv", kGood);
  PlainRun ok = runPlain({"story.adv"}, dir.path());
  EXPECT_EQ(ok.status, 0);
  EXPECT_EQ(ok.out, std::string(kBanner) +
                        "\n\n> 00006 line(s) compiled ... [OK]\n"
                        "> Optimizing GO TOs      ... [OK]\n\n"
                        "> Preparations done ! Use ZOXEXEC to start your adventure !\n");
  dir.write("bad.adv", "[ZOX \"T\"]\n[ROOM a]\nGO TO [ROOM nowhere]\n");
  PlainRun bad = runPlain({"bad.adv"}, dir.path());
  EXPECT_EQ(bad.status, 33);
  EXPECT_EQ(bad.out, std::string(kBanner) +
                         "\n\n> 00003 line(s) compiled ... [OK]\n"
                         "> Optimizing GO TOs      ... Please wait!\n\n"
                         "Error 33 : 'nowhere'\n\n01 error(s) found !\n");
  EXPECT_FALSE(dir.exists("bad.zox"));
  PlainRun usage = runPlain({}, dir.path());
  EXPECT_EQ(usage.status, 1);
  EXPECT_NE(usage.out.find("\n\nusage: zoxcomp <infile>\n\nBefore playing"), std::string::npos)
      << usage.out;
}

TEST(CompilerProgram, ASignalStopsWithErrorTenAndRemovesTheOutput) {
  for (bool terminal : {true, false}) {
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("slow.ans").c_str(), 0600), 0);
    dir.write("story.adv",
              "[ZOX \"T\"]\n[INIT]\nRESOURCE r = \"slow.ans\" : ANSITEXT\n"
              "[ROOM a]\nLOAD r\nQUIT\n");
    // Opening the resource waits for a writer that never comes: the output exists meanwhile.
    if (terminal) {
      Screen s(zoxcomp({"story.adv"}), in(dir));
      ASSERT_TRUE(s.waitForText("resource(s) stored ... Please wait !")) << s.dump();
      EXPECT_TRUE(dir.exists("story.zox"));
      s.signal(SIGTERM);
      ASSERT_TRUE(s.waitForExit()) << s.dump();
      EXPECT_EQ(s.exitStatus(), 10);
      EXPECT_EQ(s.row(7), "Error 10 !") << s.dump();
    } else {
      // The compiler is in the resource pass once it has opened the fifo; the writing end stays
      // open until it has gone, so that it never sees the end of the resource.
      int writer = -1;
      PlainRun r = runPlain({"story.adv"}, dir.path(), [&](pid_t pid) {
        writer = waitForFifoReader(dir.file("slow.ans"));
        ASSERT_GE(writer, 0);
        EXPECT_TRUE(dir.exists("story.zox"));
        kill(pid, SIGINT);
      });
      if (writer >= 0) close(writer);
      EXPECT_EQ(r.status, 10);
      EXPECT_NE(r.out.find("> 000 resource(s) stored ... Please wait !\n\nError 10 !\n"),
                std::string::npos)
          << r.out;
    }
    EXPECT_FALSE(dir.exists("story.zox")) << (terminal ? "terminal" : "plain");
  }
}

// A compiled file of an earlier compile is written over where it lies, not emptied first: a
// longer one must not keep its tail, a shorter one must grow, and a failed compile still
// leaves no file.
TEST(CompilerProgram, ACompileOverAnEarlierCompiledFileLeavesOnlyItsOwnBytes) {
  std::string longer = "[ZOX \"Lighthouse\"]\n[INIT]\nRESOURCE r = \"logo.ans\" : ANSITEXT\n";
  for (int room = 0; room < 300; ++room) {
    longer += "[ROOM r" + std::to_string(room) + "]\nPRINT \"The lamp turns.\"\nGO TO [ROOM r" +
              std::to_string((room + 1) % 300) + "]\n";
  }
  TempDir fresh;
  fresh.write("logo.ans", std::string(5000, 'x'));
  fresh.write("long.adv", longer);
  fresh.write("short.adv", kGood);
  ASSERT_EQ(runPlain({"long.adv"}, fresh.path()).status, 0);
  ASSERT_EQ(runPlain({"short.adv"}, fresh.path()).status, 0);
  const std::string longBytes = fresh.read("long.zox");
  const std::string shortBytes = fresh.read("short.zox");
  ASSERT_GT(longBytes.size(), shortBytes.size() + 5000);

  TempDir dir;
  dir.write("logo.ans", std::string(5000, 'x'));
  dir.write("story.adv", longer);
  ASSERT_EQ(runPlain({"story.adv"}, dir.path()).status, 0);
  dir.write("story.adv", kGood);
  ASSERT_EQ(runPlain({"story.adv"}, dir.path()).status, 0);
  EXPECT_EQ(dir.read("story.zox"), shortBytes);
  dir.write("story.adv", longer);
  ASSERT_EQ(runPlain({"story.adv"}, dir.path()).status, 0);
  EXPECT_EQ(dir.read("story.zox"), longBytes);
  dir.write("story.adv", "[ZOX \"T\"]\n[ROOM a]\nGO TO [ROOM nowhere]\n");
  EXPECT_EQ(runPlain({"story.adv"}, dir.path()).status, 33);
  EXPECT_FALSE(dir.exists("story.zox"));
}

TEST(CompilerProgram, TheExecutorAcceptsAHeaderOnlyAdventure) {
  if (access(binPath("zoxexec").c_str(), X_OK) != 0) GTEST_SKIP() << "zoxexec is not built";
  TempDir dir;
  dir.write("empty.adv", "[ZOX \"Empty\"]\n");
  ASSERT_EQ(runPlain({"empty.adv"}, dir.path()).status, 0);
  Screen s({binPath("zoxexec"), "empty.zox"}, in(dir));
  EXPECT_TRUE(s.waitForText(" [OK]")) << s.dump();
}

}  // namespace
}  // namespace zoxtest
