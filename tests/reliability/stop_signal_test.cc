// SIGINT, SIGTERM and SIGQUIT at random moments of a compile and of play, from the first
// milliseconds on: every run ends with status 10 (or had already ended on its own), the
// terminal's modes are as before (compared through a wrapper that reads them before and after
// the program), the alternate screen is left, and the compiler leaves no unfinished output.
// A signal that comes while the system is still loading the program, before any of its code
// runs, ends it the default way; it has touched nothing then, and that is checked too.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "format/adventure_file.h"
#include "screen.h"

namespace zoxtest {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGQUIT};
constexpr int kRunsPerSignal = 50;
constexpr int kAtOnce = 10;  // sessions under way together

std::string readAll(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  std::string bytes;
  if (!f) return bytes;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
  std::fclose(f);
  return bytes;
}

// A compiled file that passes the container check: a whole output, not a cut one.
bool completeAdventure(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  zox::AdventureIdentity id;
  const bool ok = zox::checkAdventureFile(f, id) == 0;
  std::fclose(f);
  return ok;
}

// A source that takes the compiler a while: rooms that print and jump to the next.
std::string longSource(int rooms) {
  std::string s = "[ZOX \"Long\"]\n[INIT]\nTITLE = \"Long\"\nVAR n = 0\n";
  for (int i = 1; i <= rooms; ++i) {
    const std::string name = "r" + std::to_string(i);
    s += "[ROOM " + name + "]\nPRINT \"Room " + name + " of a long and winding source.\"\n";
    for (int line = 0; line < 6; ++line) {
      s += "PRINTNL \"A line of the room's text, there to give the compiler work.\"\n";
    }
    s += "n += 1\nIF n > 3 THEN\n  PRINTNL \"more\"\nEND\n";
    s += i < rooms ? "GO TO [ROOM r" + std::to_string(i + 1) + "]\n" : "QUIT\n";
  }
  return s;
}

// One program run under the wrapper, signalled once.
struct Session {
  std::unique_ptr<Screen> screen;
  std::string report;
  std::string program;  // the binary, to see when the wrapper's child has become it
  int sig = 0;
  double delaySec = 0;
  std::string waitFor;  // "": the delay counts from the program's start; else from this text
  pid_t pid = -1;
  int pidFd = -1;  // signals go through it, so that a reused pid is never hit
  Clock::time_point from{};
  bool counting = false;
  bool signalled = false;
  bool ended = false;  // the program ended before the signal was sent
  std::string what() const {
    return "signal " + std::to_string(sig) + " after " + std::to_string(delaySec * 1000) + " ms" +
           (waitFor.empty() ? "" : " from \"" + waitFor + "\"");
  }
};

bool isProgram(pid_t pid, const std::string& program) {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec);
  return !ec && std::filesystem::equivalent(exe, program, ec);
}

// Advances a session by one look: finds the program, waits for its text, sends the signal.
void advance(Session& s) {
  s.screen->waitUntil([] { return true; }, 0);  // take in its output
  if (s.signalled || s.ended) return;
  if (!s.screen->running()) {  // done before its moment came
    s.ended = true;
    return;
  }
  if (s.pid < 0) {
    std::string pid = readAll(s.report + ".pid");
    if (pid.empty()) return;
    s.pid = std::stoi(pid);
  }
  if (!s.counting) {
    if (!isProgram(s.pid, s.program)) return;
    if (s.pidFd < 0) s.pidFd = static_cast<int>(syscall(SYS_pidfd_open, s.pid, 0));
    if (!s.waitFor.empty()) {
      if (s.screen->text().find(s.waitFor) == std::string::npos) return;
      s.screen->send("\r");  // play goes on: the signal lands while the next scene is drawn
    }
    s.counting = true;
    s.from = Clock::now();
  }
  if (Clock::now() - s.from < std::chrono::duration<double>(s.delaySec)) return;
  if (s.pidFd >= 0) syscall(SYS_pidfd_send_signal, s.pidFd, s.sig, nullptr, 0);
  s.signalled = true;
}

