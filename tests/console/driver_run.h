// Runs zoxconsole-driver with a script in its own pseudo-terminal and temp directory, for the
// console's screen tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "screen.h"

namespace zoxtest {

class DriverRun {
 public:
  explicit DriverRun(const std::string& script, ScreenOptions opts = {},
                     std::vector<std::string> flags = {}) {
    dir_.write("script", script);
    std::vector<std::string> argv{binPath("zoxconsole-driver")};
    argv.insert(argv.end(), flags.begin(), flags.end());
    argv.push_back(dir_.file("script"));
    argv.push_back(dir_.file("results"));
    if (opts.cwd.empty()) opts.cwd = dir_.path();
    screen_ = std::make_unique<Screen>(argv, opts);
  }

  Screen& screen() { return *screen_; }
  bool finish() { return screen_->waitForExit(20); }

  // The result lines written so far ("end" last after a complete script).
  std::vector<std::string> results() const {
    std::vector<std::string> lines;
    if (!dir_.exists("results")) return lines;
    std::istringstream in(dir_.read("results"));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  // The first result line starting with prefix, or "" when there is none.
  std::string result(const std::string& prefix) const {
    for (const auto& line : results())
      if (line.rfind(prefix, 0) == 0) return line;
    return "";
  }
  bool waitForResult(const std::string& prefix) {
    return screen_->waitUntil([&] { return !result(prefix).empty(); }, 20);
  }

 private:
  TempDir dir_;
  std::unique_ptr<Screen> screen_;
};

// A script line printing a text in slot 4 (system) with paging off.
inline std::string printLine(const std::string& quotedContent) {
  return "printText 4 \"" + quotedContent + "\" 0\n";
}

}  // namespace zoxtest
