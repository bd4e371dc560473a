// Reading walkthrough files: one step per line, a keyword and its argument.
#include "tools/zoxtest/walkthrough.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace zoxtest {

namespace {

constexpr int kMaxTerminalSide = 1000;
constexpr double kMaxTimeout = 3600;

bool validUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    int more = 0;
    if (c < 0x80) {
      more = 0;
    } else if (c >= 0xC2 && c <= 0xDF) {
      more = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3;
    } else {
      return false;
    }
    for (int k = 1; k <= more; ++k) {
      if (i + static_cast<size_t>(k) >= s.size()) return false;
      if ((static_cast<unsigned char>(s[i + static_cast<size_t>(k)]) & 0xC0) != 0x80) return false;
    }
    i += static_cast<size_t>(more) + 1;
  }
  return true;
}

// The number of bytes of the UTF-8 character at the start of s (1 for anything else).
size_t charLength(std::string_view s) {
  const unsigned char c = static_cast<unsigned char>(s[0]);
  size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
  return std::min(n, s.size());
}

std::string lower(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// A step's text: the rest of the line, trimmed; in double quotes to keep blanks at its ends.
std::string textArgument(std::string_view rest) {
  rest = trimBlanks(rest);
  if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') {
    rest = rest.substr(1, rest.size() - 2);
  }
  return std::string(rest);
}

bool parseInt(std::string_view s, int low, int high, int& out) {
  if (s.empty()) return false;
  int v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || v < low || v > high) return false;
  out = v;
  return true;
}

bool parseSize(std::string_view s, int& cols, int& rows) {
  size_t x = s.find_first_of("xX");
  return x != std::string_view::npos && parseInt(s.substr(0, x), 1, kMaxTerminalSide, cols) &&
         parseInt(s.substr(x + 1), 1, kMaxTerminalSide, rows);
}

bool parseSeconds(std::string_view s, double& out) {
  std::string text(s);
  if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos) return false;
  char* end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (*end != '\0' || !std::isfinite(v) || v <= 0 || v > kMaxTimeout) return false;
  out = v;
  return true;
}

struct NamedKey {
  const char* name;
  Key key;
};

constexpr std::array kNamedKeys = {
    NamedKey{"return", Key::Enter},
    NamedKey{"enter", Key::Enter},
    NamedKey{"escape", Key::Escape},
    NamedKey{"esc", Key::Escape},
    NamedKey{"up", Key::Up},
    NamedKey{"down", Key::Down},
    NamedKey{"left", Key::Left},
    NamedKey{"right", Key::Right},
    NamedKey{"home", Key::Home},
    NamedKey{"end", Key::End},
    NamedKey{"delete", Key::Delete},
    NamedKey{"del", Key::Delete},
    NamedKey{"backspace", Key::Backspace},
    NamedKey{"tab", Key::Tab},
    NamedKey{"pageup", Key::PageUp},
    NamedKey{"pagedown", Key::PageDown},
    NamedKey{"insert", Key::Insert},
    NamedKey{"ins", Key::Insert},
    NamedKey{"f1", Key::F1},
    NamedKey{"f2", Key::F2},
    NamedKey{"f3", Key::F3},
    NamedKey{"f4", Key::F4},
    NamedKey{"f5", Key::F5},
    NamedKey{"f6", Key::F6},
    NamedKey{"f7", Key::F7},
    NamedKey{"f8", Key::F8},
    NamedKey{"f9", Key::F9},
    NamedKey{"f10", Key::F10},
    NamedKey{"f11", Key::F11},
    NamedKey{"f12", Key::F12},
};

