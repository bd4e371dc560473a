// Running the real zoxexec in a pseudo-terminal: inside a shell that afterwards reports the
// exit status and whether the terminal is back in its normal line mode.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "screen.h"

namespace zoxtest {

// The whole file as bytes ("" if it cannot be read).
inline std::string readFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  std::string bytes;
  if (f == nullptr) return bytes;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
  std::fclose(f);
  return bytes;
}

inline std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// zoxexec with args, in dir. The shell ignores SIGINT and SIGQUIT so that Ctrl-C reaches only
// zoxexec (which installs its own handler); after zoxexec it prints "[exit N]" and the line
// modes of the terminal ("icanon echo" when curses has given the terminal back).
class Exec {
 public:
  Exec(const std::vector<std::string>& args, const TempDir& dir)
      : screen({"/bin/sh", "-c", script(args)}, options(dir)) {}
  // The same with a program other than the built zoxexec, started through a launcher (the
  // words before it, such as a command that changes the user).
  Exec(const std::vector<std::string>& launcher, const std::string& program,
       const std::vector<std::string>& args, const TempDir& dir)
      : screen({"/bin/sh", "-c", script(args, launcher, program)}, options(dir)) {}

  Screen screen;

  // Waits for the end; false if zoxexec did not end in time.
  bool finished(double timeoutSec = 30) {
    return screen.waitForText("[modes", timeoutSec) && screen.waitForExit(timeoutSec);
  }
  // The exit status zoxexec ended with (-1 if it is not shown).
  int status() {
    std::string t = screen.text();
    size_t at = t.rfind("[exit ");
    if (at == std::string::npos) return -1;
    return std::stoi(t.substr(at + 6));
  }
  // The terminal after zoxexec: canonical input and echo on again.
  bool terminalRestored() {
    std::string t = screen.text();
    size_t at = t.rfind("[modes");
    return at != std::string::npos && t.find("[modes icanon echo ]", at) == at;
  }

 private:
  static std::string script(const std::vector<std::string>& args,
                            const std::vector<std::string>& launcher = {},
                            const std::string& program = binPath("zoxexec")) {
    std::string s = "trap '' INT QUIT;";
    for (const std::string& w : launcher) s += " " + shellQuote(w);
    s += " " + shellQuote(program);
    for (const std::string& a : args) s += " " + shellQuote(a);
    s += "; echo \"[exit $?]\"; printf '[modes '; "
         "stty -a | tr ' ;' '\\n\\n' | grep -E '^-?(icanon|echo)$' | tr '\\n' ' '; echo ']'";
    return s;
  }
  static ScreenOptions options(const TempDir& dir) {
    ScreenOptions o;
    o.cwd = dir.path();
    return o;
  }
};

}  // namespace zoxtest

namespace zoxtest {

// Compiles a source with zoxcomp in dir (in a terminal of its own, as zoxcomp needs one).
// Returns "" on success, else what zoxcomp showed.
inline std::string compileSource(const TempDir& dir, const std::string& name,
                                 const std::string& source) {
  dir.write(name, source);
  ScreenOptions o;
  o.cwd = dir.path();
  Screen s({binPath("zoxcomp"), name}, o);
  if (!s.waitForExit(60)) return "zoxcomp did not end:\n" + s.dump();
  if (s.exitStatus() != 0) return "zoxcomp failed:\n" + s.dump();
  return "";
}

}  // namespace zoxtest
