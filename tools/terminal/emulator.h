// Inside the virtual terminal: the libvterm screen behind Screen, and the pages it keeps.
// Only terminal.cc and emulator.cc include this.
#pragma once

#include <vterm.h>

#include <cstdint>
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
  void resized(VTermScreen* vs, int rows, int cols);
  void pageBreak();
  std::vector<std::string> take();

 private:
  // A cell of the copy: its text as UTF-8, "" when blank, kRightHalf for the right half of a
  // double-width character.
  static constexpr const char* kRightHalf = "\x01";
  std::string rowText(int r) const;
  bool rowBlank(int r) const;
  void copyFrom(VTermScreen* vs, int r, int startCol, int endCol);
  void resetFrom(VTermScreen* vs, int rows, int cols);

  bool on_ = false;
  int rows_ = 0;
  int cols_ = 0;
  std::vector<std::vector<std::string>> cells_;
  std::vector<bool> dirty_;  // the row changed since the last page
  std::vector<std::string> scrolledOff_;
  std::vector<std::string> pages_;
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