struct Outcome {
  int status = -1;
  bool modesKept = false;
  bool wroteNothing = false;  // ended before it had written a byte to the terminal
};

Outcome finish(Session& s) {
  Outcome o;
  if (!s.screen->waitForExit(60)) return o;
  o.wroteNothing = s.screen->output().empty();
  if (s.pidFd >= 0) close(s.pidFd);
  const std::string report = readAll(s.report);
  size_t at = report.find("status ");
  if (at != std::string::npos) o.status = std::stoi(report.substr(at + 7));
  size_t before = report.find("before "), after = report.find("after ");
  if (before != std::string::npos && after != std::string::npos) {
    std::string b = report.substr(before + 7, report.find('\n', before) - before - 7);
    std::string a = report.substr(after + 6, report.find('\n', after) - after - 6);
    o.modesKept = a == b && b != "none";
  }
  return o;
}

// The checks every run must pass; the kind of outcome, for the table.
std::string judge(Session& s, const Outcome& o, bool mayFinish) {
  EXPECT_TRUE(o.modesKept) << s.what() << "\n" << readAll(s.report);
  EXPECT_FALSE(s.screen->altScreen()) << s.what() << "\n" << s.screen->dump();
  EXPECT_TRUE(s.screen->cursorVisible()) << s.what() << "\n" << s.screen->dump();
  if (o.status == 10) {
    EXPECT_NE(s.screen->text().find("Error 10 !"), std::string::npos) << s.what() << "\n"
                                                                      << s.screen->dump();
    return "status 10";
  }
  if (o.status == 128 + s.sig && o.wroteNothing) return "ended while loading, nothing touched";
  if (o.status == 0 && mayFinish) {
    return s.signalled ? "status 0, done before the signal" : "status 0, done before its moment";
  }
  ADD_FAILURE() << s.what() << ": status " << o.status << "\n" << s.screen->dump();
  return "status " + std::to_string(o.status);
}

// Runs the sessions made by start(i) for i in [0, n), kAtOnce at a time; check(i, session,
// outcome) judges each.
template <typename Start, typename Check>
void runAll(int n, Start start, Check check) {
  for (int first = 0; first < n; first += kAtOnce) {
    std::vector<Session> batch;
    for (int i = first; i < n && i < first + kAtOnce; ++i) {
      batch.push_back(start(i));
      // The sessions already under way start counting their moments now, not once the whole
      // batch is there: a short compile could otherwise be over before its moment begins.
      for (Session& s : batch) advance(s);
    }
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    for (bool all = false; !all && Clock::now() < deadline;) {
      all = true;
      for (Session& s : batch) {
        advance(s);
        all = all && (s.signalled || s.ended);
      }
      if (!all) usleep(500);
    }
    for (size_t k = 0; k < batch.size(); ++k) {
      Session& s = batch[k];
      ASSERT_TRUE(s.signalled || s.ended) << s.what() << "\n" << s.screen->dump();
      Outcome o = finish(s);
      check(first + int(k), s, o);
    }
  }
}

std::string table(const std::map<std::string, int>& counts) {
  std::string t;
  for (const auto& [what, n] : counts) t += "  " + what + ": " + std::to_string(n) + "\n";
  return t;
}

