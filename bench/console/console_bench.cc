// zoxconsole-bench: how fast the console prints. Runs the console in a pseudo-terminal of
// 80x25 whose output the parent reads away as fast as it comes, and reports, for 10,000
// lines printed with paging off, the wall time with the real scroll delay, and the CPU time
// and terminal bytes per line without the delay; then the same for screenfuls of full rows.
//
//   zoxconsole-bench [lines]
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "console/console.h"

namespace {

double cpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

double wallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Timing {
  double wall, cpu;
};

template <typename F>
Timing measure(F&& f) {
  const double w0 = wallSeconds(), c0 = cpuSeconds();
  f();
  return {wallSeconds() - w0, cpuSeconds() - c0};
}

// In the child, on the pseudo-terminal: prints and reports through the pipe.
void child(int report, int lines) {
  zox::Console console;
  auto printLines = [&](int n) {
    for (int i = 0; i < n; ++i)
      console.printText(zox::kSlotText, "Line " + std::to_string(i) + " of the benchmark text\n",
                        0);
  };
  const std::string fullRow(zox::kScreenColumns - 1, 'x');
  auto printScreenfuls = [&](int n) {
    for (int i = 0; i < n; ++i) {
      console.moveTo(0, 0);
      for (int r = 0; r < zox::kScreenRows - 1; ++r)
        console.printText(zox::kSlotText, fullRow, 0), console.moveTo(0, r + 1);
    }
  };
  console.setColour(zox::kSlotText, 15, 1);
  console.clearArea(zox::kSlotScreen);
  const Timing withDelay = measure([&] { printLines(lines); });
  console.setScrollSleep(false);
  console.clearArea(zox::kSlotScreen);
  const Timing noDelay = measure([&] { printLines(lines); });
  console.clearArea(zox::kSlotScreen);
  const int screens = 200;
  const Timing screenfuls = measure([&] { printScreenfuls(screens); });
  dprintf(report, "%d %.6f %.6f %.6f %.6f %d %.6f %.6f\n", lines, withDelay.wall, withDelay.cpu,
          noDelay.wall, noDelay.cpu, screens, screenfuls.wall, screenfuls.cpu);
  console.shutDown();
}

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::atoi(argv[1]) : 10000;
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
    child(pipeFds[1], lines);
    _exit(0);
  }
  close(pipeFds[1]);
  long long bytes = 0;
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(master, buffer, sizeof buffer);
    if (n <= 0) break;  // EIO once the child has closed the terminal
    bytes += n;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  char report[512] = {};
  const ssize_t got = read(pipeFds[0], report, sizeof report - 1);
  int n = 0, screens = 0;
  double w1, c1, w2, c2, w3, c3;
  if (got <= 0 || std::sscanf(report, "%d %lf %lf %lf %lf %d %lf %lf", &n, &w1, &c1, &w2, &c2,
                              &screens, &w3, &c3) != 8) {
    std::fprintf(stderr, "zoxconsole-bench: the console run failed (status %d)\n", status);
    return 1;
  }
  std::printf("lines printed, paging off:       %d\n", n);
  std::printf("  with the scroll delay:          %.3f s wall, %.3f s CPU\n", w1, c1);
  std::printf("  without it:                     %.3f s wall, %.3f s CPU\n", w2, c2);
  std::printf("  CPU per line:                   %.1f us\n", c2 / n * 1e6);
  std::printf("  scroll delay share of the wall: %.3f s\n", w1 - w2);
  std::printf("screenfuls of 24 full rows:      %d\n", screens);
  std::printf("  CPU per screenful:              %.1f us (%.1f us per printText)\n",
              c3 / screens * 1e6, c3 / screens / 24 * 1e6);
  std::printf("terminal output, all runs:       %lld bytes\n", bytes);
  return 0;
}
