// zoxconsole-driver: runs console operations from a script file, one per line, so that screen
// tests can drive the console in a pseudo-terminal. Results of queries and key waits go, one
// line each, to the result file.
//
//   zoxconsole-driver [-8] SCRIPT [RESULTS]
//
// Script lines: an operation name and its arguments, separated by blanks. Numbers are decimal;
// texts are in double quotes with the escapes \n \t \\ \" and \xHH (a Latin-1 byte); a key may
// also be written as a one-character text. '#' starts a comment line. Operations:
//   setColour S F B | printText S "T" P | printTextAbsent S P | printChar S C P
//   printLines N S P          prints "Line 1\n" ... "Line N\n", one printText each
//   clearArea S | fillToLineEnd S | selectColour S | useColour S | switchColour S
//   moveTo X Y | setTopReserved N | setBottomReserved N | scrollLines N
//   addHistory "T" | setPressKeyText "T" | setPressKeyText none | resetLineCount
//   setEightColourMode | hideCursor | showCursor | noScrollSleep
//   signalHandler             SIGINT/SIGTERM/SIGQUIT shut the console down and exit 10
//   stopCounting S "T"        what a stop handler does (print T in slot S, shut down), with
//                             the allocations it made counted: result "allocations N" (or
//                             "allocations unknown" where they cannot be counted), exit 10
//   exit N                    leave at once through exit(N)
// Operations with a result line "NAME VALUE...":
//   currentSlot | getPosition | topReserved | bottomReserved | lineCount | scrollDelay
//   scrollCount | pageCount | historyCount | waitForKey | upperKey K
//   waitForKeyOf S K... | waitForKeyOfText S "T" | readLine S MODE VISIBLE [BUFSIZE]
//   mark "T"                  writes "mark T"
// readLine's result line is: readLine RESULT "TEXT" with bytes outside 32-126 as \xHH.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "console/console.h"

// Allocations are counted by standing in for the allocator's entry points (not where a
// sanitizer has taken them over).
#if defined(__SANITIZE_ADDRESS__)
#define ZOX_COUNT_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZOX_COUNT_ALLOCATIONS 0
#endif
#endif
#ifndef ZOX_COUNT_ALLOCATIONS
#define ZOX_COUNT_ALLOCATIONS 1
#endif

volatile int gCounting = 0;
volatile long gAllocations = 0;

#if ZOX_COUNT_ALLOCATIONS
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* malloc(size_t n) {
  if (gCounting) gAllocations = gAllocations + 1;
  return __libc_malloc(n);
}
void* calloc(size_t n, size_t size) {
  if (gCounting) gAllocations = gAllocations + 1;
  return __libc_calloc(n, size);
}
void* realloc(void* p, size_t n) {
  if (gCounting) gAllocations = gAllocations + 1;
  return __libc_realloc(p, n);
}
}
#endif

namespace {

zox::Console* gConsole = nullptr;
std::FILE* gResults = nullptr;
std::string gPressKey;
bool gPressKeySet = false;

extern "C" void onStopSignal(int) {
  // A second call must do nothing: the exit path runs the destructor's shut-down too.
  if (gConsole) {
    gConsole->shutDown();
    gConsole->shutDown();
  }
  _exit(10);
}

struct Token {
  std::string text;
  bool quoted = false;
};

std::vector<Token> split(const std::string& line) {
  std::vector<Token> out;
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
      ++i;
      continue;
    }
    Token t;
    if (line[i] == '"') {
      t.quoted = true;
      ++i;
      while (i < line.size() && line[i] != '"') {
        char c = line[i++];
        if (c == '\\' && i < line.size()) {
          const char e = line[i++];
          if (e == 'n')
            c = '\n';
          else if (e == 't')
            c = '\t';
          else if (e == 'x' && i + 1 < line.size()) {
            c = static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
            i += 2;
          } else
            c = e;
        }
        t.text += c;
      }
      ++i;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
        t.text += line[i++];
    }
    out.push_back(t);
  }
  return out;
}

int number(const Token& t) {
  if (t.quoted) return t.text.empty() ? 0 : static_cast<unsigned char>(t.text[0]);
  return std::atoi(t.text.c_str());
}

