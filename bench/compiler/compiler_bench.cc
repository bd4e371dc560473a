// zoxcomp-bench [rooms]: compiles generated sources of up to 65,535 rooms and reports lines
// per second of the line pass and of the whole compile (report to /dev/null and on an 80x25
// pseudo-terminal), the peak memory of zoxcomp, and how long `wc -l` takes to read the file.
// zoxcomp-bench --against-cat [zoxcomp [older]]: zoxcomp (and an older build) against `cat` of
// the same file, side by side in one run, for 1,000, 10,000 and 65,000 rooms of the choice-block
// shape.
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "source_generator.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// Runs a program with its output thrown away; returns the wall time, the exit status, the
// child's peak memory in KiB and, if asked, its CPU time (user and system).
double runProgram(const std::vector<std::string>& args, int* status, long* maxRssKib,
                  double* cpu = nullptr) {
  auto start = Clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    std::freopen("/dev/null", "w", stdout);
    std::vector<char*> argv;
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int st = 0;
  struct rusage usage {};
  wait4(pid, &st, 0, &usage);
  double t = seconds(start);
  *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  *maxRssKib = usage.ru_maxrss;
  if (cpu != nullptr) {
    *cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
           usage.ru_stime.tv_usec / 1e6;
  }
  return t;
}

// Runs a program on a pseudo-terminal of 80x25 whose output is read and thrown away, as a
// terminal would show it; returns the wall time.
double runOnTerminal(const std::vector<std::string>& args, int* status) {
  winsize ws{};
  ws.ws_row = 25;
  ws.ws_col = 80;
  int master = -1;
  auto start = Clock::now();
  pid_t pid = forkpty(&master, nullptr, nullptr, &ws);
  if (pid < 0) return -1;
  if (pid == 0) {
    setenv("TERM", "xterm", 1);
    std::vector<char*> argv;
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  char buffer[65536];
  while (read(master, buffer, sizeof buffer) > 0) {
  }
  int st = 0;
  waitpid(pid, &st, 0);
  close(master);
  *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return seconds(start);
}

struct Figures {
  long lines = 0;
  double linePass = 0;  // seconds, in-process
  double whole = 0;     // seconds, the zoxcomp process
  double terminal = 0;  // seconds, the zoxcomp process on a pseudo-terminal
  long maxRssKib = 0;
  double wc = 0;
  int status = 0;
};

// Each figure is the best of three runs: the machine is shared.
constexpr int kRuns = 3;

Figures measure(const std::string& path) {
  Figures f;
  f.linePass = 1e9;
  for (int run = 0; run < kRuns; ++run) {
    zox::Compiler c;
    if (zox::openSource(c, path) != 0) std::exit(2);
    auto start = Clock::now();
    int r = 0;
    while (r == 0) r = zox::compileLine(c);
    f.linePass = std::min(f.linePass, seconds(start));
    if (r != zox::kSourceDone) {
      std::fprintf(stderr, "the generated source did not compile (%d, error %d)\n", r,
                   c.errors.empty() ? 0 : c.errors.last());
      std::exit(2);
    }
  }
  {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    int ch;
    while ((ch = std::fgetc(in)) != EOF) f.lines += ch == '\n';
    std::fclose(in);
  }
  f.whole = f.wc = f.terminal = 1e9;
  for (int run = 0; run < kRuns; ++run) {
    long rss = 0;
    int other = 0;
    f.whole = std::min(f.whole, runProgram({ZOX_BIN_DIR "/zoxcomp", path}, &f.status, &rss));
    f.maxRssKib = std::max(f.maxRssKib, rss);
    f.terminal = std::min(f.terminal, runOnTerminal({ZOX_BIN_DIR "/zoxcomp", path}, &other));
    if (other != f.status) f.status = other;
    f.wc = std::min(f.wc, runProgram({"wc", "-l", path}, &other, &rss));
  }
  return f;
}

void report(const char* what, int rooms, const std::string& path) {
  Figures f = measure(path);
  std::FILE* in = std::fopen(path.c_str(), "rb");
  std::fseek(in, 0, SEEK_END);
  long bytes = std::ftell(in);
  std::fclose(in);
  std::printf(
      "%-15s %6d rooms %8ld lines %6.1f MB | line pass %7.3f s %9.0f lines/s | "
      "zoxcomp %7.3f s %9.0f lines/s, on a terminal %7.3f s, peak %6.1f MB, status %d | "
      "wc -l %6.3f s\n",
      what, rooms, f.lines, bytes / 1e6, f.linePass, f.lines / f.linePass, f.whole,
      f.lines / f.whole, f.terminal, f.maxRssKib / 1024.0, f.status, f.wc);
  std::fflush(stdout);
}

// Runs a program with its output thrown away; returns the wall time, and the CPU time (user
// and system) and peak memory (KiB) of the child.
double runTimed(const std::vector<std::string>& args, double* cpu, long* maxRssKib) {
  int status = 0;
  const double t = runProgram(args, &status, maxRssKib, cpu);
  if (status != 0) {
    std::fprintf(stderr, "%s failed (status %d)\n", args[0].c_str(), status);
    std::exit(2);
  }
  return t;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// cat and each zoxcomp on the same file, in turn, kRuns times each: the medians of wall and CPU
// time, their ratios to cat's, and each zoxcomp's peak memory against the size of the source.
void againstCat(const std::vector<std::string>& zoxcomps, int rooms, const std::string& path) {
  constexpr int kRuns = 5;
  std::vector<double> catWall, catCpu;
  std::vector<std::vector<double>> compWall(zoxcomps.size()), compCpu(zoxcomps.size());
  std::vector<long> peak(zoxcomps.size(), 0);
  for (int run = 0; run < kRuns; ++run) {
    double cpu = 0;
    long rss = 0;
    catWall.push_back(runTimed({"cat", path}, &cpu, &rss));
    catCpu.push_back(cpu);
    for (size_t z = 0; z < zoxcomps.size(); ++z) {
      compWall[z].push_back(runTimed({zoxcomps[z], path}, &cpu, &rss));
      compCpu[z].push_back(cpu);
      peak[z] = std::max(peak[z], rss);
    }
  }
  std::FILE* in = std::fopen(path.c_str(), "rb");
  std::fseek(in, 0, SEEK_END);
  long bytes = std::ftell(in);
  std::fclose(in);
  const double cw = median(catWall), cc = median(catCpu);
  for (size_t z = 0; z < zoxcomps.size(); ++z) {
    const double zw = median(compWall[z]), zc = median(compCpu[z]);
    std::printf(
        "%6d rooms %5.1f MB | cat %6.1f ms (CPU %6.1f) | %s %7.1f ms (CPU %7.1f) | "
        "wall %5.1fx CPU %5.1fx | peak %6.1f MiB = %.2fx the source\n",
        rooms, bytes / 1e6, cw * 1e3, cc * 1e3, z == 0 ? "zoxcomp" : "older  ", zw * 1e3, zc * 1e3,
        zw / cw, zc / std::max(cc, 1e-4), peak[z] / 1024.0, peak[z] * 1024.0 / bytes);
  }
  std::fflush(stdout);
}

void write(const std::string& path, const std::string& text) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  std::fwrite(text.data(), 1, text.size(), out);
  std::fclose(out);
}

}  // namespace

