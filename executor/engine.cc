// The engine's life: construction, the destructor that closes what is open, and the resets
// that the start-up passes and a restart share.
#include "executor/engine.h"

#include <unistd.h>

#include <cstdlib>
#include <ctime>

#include "executor/texts.h"

namespace zox {

zoxexec::zoxexec(Console* console) : con_(console) {}

zoxexec::~zoxexec() {
  closeFile();
  // The console keeps a pointer to interface message 18; it must not outlive the text.
  if (con_ != nullptr) con_->setPressKeyText(nullptr);
}

void zoxexec::closeFile() {
  std::FILE* f = file_;
  file_ = nullptr;
  if (f != nullptr) std::fclose(f);
}

void zoxexec::closeFileOnStop() {
  std::FILE* f = file_;
  file_ = nullptr;
  if (f != nullptr) ::close(fileno(f));
}

void zoxexec::clearRunData() {
  operands_ = Operands{};
  title_.reset();
  choicePrompt_.reset();
  commandPrompt_.reset();
  numberPrompt_.reset();
  for (Text& m : messages_) m.reset();
  colours_.fill(0);
  defaultColours_.fill(0);
  statusLineCount_ = 0;
  initOffset_ = inventoryOffset_ = statusOffset_ = 0;
  startRoom_ = 1;
  resources_.clear();
  for (Text& t : roomTexts_) t.reset();
  roomTextsSet_ = false;
  for (Text& t : initTexts_) t.reset();
  for (Text& t : snapshot_) t.reset();
  numbers_.fill(0);
  flags_.fill(0);
  roomInfo_.reset();
  inputBuffer_.fill(0);
  descriptionBuffer_.fill(0);
  words_.clear();
  wordCount_ = 0;
}

void zoxexec::setDefaults() {
  title_ = std::string(texts::kDefaultTitle);
  choicePrompt_ = std::string(texts::kChoicePrompt);
  commandPrompt_ = std::string(texts::kCommandPrompt);
  numberPrompt_ = std::string(texts::kNumberPrompt);
  messages_[0].reset();
  for (int n = 1; n < kMessageSlots; ++n) {
    if (texts::messageHasDefault(n)) {
      messages_[n] = std::string(texts::kDefaultMessages[n]);
    } else {
      messages_[n].reset();
    }
  }
  startRoom_ = 1;
  for (int c = 0; c < kColourSettings; ++c) {
    colours_[c] = defaultColours_[c] = (c % 2 == 0) ? 7 : 0;  // light grey on black
  }
  statusLineCount_ = 0;
  con_->setColour(kSlotScreen, 7, 0);
  con_->setColour(kSlotInput, colours_[kInputColour], colours_[kInputBackground]);
  con_->setColour(kSlotText, colours_[kTextColour], colours_[kTextBackground]);
  con_->setColour(kSlotTitle, colours_[kTitleColour], colours_[kTitleBackground]);
  con_->setColour(kSlotStatus, colours_[kStatusColour], colours_[kStatusBackground]);
  con_->setPressKeyText(&messages_[18]);
  std::srand(static_cast<unsigned>(std::time(nullptr)));
}

void zoxexec::applyColours() {
  con_->setColour(kSlotScreen, colours_[kScreenColour], colours_[kScreenBackground]);
  con_->setColour(kSlotInput, colours_[kInputColour], colours_[kInputBackground]);
  con_->setColour(kSlotText, colours_[kTextColour], colours_[kTextBackground]);
  con_->setColour(kSlotTitle, colours_[kTitleColour], colours_[kTitleBackground]);
  con_->setColour(kSlotStatus, colours_[kStatusColour], colours_[kStatusBackground]);
}

}  // namespace zox
