// Inside the virtual terminal: the libvterm screen behind Screen, and the pages it keeps.
// Only terminal.cc and emulator.cc include this.
#pragma once

#include <vterm.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/terminal/terminal.h"

namespace zoxtest {

// One code point as UTF-8.
inline void appendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x110000) {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// While set, reading the screen does not take in new output: a condition made of several reads
// then sees one picture, and output read in the middle of it cannot go unnoticed by the wait.
class Freeze {
 public:
  explicit Freeze(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
  ~Freeze() { flag_ = old_; }

 private:
  bool& flag_;
  bool old_;
};

// What has been shown since the last page: a copy of the screen's text that follows libvterm's
// changes one step behind, so that when text is about to be lost (cleared, erased, scrolled
// off) the copy still holds it.
class PageKeeper {
 public:
  bool on() const { return on_; }
  void start(VTermScreen* vs, int rows, int cols);
  // libvterm has changed the cells of rect (the copy has not yet).
  void changed(VTermScreen* vs, VTermRect rect);
  // libvterm moves the cells of src to dest (a scroll, inserted or deleted lines or chars).
  void moved(VTermRect dest, VTermRect src);
  // The screen has a new size or another buffer: the copy starts again, after the page ends
  // if pageEnds.
  void restart(VTermScreen* vs, int rows, int cols, bool pageEnds);
  // A note goes after the row it was made on (the cursor's), wherever that row ends up.
  void note(int row, std::string line);
  void pageBreak();
  std::vector<ScreenPage> take();

 private:
  struct Row {
    // The text of each cell as UTF-8, "" when blank, kRightHalf for the right half of a
    // double-width character.
    std::vector<std::string> cells;
    bool dirty = false;  // shows text that no page holds yet
    std::string kept;    // the text the last page held on this row
    std::vector<std::string> notes;
  };
  static constexpr const char* kRightHalf = "\x01";
  static std::string text(const Row& row);
  static bool blank(const Row& row);
  void copyFrom(VTermScreen* vs, int r, int startCol, int endCol);
  std::string compose() const;
  void emitNotes(std::vector<std::string>& notes);

  bool on_ = false;
  int cols_ = 0;
  std::vector<Row> rows_;
  std::vector<std::string> scrolledOff_;  // rows and notes that left the screen, in order
  int scrollTop_ = -1;                    // the highest row they left from
  std::vector<std::string> looseNotes_;   // of rows erased since the last page
  // The page as it stood when rows with text began to go blank, until new text comes.
  std::optional<std::string> before_;
  std::vector<ScreenPage> pages_;
};

struct Screen::Impl {
  VTerm* vt = nullptr;
  VTermScreen* vs = nullptr;
  VTermState* state = nullptr;
  std::string replies;  // what the terminal says back (query answers, keys), not yet written
  bool altscreen = false;
  bool cursorVisible = true;
  PageKeeper pages;

  Impl(int rows, int cols);
  ~Impl();
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

 private:
  static void output(const char* s, size_t len, void* user);
  static int settermprop(VTermProp prop, VTermValue* val, void* user);
  static int damage(VTermRect rect, void* user);
  static int moverect(VTermRect dest, VTermRect src, void* user);
};

}  // namespace zoxtest