int main(int argc, char** argv) {
  // zoxcomp-bench --write ring|every|choices rooms path: only writes a generated source.
  if (argc == 5 && std::string(argv[1]) == "--write") {
    int rooms = std::atoi(argv[3]);
    std::string path = argv[4];
    std::string shape = argv[2];
    write(path, shape == "ring"      ? zoxbench::ringOfRooms(rooms)
                : shape == "choices" ? zoxbench::choiceRooms(rooms)
                                     : zoxbench::everyStatement(rooms, "logo.ans"));
    return 0;
  }
  char dirTemplate[] = "/tmp/zoxcomp-bench-XXXXXX";
  const char* dir = mkdtemp(dirTemplate);
  if (!dir) return 1;
  std::string base = dir;
  if (argc >= 2 && std::string(argv[1]) == "--against-cat") {
    // zoxcomp-bench --against-cat [zoxcomp [older]]: an older build runs in the same rounds.
    std::vector<std::string> zoxcomps = {argc > 2 ? argv[2] : ZOX_BIN_DIR "/zoxcomp"};
    if (argc > 3) zoxcomps.push_back(argv[3]);
    for (int rooms : {1000, 10000, 65000}) {
      std::string path = base + "/choices.adv";
      write(path, zoxbench::choiceRooms(rooms));
      againstCat(zoxcomps, rooms, path);
    }
    std::string cleanup = "rm -rf '" + base + "'";
    return std::system(cleanup.c_str()) == 0 ? 0 : 1;
  }
  int most = argc > 1 ? std::atoi(argv[1]) : 65535;
  write(base + "/logo.ans", "\x1b[1;33mLOGO\x1b[0m\n");
  std::vector<int> sizes;
  for (int rooms : {1000, 8000, most}) {
    if (rooms <= most && (sizes.empty() || sizes.back() < rooms)) sizes.push_back(rooms);
  }
  for (int rooms : sizes) {
    std::string ring = base + "/ring.adv";
    write(ring, zoxbench::ringOfRooms(rooms));
    report("ring, 2 GO TOs", rooms, ring);
    std::string every = base + "/every.adv";
    write(every, zoxbench::everyStatement(rooms, base + "/logo.ans"));
    report("every statement", rooms, every);
  }
  std::string cleanup = "rm -rf '" + base + "'";
  return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
