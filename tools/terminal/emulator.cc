// The emulator side of the virtual terminal: libvterm's screen, what it shows (cells, rows,
// the cursor, a dump for messages), the keys a real xterm sends, and the pages kept for a
// transcript.
#include "tools/terminal/emulator.h"

#include <string.h>

#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace zoxtest {

namespace {

int colorValue(const VTermColor& c, bool foreground) {
  if (foreground ? VTERM_COLOR_IS_DEFAULT_FG(&c) : VTERM_COLOR_IS_DEFAULT_BG(&c)) {
    return kDefaultColor;
  }
  if (VTERM_COLOR_IS_INDEXED(&c)) return c.indexed.idx;
  return rgb(c.rgb.red, c.rgb.green, c.rgb.blue);
}

// The last bytes of out, with escapes for what is not printable ASCII: \e, \r, \n, \xHH.
std::string escapedTail(const std::string& out, size_t count) {
  std::string r;
  if (out.size() > count) r = "...";
  for (size_t i = out.size() > count ? out.size() - count : 0; i < out.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(out[i]);
    if (c == 0x1b) {
      r += "\\e";
    } else if (c == '\r') {
      r += "\\r";
    } else if (c == '\n') {
      r += "\\n";
    } else if (c == '\\' || c == '"') {
      r += '\\';
      r += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7f) {
      r += static_cast<char>(c);
    } else {
      char hex[8];
      snprintf(hex, sizeof hex, "\\x%02X", c);
      r += hex;
    }
  }
  return r;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The emulator

Screen::Impl::Impl(int rows, int cols) {
  vt = vterm_new(rows, cols);
  if (!vt) throw std::runtime_error("cannot create the terminal emulator");
  vterm_set_utf8(vt, 1);
  vterm_output_set_callback(vt, &Impl::output, this);
  vs = vterm_obtain_screen(vt);
  state = vterm_obtain_state(vt);
  static const VTermScreenCallbacks callbacks = [] {
    VTermScreenCallbacks cb{};
    cb.settermprop = &Impl::settermprop;
    cb.damage = &Impl::damage;
    cb.moverect = &Impl::moverect;
    return cb;
  }();
  vterm_screen_set_callbacks(vs, &callbacks, this);
  vterm_screen_enable_altscreen(vs, 1);
  vterm_screen_reset(vs, 1);
}

Screen::Impl::~Impl() {
  vterm_free(vt);
}

void Screen::Impl::output(const char* s, size_t len, void* user) {
  static_cast<Impl*>(user)->replies.append(s, len);
}

int Screen::Impl::settermprop(VTermProp prop, VTermValue* val, void* user) {
  Impl* self = static_cast<Impl*>(user);
  if (prop == VTERM_PROP_ALTSCREEN) {
    self->altscreen = val->boolean;
    // libvterm has switched buffers already. Into the alternate screen, the copy still shows
    // the screen that goes; back out of it, libvterm has reported the whole screen changed,
    // which ended the page of the alternate screen and copied the normal one.
    int rows = 0, cols = 0;
    vterm_get_size(self->vt, &rows, &cols);
    self->pages.restart(self->vs, rows, cols, val->boolean);
  }
  if (prop == VTERM_PROP_CURSORVISIBLE) self->cursorVisible = val->boolean;
  return 1;
}

int Screen::Impl::damage(VTermRect rect, void* user) {
  Impl* self = static_cast<Impl*>(user);
  self->pages.changed(self->vs, rect);
  return 1;
}

int Screen::Impl::moverect(VTermRect dest, VTermRect src, void* user) {
  Impl* self = static_cast<Impl*>(user);
  if (!self->pages.on()) return 0;  // libvterm reports the destination as damaged instead
  self->pages.moved(dest, src);
  return 1;
}

// ---------------------------------------------------------------------------------------------
// Screen: keys

namespace {

// The Linux console's own keys where they differ from xterm's; it has no application mode.
const char* linuxConsoleKey(Key k) {
  switch (k) {
    case Key::Up:
      return "\x1b[A";
    case Key::Down:
      return "\x1b[B";
    case Key::Right:
      return "\x1b[C";
    case Key::Left:
      return "\x1b[D";
    case Key::Home:
      return "\x1b[1~";
    case Key::End:
      return "\x1b[4~";
    case Key::F1:
      return "\x1b[[A";
    case Key::F2:
      return "\x1b[[B";
    case Key::F3:
      return "\x1b[[C";
    case Key::F4:
      return "\x1b[[D";
    case Key::F5:
      return "\x1b[[E";
    default:
      return nullptr;
  }
}

}  // namespace

void Screen::key(Key k) {
  pump(0);  // the program may just have switched cursor-key mode
  if (const char* seq = linuxKeys_ ? linuxConsoleKey(k) : nullptr) {
    writeAll(seq);
    return;
  }
  VTermKey vk = VTERM_KEY_NONE;
  switch (k) {
    case Key::Enter:
      vk = VTERM_KEY_ENTER;
      break;
    case Key::Escape:
      vk = VTERM_KEY_ESCAPE;
      break;
    case Key::Up:
      vk = VTERM_KEY_UP;
      break;
    case Key::Down:
      vk = VTERM_KEY_DOWN;
      break;
    case Key::Left:
      vk = VTERM_KEY_LEFT;
      break;
    case Key::Right:
      vk = VTERM_KEY_RIGHT;
      break;
    case Key::Home:
      vk = VTERM_KEY_HOME;
      break;
    case Key::End:
      vk = VTERM_KEY_END;
      break;
    case Key::Delete:
      vk = VTERM_KEY_DEL;
      break;
    case Key::Backspace:
      vk = VTERM_KEY_BACKSPACE;
      break;
    case Key::Tab:
      vk = VTERM_KEY_TAB;
      break;
    case Key::PageUp:
      vk = VTERM_KEY_PAGEUP;
      break;
    case Key::PageDown:
      vk = VTERM_KEY_PAGEDOWN;
      break;
    case Key::Insert:
      vk = VTERM_KEY_INS;
      break;
    case Key::CtrlC:
      writeAll("\x03");
      return;
    default:
      vk = static_cast<VTermKey>(
          VTERM_KEY_FUNCTION(static_cast<int>(k) - static_cast<int>(Key::F1) + 1));
      break;
  }
  vterm_keyboard_key(impl_->vt, vk, VTERM_MOD_NONE);
  std::string bytes;
  bytes.swap(impl_->replies);
  writeAll(bytes);
}
Cell Screen::cell(int col, int r) {
  refresh();
  Cell out;
  if (col < 0 || col >= cols_ || r < 0 || r >= rows_) return out;
  VTermScreenCell c{};
  VTermPos pos{r, col};
  if (!vterm_screen_get_cell(impl_->vs, pos, &c)) return out;
  for (int i = 0; i < VTERM_MAX_CHARS_PER_CELL && c.chars[i] != 0; ++i) {
    if (c.chars[i] == static_cast<uint32_t>(-1)) break;  // right half of a wide character
    appendUtf8(out.text, c.chars[i]);
  }
  out.fg = colorValue(c.fg, true);
  out.bg = colorValue(c.bg, false);
  out.bold = c.attrs.bold;
  out.underline = c.attrs.underline != 0;
  out.blink = c.attrs.blink;
  out.reverse = c.attrs.reverse;
  out.width = c.width;
  return out;
}

std::string Screen::row(int r) {
  refresh();
  std::string out;
  if (r < 0 || r >= rows_) return out;
  for (int col = 0; col < cols_; ++col) {
    VTermScreenCell c{};
    if (!vterm_screen_get_cell(impl_->vs, VTermPos{r, col}, &c)) break;
    if (c.chars[0] == static_cast<uint32_t>(-1)) continue;  // right half of a wide character
    if (c.chars[0] == 0) {
      out += ' ';
      continue;
    }
    for (int i = 0; i < VTERM_MAX_CHARS_PER_CELL && c.chars[i] != 0; ++i) {
      appendUtf8(out, c.chars[i]);
    }
    if (c.width > 1) col += c.width - 1;
  }
  size_t end = out.find_last_not_of(' ');
  out.erase(end == std::string::npos ? 0 : end + 1);
  return out;
}

std::string Screen::text() {
  refresh();
  Freeze freeze(frozen_);  // one consistent picture of all rows
  std::string out;
  for (int r = 0; r < rows_; ++r) {
    if (r) out += '\n';
    out += row(r);
  }
  return out;
}

int Screen::cursorRow() {
  refresh();
  VTermPos pos{};
  vterm_state_get_cursorpos(impl_->state, &pos);
  return pos.row;
}

int Screen::cursorCol() {
  refresh();
  VTermPos pos{};
  vterm_state_get_cursorpos(impl_->state, &pos);
  return pos.col;
}

bool Screen::altScreen() {
  refresh();
  return impl_->altscreen;
}

bool Screen::cursorVisible() {
  refresh();
  return impl_->cursorVisible;
}

std::string Screen::dump() {
  refresh();
  Freeze freeze(frozen_);
  std::ostringstream s;
  s << "screen " << cols_ << "x" << rows_ << ", cursor row " << cursorRow() << " col "
    << cursorCol() << (impl_->cursorVisible ? "" : " (hidden)")
    << (impl_->altscreen ? ", alternate screen" : "");
  if (status_ != -1) {
    s << ", exited " << status_;
  } else {
    s << ", running";
  }
  s << "\n    +" << std::string(static_cast<size_t>(cols_), '-') << "+\n";
  for (int r = 0; r < rows_; ++r) {
    char num[16];
    snprintf(num, sizeof num, "%3d ", r);
    s << num << '|' << row(r) << "\n";
  }
  s << "    +" << std::string(static_cast<size_t>(cols_), '-') << "+\n";
  // What came from the program, so that a screen missing its last part shows whether the
  // bytes never came or were drawn differently.
  s << "    output: " << raw_.size() << " bytes";
  if (eof_) {
    s << ", ended by " << (eofErrno_ ? strerror(eofErrno_) : std::string("a read of 0 bytes"))
      << (eofWhileRunning_ ? ", before the program's end was seen" : "");
  } else {
    s << ", no end of output yet";
  }
  s << "; the last ones: \"" << escapedTail(raw_, kDumpTailBytes) << "\"\n";
  return s.str();
}

}  // namespace zoxtest
