// Walkthrough files: one step per line (type a line, press a key, expect a text, ...), read
// into a list of steps that the runner plays against the executor.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/terminal/terminal.h"

namespace zoxtest {

// One key of a `key` step: a key of the terminal's keyboard (sent as the terminal sends it,
// in the mode the program set) or plain bytes (a character, Space, a Ctrl combination).
struct KeyPress {
  std::optional<Key> key;
  std::string bytes;
};

enum class StepKind {
  Line,        // > TEXT: type TEXT and Return
  Type,        // type TEXT: type TEXT, no Return
  Key,         // key NAME: one key
  Expect,      // expect TEXT: wait until TEXT stands on the screen
  ExpectRow,   // expect-row N TEXT: wait until row N holds TEXT
  Absent,      // absent TEXT: TEXT is not on the screen
  AbsentRow,   // absent-row N TEXT: row N does not hold TEXT
  Exit,        // exit N: the program ends with status N
  Timeout,     // timeout SECONDS: how long the waits from here on wait
  ShowScreen,  // screen: print the screen as it stands
  Resize,      // resize COLSxROWS: the terminal gets a new size
  // Setup, only before every other step: how the program is started.
  Size,  // size COLSxROWS
  Env,   // env NAME=VALUE
  Args,  // args WORD...: words for the executor, before the adventure file
};

struct Step {
  StepKind kind = StepKind::Expect;
  int line = 0;                    // in the walkthrough file, from 1
  std::string source;              // the line as written (without its end of line), for messages
  std::string text;                // UTF-8: what to type or send, what to look for, NAME=VALUE
  KeyPress press;                  // Key
  int number = 0;                  // row (from 1), exit status, columns
  int number2 = 0;                 // rows
  double seconds = 0;              // Timeout
  std::vector<std::string> words;  // Args

  bool sendsInput() const {
    return kind == StepKind::Line || kind == StepKind::Type || kind == StepKind::Key;
  }
  bool isSetup() const {
    return kind == StepKind::Size || kind == StepKind::Env || kind == StepKind::Args;
  }
};

struct WalkthroughError {
  int line = 0;
  std::string message;
};

struct Walkthrough {
  std::vector<Step> steps;
  std::vector<WalkthroughError> errors;  // empty when every line was understood
};

// Reads a walkthrough from its bytes: UTF-8, or Latin-1 when it is not valid UTF-8.
Walkthrough parseWalkthrough(std::string_view bytes);

// The key a name stands for: "Return", "Escape", "Up", "F5", "Ctrl-C", "Space" (names in any
// case), or a single character as it is. Nothing for a name that is none of them.
std::optional<KeyPress> parseKey(std::string_view name);

// Latin-1 bytes as UTF-8, unless they are valid UTF-8 already.
std::string toUtf8(std::string_view bytes);

}  // namespace zoxtest