// Reads one line into step; false with a message for a line that is no step.
bool parseLine(std::string_view line, Step& step, std::string& error) {
  if (line.front() == '>') {
    std::string_view rest = line.substr(1);
    if (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    step.kind = StepKind::Line;
    step.text = textArgument(rest);
    return true;
  }
  const size_t space = line.find_first_of(" \t");
  const std::string keyword = lower(line.substr(0, space));
  const std::string_view rest =
      space == std::string_view::npos ? std::string_view() : trimBlanks(line.substr(space));

  auto needText = [&](StepKind kind) {
    step.kind = kind;
    step.text = textArgument(rest);
    if (step.text.empty()) error = keyword + " needs a text";
    return error.empty();
  };
  auto needRowAndText = [&](StepKind kind) {
    step.kind = kind;
    const size_t gap = rest.find_first_of(" \t");
    if (!parseInt(rest.substr(0, gap), 1, kMaxTerminalSide, step.number)) {
      error = keyword + " needs a row number (from 1) and a text";
      return false;
    }
    step.text = gap == std::string_view::npos ? std::string() : textArgument(rest.substr(gap));
    if (step.text.empty()) error = keyword + " needs a text after the row number";
    return error.empty();
  };
  auto noArgument = [&](StepKind kind) {
    step.kind = kind;
    if (!rest.empty()) error = keyword + " takes nothing after it";
    return error.empty();
  };

  if (keyword == "type") return needText(StepKind::Type);
  if (keyword == "expect") return needText(StepKind::Expect);
  if (keyword == "absent") return needText(StepKind::Absent);
  if (keyword == "expect-row") return needRowAndText(StepKind::ExpectRow);
  if (keyword == "absent-row") return needRowAndText(StepKind::AbsentRow);
  if (keyword == "screen") return noArgument(StepKind::ShowScreen);
  if (keyword == "key") {
    step.kind = StepKind::Key;
    std::optional<KeyPress> press = parseKey(rest);
    if (!press) {
      error = rest.empty() ? "key needs a key: a character or a name such as Return"
                           : "unknown key \"" + std::string(rest) + "\"";
      return false;
    }
    step.press = *press;
    step.text = std::string(rest);
    return true;
  }
  if (keyword == "exit") {
    step.kind = StepKind::Exit;
    if (!parseInt(rest, 0, 255, step.number)) error = "exit needs a status from 0 to 255";
    return error.empty();
  }
  if (keyword == "timeout") {
    step.kind = StepKind::Timeout;
    if (!parseSeconds(rest, step.seconds)) {
      error = "timeout needs a number of seconds above 0, at most 3600";
    }
    return error.empty();
  }
  if (keyword == "resize" || keyword == "size") {
    step.kind = keyword == "size" ? StepKind::Size : StepKind::Resize;
    if (!parseSize(rest, step.number, step.number2)) {
      error = keyword + " needs COLUMNSxROWS, such as 80x25";
    }
    return error.empty();
  }
  if (keyword == "env") {
    step.kind = StepKind::Env;
    step.text = std::string(rest);
    const size_t eq = step.text.find('=');
    if (eq == std::string::npos || eq == 0 || step.text.find_first_of(" \t") < eq) {
      error = "env needs NAME=VALUE";
    }
    return error.empty();
  }
  if (keyword == "args") {
    step.kind = StepKind::Args;
    std::string_view r = rest;
    while (!r.empty()) {
      const size_t gap = r.find_first_of(" \t");
      step.words.emplace_back(r.substr(0, gap));
      r = gap == std::string_view::npos ? std::string_view() : trimBlanks(r.substr(gap));
    }
    if (step.words.empty()) error = "args needs the words to pass";
    return error.empty();
  }
  error = "unknown step \"" + keyword + "\"";
  return false;
}

}  // namespace

std::string toUtf8(std::string_view bytes) {
  if (validUtf8(bytes)) return std::string(bytes);
  std::string out;
  for (unsigned char c : bytes) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::optional<KeyPress> parseKey(std::string_view name) {
  KeyPress press;
  if (name.empty()) return std::nullopt;
  if (charLength(name) == name.size()) {  // one character, as it is
    press.bytes = std::string(name);
    return press;
  }
  const std::string n = lower(name);
  if (n == "space") {
    press.bytes = " ";
    return press;
  }
  if (n.size() == 6 && n.rfind("ctrl-", 0) == 0 && n[5] >= 'a' && n[5] <= 'z') {
    if (n[5] == 'c') {
      press.key = Key::CtrlC;
    } else {
      press.bytes = std::string(1, static_cast<char>(n[5] - 'a' + 1));
    }
    return press;
  }
  for (const NamedKey& k : kNamedKeys) {
    if (n == k.name) {
      press.key = k.key;
      return press;
    }
  }
  return std::nullopt;
}

Walkthrough parseWalkthrough(std::string_view bytes) {
  Walkthrough w;
  const std::string text = toUtf8(bytes);
  std::string_view rest = text;
  bool started = false;  // a step other than setup came
  for (int number = 1; !rest.empty(); ++number) {
    const size_t nl = rest.find('\n');
    std::string_view line = rest.substr(0, nl);
    rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view source = line;
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (trimBlanks(line).empty() || line.front() == '#') continue;
    Step step;
    step.line = number;
    step.source = std::string(trimBlanks(source));
    std::string error;
    if (!parseLine(line, step, error)) {
      w.errors.push_back({number, error});
      continue;
    }
    if (step.isSetup() && started) {
      w.errors.push_back({number, step.source.substr(0, step.source.find_first_of(" \t")) +
                                      " must come before the first step that plays"});
      continue;
    }
    if (!step.isSetup()) started = true;
    w.steps.push_back(std::move(step));
  }
  return w;
}

}  // namespace zoxtest