std::string escaped(const char* bytes, std::size_t n) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c >= 32 && c <= 126 && c != '\\' && c != '"') {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

void result(const std::string& line) {
  if (!gResults) return;
  std::fputs(line.c_str(), gResults);
  std::fputc('\n', gResults);
  std::fflush(gResults);
}

void run(zox::Console& c, const std::vector<Token>& t) {
  if (t.empty()) return;
  const std::string& op = t[0].text;
  auto arg = [&](std::size_t i) { return i < t.size() ? number(t[i]) : 0; };
  auto text = [&](std::size_t i) { return i < t.size() ? t[i].text : std::string(); };
  auto report = [&](long value) { result(op + " " + std::to_string(value)); };

  if (op == "setColour")
    c.setColour(arg(1), arg(2), arg(3));
  else if (op == "printText")
    c.printText(arg(1), text(2), arg(3));
  else if (op == "printTextAbsent")
    c.printText(arg(1), std::nullopt, arg(2));
  else if (op == "printChar")
    c.printChar(arg(1), arg(2), arg(3));
  else if (op == "printLines") {
    for (int i = 1; i <= arg(1); ++i)
      c.printText(arg(2), "Line " + std::to_string(i) + "\n", arg(3));
  } else if (op == "clearArea")
    c.clearArea(arg(1));
  else if (op == "fillToLineEnd")
    c.fillToLineEnd(arg(1));
  else if (op == "selectColour")
    c.selectColour(arg(1));
  else if (op == "useColour")
    c.useColour(arg(1));
  else if (op == "switchColour")
    c.switchColour(arg(1));
  else if (op == "moveTo")
    c.moveTo(arg(1), arg(2));
  else if (op == "setTopReserved")
    c.setTopReserved(arg(1));
  else if (op == "setBottomReserved")
    c.setBottomReserved(arg(1));
  else if (op == "scrollLines")
    c.scrollLines(arg(1));
  else if (op == "addHistory")
    c.addHistory(text(1));
  else if (op == "setPressKeyText") {
    if (!t[1].quoted && t[1].text == "none") {
      c.setPressKeyText(nullptr);
    } else {
      gPressKey = text(1);
      gPressKeySet = true;
      c.setPressKeyText(&gPressKey);
    }
  } else if (op == "resetLineCount")
    c.resetLineCount();
  else if (op == "setEightColourMode")
    c.setEightColourMode();
  else if (op == "hideCursor")
    c.hideCursor();
  else if (op == "showCursor")
    c.showCursor();
  else if (op == "noScrollSleep")
    c.setScrollSleep(false);
  else if (op == "signalHandler") {
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
    std::signal(SIGQUIT, onStopSignal);
  } else if (op == "stopCounting") {
    gCounting = 1;
    c.printText(arg(1), text(2), 0);
    c.shutDown();
    gCounting = 0;
    result(ZOX_COUNT_ALLOCATIONS ? "allocations " + std::to_string(gAllocations)
                                 : std::string("allocations unknown"));
    _exit(10);
  } else if (op == "exit")
    std::exit(arg(1));
  else if (op == "currentSlot")
    report(c.currentSlot());
  else if (op == "getPosition") {
    const auto p = c.getPosition();
    result(op + " " + std::to_string(p.x) + " " + std::to_string(p.y));
  } else if (op == "topReserved")
    report(c.topReserved());
  else if (op == "bottomReserved")
    report(c.bottomReserved());
  else if (op == "lineCount")
    report(c.lineCount());
  else if (op == "scrollDelay")
    report(c.scrollDelay());
  else if (op == "scrollCount")
    report(c.scrollCount());
  else if (op == "pageCount")
    report(c.pageCount());
  else if (op == "historyCount")
    report(c.historyCount());
  else if (op == "waitForKey")
    report(c.waitForKey());
  else if (op == "upperKey")
    report(zox::Console::upperKey(arg(1)));
  else if (op == "waitForKeyOf") {
    std::vector<int> keys;
    for (std::size_t i = 2; i < t.size(); ++i) keys.push_back(number(t[i]));
    keys.push_back(0);
    report(c.waitForKeyOf(arg(1), keys));
  } else if (op == "waitForKeyOfText")
    report(c.waitForKeyOfText(arg(1), text(2)));
  else if (op == "readLine") {
    const std::size_t size = t.size() > 4 ? static_cast<std::size_t>(arg(4)) : 84;
    std::vector<char> buffer(size + 8, '\x7f');  // guard bytes after the buffer
    const int rc = c.readLine(arg(1), std::span<char>(buffer.data(), size), arg(2), arg(3));
    std::string line = op + " " + std::to_string(rc) + " \"" +
                       escaped(buffer.data(), size ? strnlen(buffer.data(), size) : 0) + "\"";
    for (std::size_t i = size; i < buffer.size(); ++i)
      if (buffer[i] != '\x7f') line += " OVERRUN";
    result(line);
  } else if (op == "mark")
    result("mark " + text(1));
  else
    result("unknown " + op);
}

}  // namespace

int main(int argc, char** argv) {
  int first = 1;
  bool eight = false;
  if (argc > 1 && std::strcmp(argv[1], "-8") == 0) eight = true, first = 2;
  if (argc <= first) {
    std::fprintf(stderr, "usage: zoxconsole-driver [-8] SCRIPT [RESULTS]\n");
    return 2;
  }
  std::ifstream script(argv[first]);
  if (!script) {
    std::fprintf(stderr, "zoxconsole-driver: cannot read %s\n", argv[first]);
    return 2;
  }
  if (argc > first + 1) gResults = std::fopen(argv[first + 1], "w");

  static zox::Console console;  // destroyed at exit, as the executor's global one is
  gConsole = &console;
  if (eight) console.setEightColourMode();
  std::string line;
  while (std::getline(script, line)) {
    if (line.empty() || line[0] == '#') continue;
    run(console, split(line));
  }
  result("end");
  return 0;
}
