// Playing zoxexec straight in a terminal (no shell around it, so that waitForIdle works):
// compile a source, start it, wait for a prompt at the cursor, type a line and wait for its
// answer.
#pragma once

#include <memory>
#include <string>

#include "screen_helpers.h"

namespace zoxtest {

inline constexpr double kPlayWait = 30;  // seconds; the start alone pauses for 2 by design

// zoxexec on name.zox, compiled from the source; nullptr (and a failure) if it does not compile.
inline std::unique_ptr<Screen> playSource(const TempDir& dir, const std::string& name,
                                          const std::string& source) {
  const std::string problem = compileSource(dir, name + ".adv", source);
  EXPECT_EQ(problem, "");
  if (!problem.empty()) return nullptr;
  ScreenOptions o;
  o.cwd = dir.path();
  return std::make_unique<Screen>(std::vector<std::string>{binPath("zoxexec"), name + ".zox"}, o);
}

// The cursor's row is the prompt, with the cursor just after it.
inline bool atPrompt(Screen& s, const std::string& prompt) {
  const std::string shown = prompt.substr(0, prompt.find_last_not_of(' ') + 1);
  return s.waitUntil(
      [&] { return s.row(s.cursorRow()) == shown && s.cursorCol() == int(prompt.size()); },
      kPlayWait);
}

// Types a line at the prompt and waits for a text that answers it.
inline bool answer(Screen& s, const std::string& line, const std::string& reply) {
  s.type(line + "\r");
  return s.waitForText(reply, kPlayWait);
}

inline int occurrences(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

}  // namespace zoxtest
