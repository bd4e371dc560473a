// The choice menu of CHOOSE: up to 16 entries, one marked, moved with the cursor keys and
// accepted with Return; '?' for help, 'R' to restart and Esc to leave, each after a question.
#include <array>
#include <cstdlib>
#include <new>

#include "executor/engine.h"
#include "executor/errors.h"
#include "executor/texts.h"

namespace zox {
namespace {

MaybeText view(const Text& text) {
  return text ? MaybeText(*text) : std::nullopt;
}

// The result line keeps to one screen row: a longer one is cut and marked.
constexpr size_t kResultWidth = 80;
constexpr size_t kResultCut = 74;

}  // namespace

class ChoiceMenu {
 public:
  ChoiceMenu(zoxexec& engine, Console& console) : e_(engine), con_(console) {}
  int run(bool randomOrder);

 private:
  int drawFull();
  int drawAgainBelow();
  void drawInPlace();
  int accept();
  std::string entryLine(const char* mark, int p) const { return mark + **texts_[p]; }

  zoxexec& e_;
  Console& con_;
  int count_ = 0;
  std::array<uint8_t, zoxexec::kChoiceListSize> order_{};
  std::array<const Text*, zoxexec::kChoiceListSize> texts_{};
  std::array<int, zoxexec::kChoiceListSize> rows_{};  // counted from the menu's first row
  int mark_ = 0;
  int previous_ = 0;
  bool inPlace_ = false;      // the whole menu is on screen: a move redraws two rows
  bool layoutNeeded_ = true;  // decide inPlace_ at the next full draw
  int firstRow_ = 0;
};

int ChoiceMenu::run(bool randomOrder) {
  const zoxexec::Operands& o = e_.operands_;
  count_ = o.valueByte;
  if (count_ == 0 || count_ > zoxexec::kChoiceListSize) return kErrChoiceCount;

  // Random order draws the entries one by one from a pool without putting them back.
  std::array<uint8_t, zoxexec::kChoiceListSize> pool{};
  for (int p = 0; p < count_; ++p) order_[p] = pool[p] = static_cast<uint8_t>(p);
  if (randomOrder) {
    for (int p = 0; p < count_; ++p) {
      const int r = std::rand() % (count_ - p);
      order_[p] = pool[r];
      for (int q = r; q + 1 < count_ - p; ++q) pool[q] = pool[q + 1];
    }
  }
  for (int p = 0; p < count_; ++p) {
    const int entry = order_[p];
    const bool fromInit = (o.listMask >> entry) & 1;
    texts_[p] = fromInit ? &e_.initTexts_[o.list[entry]] : &e_.roomTexts_[o.list[entry]];
  }

  mark_ = previous_ = 0;
  con_.resetLineCount();
  if (int r = drawFull()) return r;

  static constexpr int kKeys[] = {kKeyUp, kKeyDown, kKeyEscape, '?', 'R', kKeyReturn, 0};
  enum { kUp, kDown, kEscape, kHelp, kRestart, kReturn };
  const auto& messages = e_.messages_;
  for (;;) {
    int r = 0;
    const int key = con_.waitForKeyOf(kSlotText, kKeys);
    switch (key) {
      case kUp:
      case kDown: {
        // At either end the key is ignored and nothing is drawn.
        const int to = mark_ + (key == kUp ? -1 : 1);
        if (to < 0 || to >= count_) break;
        previous_ = mark_;
        mark_ = to;
        if (inPlace_) {
          drawInPlace();
        } else {
          con_.printChar(kSlotScreen, '\n', 1);
          r = drawFull();
        }
        break;
      }
      case kEscape:
        con_.printText(kSlotText, view(messages[3]), 0);
        con_.printText(kSlotScreen, "\n\n", 0);
        con_.printText(kSlotScreen, view(messages[7]), 0);
        if (e_.waitForYes(kSlotScreen)) {
          con_.printChar(kSlotScreen, '\n', 0);
          return -2;
        }
        con_.printChar(kSlotScreen, '\n', 0);
        r = drawAgainBelow();
        break;
      case kHelp:
        if (messages[19]) {
          con_.printChar(kSlotText, '\n', 0);
          con_.printText(kSlotScreen, *messages[19], 1);
          con_.printChar(kSlotScreen, '\n', 1);
        } else {
          con_.printText(kSlotScreen, "\n\n", 0);
          for (std::string_view line : texts::kMenuHelp) con_.printText(kSlotScreen, line, 1);
        }
        r = drawAgainBelow();
        break;
      case kRestart:
        con_.printText(kSlotText, " (", 0);
        con_.printText(kSlotText, view(messages[17]), 0);
        con_.printText(kSlotText, ")\n", 0);
        con_.printChar(kSlotScreen, '\n', 0);
        con_.printText(kSlotScreen, view(messages[7]), 0);
        if (e_.waitForYes(kSlotScreen)) {
          con_.printChar(kSlotScreen, '\n', 0);
          r = e_.restart();
          return r != 0 ? r : -1;
        }
        con_.printChar(kSlotScreen, '\n', 0);
        r = drawAgainBelow();
        break;
      case kReturn:
        return accept();
      default:
        break;
    }
    if (r != 0) return r;
  }
}

int ChoiceMenu::drawFull() {
  con_.hideCursor();
  for (int p = 0; p < count_; ++p) {
    if (!*texts_[p]) {
      con_.showCursor();
      return kErrAbsentText;
    }
    rows_[p] = con_.lineCount() + 1;
    if (p == mark_) {
      con_.printText(kSlotInput, entryLine("\n> ", p), 1);
    } else {
      con_.printText(kSlotText, entryLine("\n* ", p), 1);
    }
  }
  con_.printChar(kSlotText, '\n', 1);
  con_.printChar(kSlotText, '\n', 0);
  con_.printText(kSlotText, view(e_.choicePrompt_), 0);
  if (layoutNeeded_) {
    // The menu's rows and the prompt row must all be in the text area.
    const int lines = con_.lineCount();
    const int height = kScreenRows - con_.topReserved() - con_.bottomReserved();
    firstRow_ = con_.getPosition().y - (lines + 1);
    inPlace_ = lines >= 0 && lines + 1 < height && firstRow_ >= 0;
    layoutNeeded_ = false;
  }
  con_.showCursor();
  return 0;
}

// After Esc, '?' or a declined restart the menu is drawn anew below what was printed.
int ChoiceMenu::drawAgainBelow() {
  con_.resetLineCount();
  layoutNeeded_ = true;
  inPlace_ = false;
  return drawFull();
}

void ChoiceMenu::drawInPlace() {
  con_.hideCursor();
  const Console::Position at = con_.getPosition();
  con_.moveTo(0, firstRow_ + rows_[mark_]);
  con_.printText(kSlotInput, entryLine("> ", mark_), 0);
  con_.moveTo(0, firstRow_ + rows_[previous_]);
  con_.printText(kSlotText, entryLine("* ", previous_), 0);
  con_.moveTo(at.x, at.y);
  con_.showCursor();
}

// Return: the marked entry loses its mark, and the prompt row becomes the result line.
int ChoiceMenu::accept() {
  if (inPlace_) {
    const Console::Position at = con_.getPosition();
    con_.moveTo(0, firstRow_ + rows_[mark_]);
    con_.printText(kSlotText, entryLine("* ", mark_), 0);
    con_.moveTo(at.x, at.y);
  }
  std::string line = entryLine("> ", mark_);
  if (line.size() + 3 > kResultWidth) {
    line.resize(kResultCut);
    line += "... <";
  } else {
    line += " <";
  }
  con_.moveTo(0, con_.getPosition().y);
  con_.useColour(kSlotInput);
  con_.printText(kSlotInput, line, 0);
  e_.choiceResult_ = static_cast<uint8_t>(order_[mark_] + 1);
  return 0;
}

int zoxexec::runChoiceMenu(bool randomOrder) {
  choiceResult_ = 0;
  ChoiceMenu menu(*this, *con_);
  try {
    return menu.run(randomOrder);
  } catch (const std::bad_alloc&) {
    return kErrNoMemory;
  }
}

}  // namespace zox
