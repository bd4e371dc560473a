// zoxexec-bench: how fast the interpreter runs. Generates two adventures, runs the engine with
// the real console in a pseudo-terminal of 80x25 (the parent reads the output away), with the
// start pause and the scroll delay off, and reports:
//   - CPU time per 1,000,000 steps of an adventure that loops through rooms full of IF blocks
//     and variable statements, with no status area and no output;
//   - CPU time per redraw of a status area of three rows drawn by a [STATUS section of
//     14 statements (a nested run of the step plus the console's drawing);
//   - CPU time per clause search (the command prompt's answer to a typed line) in a room of
//     200 clauses and an [INVENTORY] section of 20, for a command that the first clause
//     answers, one that the last answers, and one that only the room's fallback answers.
//
//   zoxexec-bench [steps] [redraws] [searches]
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "executor/engine.h"
#include "format/adventure_file.h"
#include "format/opcodes.h"
#include "format/text_key.h"

namespace {

using zox::Op;

double cpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

// A code area written statement by statement; GO TO targets are patched when rooms are known.
class Writer {
 public:
  explicit Writer(size_t nameLength) : base_(zox::codeStartFor(nameLength)) {}
  uint32_t here() const { return base_ + uint32_t(bytes_.size()); }
  Writer& op(Op o) { return u8(zox::op(o)); }
  Writer& u8(int v) {
    bytes_.push_back(uint8_t(v));
    return *this;
  }
  Writer& u16(int v) { return u8(v & 0xFF).u8(v >> 8); }
  Writer& u32(uint32_t v) { return u16(int(v & 0xFFFF)).u16(int(v >> 16)); }
  Writer& text(const std::string& s) {
    std::string t = zox::scramble(s).value();
    bytes_.insert(bytes_.end(), t.begin(), t.end());
    return *this;
  }
  size_t placeholder() {
    size_t at = bytes_.size();
    u32(0);
    return at;
  }
  void patch(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_[at + i] = uint8_t(v >> (8 * i));
  }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  uint32_t base_;
  std::vector<uint8_t> bytes_;
};

// Rooms that loop for ever: each adds, compares and branches, then goes to the next.
std::string loopAdventure(int rooms) {
  const std::string name = "Bench";
  Writer w(name.size());
  w.op(Op::Init).op(Op::VarNumber).u8(3).u32(7);
  std::vector<uint32_t> headers;
  std::vector<size_t> gotos;
  for (int i = 1; i <= rooms; ++i) {
    headers.push_back(w.here());
    w.op(Op::Room).u16(i);
    w.op(Op::AddNumber).u8(0).u32(1);
    w.op(Op::IfNumberGt).u8(0).u32(1000).op(Op::SetNumber).u8(0).u32(0).op(Op::End);
    w.op(Op::SetNumber).u8(1).u32(uint32_t(i));
    w.op(Op::IfFlag).u8(0).u8(1);
    w.op(Op::AddNumber).u8(2).u32(3);
    w.op(Op::Else).op(Op::SubNumber).u8(2).u32(1).op(Op::End);
    w.op(Op::SetFlag).u8(0).u8(i % 2);
    w.op(Op::IfNumbersEq).u8(1).u8(3).op(Op::AddNumber).u8(4).u32(1).op(Op::End);
    w.op(Op::Not).op(Op::IfNumberLt).u8(2).u32(0).op(Op::AddNumber).u8(5).u32(1).op(Op::End);
    w.op(Op::Random).u8(6).u16(6);
    // A block that is always skipped, text and all.
    w.op(Op::IfNumberLt).u8(6).u32(0).op(Op::Print).text("never printed").op(Op::End);
    w.op(Op::GoTo);
    gotos.push_back(w.placeholder());
  }
  w.op(Op::EndOfCode);
  for (int i = 0; i < rooms; ++i) w.patch(gotos[i], headers[(i + 1) % rooms]);
  std::vector<uint8_t> f = zox::buildAdventureFile(name, 1, 1, w.bytes());
  return std::string(f.begin(), f.end());
}

// One room and a [STATUS section of 14 statements over three rows.
std::string statusAdventure() {
  const std::string name = "Bench";
  Writer w(name.size());
  w.op(Op::Init).op(Op::StatusLines).u8(3).op(Op::VarNumber).u8(0).u32(4711);
  w.op(Op::StatusBackground).u8(1).op(Op::StatusColor).u8(15);
  w.op(Op::Room).u16(1).op(Op::Quit);
  w.op(Op::Room).u16(0);
  w.op(Op::Print).text(" Score: ").op(Op::PrintNumber).u8(0);
  w.op(Op::Print).text("   Moves: ").op(Op::PrintNumber).u8(1).op(Op::NewLine);
  w.op(Op::IfFlag).u8(0).u8(1).op(Op::Print).text(" The lamp is lit.");
  w.op(Op::Else).op(Op::Print).text(" The lamp is dark.").op(Op::End).op(Op::NewLine);
  w.op(Op::Print).text(" A quiet night at the lighthouse.");
  w.op(Op::EndOfCode);
  std::vector<uint8_t> f = zox::buildAdventureFile(name, 1, 1, w.bytes());
  return std::string(f.begin(), f.end());
}

// One room of command clauses with alternatives, optional words and, under every tenth,
// colon clauses; a section fallback; an [INVENTORY] section of its own clauses.
std::string clauseAdventure(int clauses) {
  const std::string name = "Bench";
  Writer w(name.size());
  w.op(Op::Room).u16(1).op(Op::InputCommand);
  for (int i = 0; i < clauses; ++i) {
    const std::string n = std::to_string(i);
    w.op(Op::BracketClause).text("{take}|{get}{the}thing" + n);
    if (i % 10 == 0) {
      w.op(Op::ColonClause).text("with{the}tongs").op(Op::Print).text("Carefully.");
      w.op(Op::Resume).op(Op::ColonOtherwise);
    }
    w.op(Op::Print).text("You take thing " + n + ".").op(Op::Resume);
  }
  w.op(Op::BracketOtherwise).op(Op::Print).text("Nothing happens.").op(Op::Resume);
  w.op(Op::Inventory);
  for (int i = 0; i < 20; ++i) {
    w.op(Op::BracketClause).text("drop{the}item" + std::to_string(i));
    w.op(Op::Print).text("Dropped.").op(Op::Resume);
  }
  w.op(Op::EndOfCode);
  std::vector<uint8_t> f = zox::buildAdventureFile(name, 1, 1, w.bytes());
  return std::string(f.begin(), f.end());
}

bool writeFile(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

int startEngine(zox::zoxexec& engine, const std::string& path) {
  engine.setStartPause(std::chrono::milliseconds(0));
  int r = engine.open(path);
  if (r == 0) r = engine.test();
  if (r == 0) r = engine.initialise();
  if (r == 0) r = engine.start();
  return r;
}

// In the child, on the pseudo-terminal.
// CPU seconds per clause search for each command, -1 where a search failed.
std::vector<double> timeSearches(zox::zoxexec& engine, const std::vector<std::string>& commands,
                                 int searches) {
  std::vector<double> perSearch;
  for (const std::string& command : commands) {
    engine.setCommandLine(command);
    const double c0 = cpuSeconds();
    int ok = 0;
    for (int i = 0; i < searches; ++i) ok += engine.searchClauses() == 0;
    perSearch.push_back(ok == searches ? (cpuSeconds() - c0) / searches : -1);
  }
  return perSearch;
}

const std::vector<std::string> kCommands = {"get thing0", "take the thing199", "dance wildly"};

void child(int report, const std::string& dir, long steps, int redraws, int searches) {
  zox::Console console;
  console.setScrollSleep(false);
  const std::string loopPath = dir + "/loop.zox";
  const std::string statusPath = dir + "/status.zox";
  double loopCpu = -1, statusCpu = -1;
  {
    zox::zoxexec engine(&console);
    if (startEngine(engine, loopPath) == 0) {
      const double c0 = cpuSeconds();
      long done = 0;
      while (done < steps && engine.step() == 0) ++done;
      loopCpu = done == steps ? cpuSeconds() - c0 : -1;
    }
  }
  {
    zox::zoxexec engine(&console);
    if (startEngine(engine, statusPath) == 0) {
      const double c0 = cpuSeconds();
      int ok = 0;
      for (int i = 0; i < redraws; ++i) ok += engine.drawStatusArea() == 0;
      statusCpu = ok == redraws ? cpuSeconds() - c0 : -1;
    }
  }
  std::vector<double> searchCpu(kCommands.size(), -1);
  {
    zox::zoxexec engine(&console);
    if (startEngine(engine, dir + "/clauses.zox") == 0) {
      searchCpu = timeSearches(engine, kCommands, searches);
    }
  }
  console.shutDown();
  dprintf(report, "%ld %.6f %d %.6f %.9f %.9f %.9f\n", steps, loopCpu, redraws, statusCpu,
          searchCpu[0], searchCpu[1], searchCpu[2]);
}

}  // namespace

int main(int argc, char** argv) {
  const long steps = argc > 1 ? std::atol(argv[1]) : 1000000;
  const int redraws = argc > 2 ? std::atoi(argv[2]) : 10000;
  const int searches = argc > 3 ? std::atoi(argv[3]) : 20000;
  char dirTemplate[] = "/tmp/zoxexec-bench-XXXXXX";
  const char* dir = mkdtemp(dirTemplate);
  if (!dir) return 1;
  const std::string d = dir;
  if (!writeFile(d + "/loop.zox", loopAdventure(20)) ||
      !writeFile(d + "/status.zox", statusAdventure()) ||
      !writeFile(d + "/clauses.zox", clauseAdventure(200))) {
    return 1;
  }
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return 1;
  if (!getenv("TERM") || std::string(getenv("TERM")) == "dumb") setenv("TERM", "xterm-256color", 1);
  winsize ws{};
  ws.ws_row = zox::kScreenRows;
  ws.ws_col = zox::kScreenColumns;
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, &ws);
  if (pid < 0) return 1;
  if (pid == 0) {
    close(pipeFds[0]);
    child(pipeFds[1], d, steps, redraws, searches);
    _exit(0);
  }
  close(pipeFds[1]);
  long long bytes = 0;
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(master, buffer, sizeof buffer);
    if (n <= 0) break;
    bytes += n;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  unlink((d + "/loop.zox").c_str());
  unlink((d + "/status.zox").c_str());
  unlink((d + "/clauses.zox").c_str());
  rmdir(dir);
  char report[256] = {};
  const ssize_t got = read(pipeFds[0], report, sizeof report - 1);
  long n = 0;
  int r = 0;
  double loopCpu, statusCpu, search[3];
  if (got <= 0 ||
      std::sscanf(report, "%ld %lf %d %lf %lf %lf %lf", &n, &loopCpu, &r, &statusCpu, &search[0],
                  &search[1], &search[2]) != 7 ||
      loopCpu < 0 || statusCpu < 0 || search[0] < 0 || search[1] < 0 || search[2] < 0) {
    std::fprintf(stderr, "zoxexec-bench: the engine run failed (status %d)\n", status);
    return 1;
  }
  std::printf("steps of the room loop:        %ld\n", n);
  std::printf("  CPU:                         %.3f s\n", loopCpu);
  std::printf("  CPU per 1,000,000 steps:     %.3f s (%.1f ns per step)\n", loopCpu / n * 1e6,
              loopCpu / n * 1e9);
  std::printf("status area redraws:           %d\n", r);
  std::printf("  CPU per redraw:              %.1f us\n", statusCpu / r * 1e6);
  std::printf("clause searches per command:   %d (room of 200 clauses, [INVENTORY] of 20)\n",
              searches);
  for (size_t i = 0; i < kCommands.size(); ++i) {
    std::printf("  CPU per search, %-20s %.2f us\n", ("\"" + kCommands[i] + "\":").c_str(),
                search[i] * 1e6);
  }
  std::printf("terminal output, all runs:     %lld bytes\n", bytes);
  return 0;
}
