// Command mode: the prompt of INPUT in its three modes (number, command line, text line), the
// splitting of a typed line into words, the built-in commands, and the restart.
#include <cstring>
#include <new>

#include "executor/engine.h"
#include "executor/errors.h"
#include "executor/texts.h"

namespace zox {
namespace {

MaybeText view(const Text& text) {
  return text ? MaybeText(*text) : std::nullopt;
}

int asciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : static_cast<unsigned char>(c);
}

// The whole typed line against a command word, ASCII letters without regard to case.
bool isCommand(std::string_view line, const Text& command) {
  if (!command || command->empty() || command->size() != line.size()) return false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (asciiUpper(line[i]) != asciiUpper((*command)[i])) return false;
  }
  return true;
}

// A decimal integer with an optional sign that is the whole word and fits 32 bits.
bool parseNumber(std::string_view word, int32_t& value) {
  size_t i = 0;
  bool negative = false;
  if (!word.empty() && (word[0] == '+' || word[0] == '-')) {
    negative = word[0] == '-';
    i = 1;
  }
  if (i >= word.size()) return false;
  int64_t v = 0;
  for (; i < word.size(); ++i) {
    if (word[i] < '0' || word[i] > '9') return false;
    v = v * 10 + (word[i] - '0');
    if (v > int64_t{INT32_MAX} + 1) return false;
  }
  if (negative) v = -v;
  if (v > INT32_MAX) return false;
  value = static_cast<int32_t>(v);
  return true;
}

}  // namespace

std::string_view zoxexec::inputLine() const {
  return std::string_view(inputBuffer_.data(), strnlen(inputBuffer_.data(), inputBuffer_.size()));
}

int zoxexec::setCommandLine(std::string_view line) {
  words_.clear();
  std::string single;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\0') ++i;
    if (i == start) break;
    const std::string_view word = line.substr(start, i - start);
    if (!single.empty()) single.push_back(' ');
    single.append(word);
    if (words_.size() < kMaxCommandWords) words_.emplace_back(word);
    if (i < line.size() && line[i] == '\0') break;
  }
  inputBuffer_.fill(0);
  std::memcpy(inputBuffer_.data(), single.data(), std::min(single.size(), inputBuffer_.size() - 1));
  wordCount_ = static_cast<int>(words_.size());
  return wordCount_;
}

std::string zoxexec::confirmKeys() const {
  std::string keys(2, '\0');
  keys[0] = messages_[15] && !messages_[15]->empty() ? (*messages_[15])[0] : texts::kDefaultYesKey;
  keys[1] = messages_[16] && !messages_[16]->empty() ? (*messages_[16])[0] : texts::kDefaultNoKey;
  return keys;
}

bool zoxexec::waitForYes(int slot) {
  return con_->waitForKeyOfText(slot, confirmKeys()) == 0;
}

void zoxexec::printPrompt(int mode, std::string_view prompt, bool again) {
  MaybeText shown = prompt;
  if (mode == kPromptNumber && (again || prompt.empty())) shown = view(numberPrompt_);
  if (mode == kPromptCommand && prompt.empty()) shown = view(commandPrompt_);
  con_->printText(kSlotInput, shown, 1);
}

int zoxexec::commandPrompt(int mode, std::string_view prompt) {
  if (mode == kPromptCommand) {
    returnOffset_ = statementOffset_;
    takeSnapshot();
  }
  inputBuffer_.fill(0);
  con_->printChar(con_->getPosition().x == 0 ? kSlotScreen : kSlotText, '\n', 0);
  printPrompt(mode, prompt, false);
  Console::Position input = con_->getPosition();
  try {
    for (;;) {
      words_.clear();
      wordCount_ = 0;
      con_->moveTo(input.x, input.y);
      const int r = con_->readLine(kSlotInput, std::span<char>(inputBuffer_), kReadText, 1);
      if (r != 0) return r;
      // A line without words is not answered: the field is read again.
      if (setCommandLine(std::string(inputLine())) == 0) continue;
      const std::string line(inputLine());
      con_->addHistory(line);

      bool again = false;
      if (mode == kPromptNumber) {
        if (parseNumber(words_[0], numberInput_)) return 1;
        con_->printText(kSlotScreen, "\n\n", 1);
        con_->printText(kSlotScreen, view(messages_[14]), 1);
        con_->printChar(kSlotScreen, '\n', 1);
        again = true;
      } else if (mode == kPromptText) {
        return 0;
      }
      // The built-in commands work at a number prompt too.
      bool recognised = false;
      const int answer = builtInCommand(line, recognised);
      if (recognised) {
        if (answer != 0) return answer;
        // The number asked for belongs to the game that was running: the loaded game goes on
        // at its own statement instead.
        if (mode == kPromptNumber && gameLoaded_) {
          gameLoaded_ = false;
          return kPromptLoaded;
        }
        again = true;
      }
      if (!again) return searchClauses();
      con_->printChar(kSlotScreen, '\n', 0);
      printPrompt(mode, prompt, true);
      input = con_->getPosition();
    }
  } catch (const std::bad_alloc&) {
    return kErrNoMemory;
  }
}

int zoxexec::builtInCommand(std::string_view line, bool& recognised) {
  recognised = true;
  if (line == "?") {
    if (messages_[1]) {
      con_->printChar(kSlotScreen, '\n', 1);
      con_->printText(kSlotScreen, *messages_[1], 1);
      con_->printChar(kSlotScreen, '\n', 1);
    } else {
      printInternalHelp();
    }
    return 0;
  }
  if (isCommand(line, messages_[2])) {
    con_->clearArea(kSlotScreen);
    return 0;
  }
  if (isCommand(line, messages_[17])) {
    if (!askConfirm()) return 0;
    const int r = restart();
    return r != 0 ? r : -1;
  }
  if (isCommand(line, messages_[3])) return askConfirm() ? -2 : 0;
  if (isCommand(line, messages_[4])) return infoCommand();
  if (isCommand(line, messages_[5])) return saveCommand();
  if (isCommand(line, messages_[6])) return loadCommand();
  recognised = false;
  return 0;
}

void zoxexec::printInternalHelp() {
  for (std::string_view line : texts::kPromptHelp) con_->printText(kSlotScreen, line, 1);
}

// The question before QUIT and START.
bool zoxexec::askConfirm() {
  con_->printText(kSlotScreen, "\n\n", 1);
  con_->printText(kSlotScreen, view(messages_[7]), 1);
  const bool yes = waitForYes(kSlotScreen);
  con_->printChar(kSlotScreen, '\n', 1);
  return yes;
}

int zoxexec::restart() {
  clauseHeaderKind_ = 0;
  inventoryActive_ = false;
  choiceResult_ = 0;
  main_.emptyWindow();
  inventory_.emptyWindow();
  resources_.clear();
  // Variables, flags and text variables keep their values.
  setDefaults();
  int r = rerunInitAndFindStartRoom();
  if (r != 0) return r;
  return redrawOnFreshScreen();
}

}  // namespace zox