TEST(ReliabilityStopSignals, ACompileStoppedAtAnyMomentLeavesNoOutputAndItsTerminal) {
  TempDir dir;
  dir.write("long.adv", longSource(60000));
  // Runs to their end tell how long a compile takes here, now: the shortest of three, less
  // a tenth for the terminal's start, so that the signals fall inside the compile.
  double whole = 1e9;
  for (int run = 0; run < 3; ++run) {
    const auto t0 = Clock::now();
    Screen s({binPath("zoxcomp"), "long.adv"}, {.cwd = dir.path()});
    ASSERT_TRUE(s.waitForExit(120)) << s.dump();
    ASSERT_EQ(s.exitStatus(), 0) << s.dump();
    ASSERT_TRUE(completeAdventure(dir.file("long.zox")));
    std::remove(dir.file("long.zox").c_str());
    whole = std::min(whole, 0.9 * std::chrono::duration<double>(Clock::now() - t0).count());
  }

  std::mt19937 rng(1207);
  std::map<std::string, int> counts;
  const int n = kRunsPerSignal * 3;
  runAll(
      n,
      [&](int i) {
        Session s;
        s.sig = kStopSignals[i % 3];
        // A third within the first milliseconds, where curses takes the terminal; the rest
        // anywhere in the compile.
        s.delaySec = i % 3 == (i / 3) % 3 ? std::uniform_real_distribution<>(0, 0.012)(rng)
                                          : std::uniform_real_distribution<>(0, whole)(rng);
        s.program = binPath("zoxcomp");
        s.report = dir.file("report" + std::to_string(i));
        const std::string src = "long" + std::to_string(i) + ".adv";
        // A link, not a copy: the session starts at once, and its moment counts from then.
        std::filesystem::create_hard_link(dir.file("long.adv"), dir.file(src));
        s.screen = std::make_unique<Screen>(
            std::vector<std::string>{binPath("modes_wrapper"), s.report, s.program, src},
            ScreenOptions{.cwd = dir.path()});
        return s;
      },
      [&](int i, Session& s, const Outcome& o) {
        const std::string out = dir.file("long" + std::to_string(i) + ".zox");
        const bool exists = dir.exists("long" + std::to_string(i) + ".zox");
        const std::string kind = judge(s, o, true);
        // Stopped after its last write the output is whole and stays; else there is none.
        if (exists) {
          EXPECT_TRUE(completeAdventure(out)) << s.what() << ": a cut output was left";
        }
        if (o.status == 0) {
          EXPECT_TRUE(exists) << s.what();
        }
        ++counts[kind + (exists ? ", output whole" : "")];
      });
  std::printf("zoxcomp, %d stop signals (a compile takes %.2f s here):\n%s", n, whole,
              table(counts).c_str());
  // Most signals must land inside the compile, or the test proves little.
  EXPECT_GE(counts["status 10"], n / 2) << table(counts);
}

TEST(ReliabilityStopSignals, PlayStoppedAtAnyMomentRestoresTheTerminal) {
  TempDir dir;
  // Part 1 alone is enough to play; its title picture is read from beside the source.
  for (const char* name : {"lighthouse.adv", "lighthouse.ans"}) {
    dir.write(name, readAll(std::string(ZOX_EXAMPLES "/") + name));
  }
  {
    Screen c({binPath("zoxcomp"), "lighthouse.adv"}, {.cwd = dir.path()});
    ASSERT_TRUE(c.waitForExit(60)) << c.dump();
    ASSERT_EQ(c.exitStatus(), 0) << c.dump();
  }
  std::mt19937 rng(1208);
  std::map<std::string, int> counts;
  const int n = kRunsPerSignal * 3;
  runAll(
      n,
      [&](int i) {
        Session s;
        s.sig = kStopSignals[i % 3];
        switch ((i / 3) % 3) {
          case 0:  // start-up: curses takes the terminal
            s.delaySec = std::uniform_real_distribution<>(0, 0.015)(rng);
            break;
          case 1:  // the banner, the checks and the pause before play
            s.delaySec = std::uniform_real_distribution<>(0.015, 2.3)(rng);
            break;
          default:  // play: the title menu was answered and the first room is being drawn
            s.waitFor = "Choose with Up, Down and Return:";
            s.delaySec = std::uniform_real_distribution<>(0, 0.08)(rng);
            break;
        }
        s.program = binPath("zoxexec");
        s.report = dir.file("report" + std::to_string(i));
        s.screen =
            std::make_unique<Screen>(std::vector<std::string>{binPath("modes_wrapper"), s.report,
                                                              s.program, "lighthouse.zox"},
                                     ScreenOptions{.cwd = dir.path()});
        return s;
      },
      [&](int, Session& s, const Outcome& o) { ++counts[judge(s, o, false)]; });
  std::printf("zoxexec, %d stop signals:\n%s", n, table(counts).c_str());
  EXPECT_GE(counts["status 10"], n / 2) << table(counts);
}

}  // namespace
}  // namespace zoxtest
