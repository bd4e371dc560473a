// modes_wrapper <report> <program> [args...]: runs the program on this terminal and writes to
// <report> its exit status and the terminal's modes before and after it, in the manner of
// `stty -g`. The program's pid goes to <report>.pid as soon as it is started, so that a test
// can signal the program itself; the wrapper ignores the stop signals.
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

std::string modes() {
  termios t{};
  if (tcgetattr(STDIN_FILENO, &t) != 0) return "none";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%x:%x:%x:%x", t.c_iflag, t.c_oflag, t.c_cflag, t.c_lflag);
  std::string out = buf;
  for (cc_t c : t.c_cc) {
    std::snprintf(buf, sizeof buf, ":%x", c);
    out += buf;
  }
  return out;
}

bool writeFile(const std::string& path, const std::string& text) {
  const std::string part = path + ".part";
  std::FILE* f = std::fopen(part.c_str(), "w");
  if (!f) return false;
  std::fputs(text.c_str(), f);
  if (std::fclose(f) != 0) return false;
  return std::rename(part.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: modes_wrapper <report> <program> [args...]\n", stderr);
    return 2;
  }
  const std::string report = argv[1];
  const std::string before = modes();
  for (int sig : {SIGINT, SIGQUIT, SIGTERM}) signal(sig, SIG_IGN);
  pid_t pid = fork();
  if (pid == 0) {
    for (int sig : {SIGINT, SIGQUIT, SIGTERM}) signal(sig, SIG_DFL);
    execv(argv[2], argv + 2);
    _exit(127);
  }
  if (pid < 0) return 2;
  writeFile(report + ".pid", std::to_string(pid) + "\n");
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  writeFile(report,
            "status " + std::to_string(code) + "\nbefore " + before + "\nafter " + modes() + "\n");
  return code;
}
