// The pages of a transcript: a copy of the screen's text, one step behind libvterm, cut into
// pages whenever what stands on the screen is about to go.
#include <algorithm>

#include "tools/terminal/emulator.h"

namespace zoxtest {

namespace {

// The text of one of libvterm's cells: "" for a blank, a lone space counts as blank too.
std::string cellText(VTermScreen* vs, int row, int col, const char* rightHalf) {
  VTermScreenCell c{};
  std::string out;
  if (!vterm_screen_get_cell(vs, VTermPos{row, col}, &c)) return out;
  if (c.chars[0] == static_cast<uint32_t>(-1)) return rightHalf;
  for (int i = 0; i < VTERM_MAX_CHARS_PER_CELL && c.chars[i] != 0; ++i) {
    appendUtf8(out, c.chars[i]);
  }
  if (out == " ") out.clear();
  return out;
}

}  // namespace

void PageKeeper::start(VTermScreen* vs, int rows, int cols) {
  on_ = true;
  restart(vs, rows, cols, true);
}

void PageKeeper::restart(VTermScreen* vs, int rows, int cols, bool pageEnds) {
  if (!on_) return;
  if (pageEnds) pageBreak();
  std::vector<std::string> notes;
  for (Row& row : rows_) notes.insert(notes.end(), row.notes.begin(), row.notes.end());
  if (!notes.empty()) emitNotes(notes);
  // Rows that show what they showed before are nothing new (a resize keeps most of them).
  std::vector<std::string> before;
  for (const Row& row : rows_) before.push_back(row.dirty ? std::string("\x01") : text(row));
  cols_ = std::max(cols, 0);
  rows_.assign(static_cast<size_t>(std::max(rows, 0)), Row{});
  for (Row& row : rows_) row.cells.resize(static_cast<size_t>(cols_));
  for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
    copyFrom(vs, r, 0, cols_);
    Row& row = rows_[static_cast<size_t>(r)];
    if (static_cast<size_t>(r) < before.size() && before[static_cast<size_t>(r)] == text(row)) {
      row.dirty = false;
      row.kept = text(row);
    }
  }
  before_.reset();
}

// A row is dirty once a cell of it shows new text; erasing alone leaves nothing to keep, and
// a row drawn again with the text the last page holds for it (a status row erased and redrawn
// before each prompt) shows nothing new.
void PageKeeper::copyFrom(VTermScreen* vs, int r, int startCol, int endCol) {
  Row& row = rows_[static_cast<size_t>(r)];
  bool drawn = false;
  for (int col = startCol; col < endCol; ++col) {
    std::string now = cellText(vs, r, col, kRightHalf);
    std::string& mine = row.cells[static_cast<size_t>(col)];
    if (now == mine) continue;
    if (!now.empty() && now != kRightHalf) {
      drawn = true;
      before_.reset();  // new text: the screen is no longer being cleared
    }
    mine = std::move(now);
  }
  if (drawn) row.dirty = text(row) != row.kept;
}

std::string PageKeeper::text(const Row& row) {
  std::string out;
  for (const std::string& c : row.cells) {
    if (c == kRightHalf) continue;
    out += c.empty() ? std::string(" ") : c;
  }
  out.erase(out.find_last_not_of(' ') + 1);
  return out;
}

bool PageKeeper::blank(const Row& row) {
  return std::all_of(row.cells.begin(), row.cells.end(),
                     [](const std::string& c) { return c.empty() || c == kRightHalf; });
}

void PageKeeper::note(int row, std::string line) {
  if (!on_) return;
  before_.reset();
  if (row >= 0 && row < static_cast<int>(rows_.size())) {
    // On an empty row (the cursor below the last text) the note follows the text above it.
    while (row > 0 && blank(rows_[static_cast<size_t>(row)])) --row;
    rows_[static_cast<size_t>(row)].notes.push_back(std::move(line));
  } else {
    looseNotes_.push_back(std::move(line));
  }
}

void PageKeeper::emitNotes(std::vector<std::string>& notes) {
  looseNotes_.insert(looseNotes_.end(), notes.begin(), notes.end());
  notes.clear();
}

void PageKeeper::changed(VTermScreen* vs, VTermRect rect) {
  if (!on_) return;
  // A rectangle libvterm reports while it changes size may not fit the copy yet.
  const int rows = static_cast<int>(rows_.size());
  rect.start_row = std::max(rect.start_row, 0);
  rect.start_col = std::max(rect.start_col, 0);
  rect.end_row = std::min(rect.end_row, rows);
  rect.end_col = std::min(rect.end_col, cols_);
  if (rect.start_row >= rect.end_row || rect.start_col >= rect.end_col) return;
  const bool wholeScreen =
      rect.start_col == 0 && rect.end_col == cols_ && rect.start_row == 0 && rect.end_row == rows;
  auto blankNow = [&](int r) {
    for (int col = 0; col < cols_; ++col) {
      if (!cellText(vs, r, col, kRightHalf).empty()) return false;
    }
    return true;
  };
  // Rows with text that go blank are being erased: a screen being cleared row by row, say.
  // The page is the screen as it stood before the first of them went, and it is due once a
  // row goes that holds text no page has. The whole screen changed at once is a clear, a reset
  // or a switch of screens: a page is due if any row holds such text.
  // A row whose text stands on another row too loses nothing: a program that scrolls by
  // copying rows shows the last one twice for a moment, and then erases one of them.
  auto shownElsewhere = [&](int r) {
    const std::string mine = text(rows_[static_cast<size_t>(r)]);
    if (!scrolledOff_.empty() && scrolledOff_.back() == mine) return true;
    for (int other = 0; other < rows; ++other) {
      if (other != r && text(rows_[static_cast<size_t>(other)]) == mine) return true;
    }
    return false;
  };
  bool loses = false;
  for (int r = rect.start_row; r < rect.end_row; ++r) {
    Row& row = rows_[static_cast<size_t>(r)];
    if (blank(row)) continue;
    const bool erased = blankNow(r);
    if (erased && !before_) before_ = compose();
    if (row.dirty && (wholeScreen || (erased && !shownElsewhere(r)))) loses = true;
  }
  if (loses) pageBreak();
  for (int r = rect.start_row; r < rect.end_row; ++r) {
    Row& row = rows_[static_cast<size_t>(r)];
    if (!row.notes.empty() && blankNow(r)) emitNotes(row.notes);
    copyFrom(vs, r, rect.start_col, rect.end_col);
  }
}

void PageKeeper::moved(VTermRect dest, VTermRect src) {
  if (!on_) return;
  const int rows = static_cast<int>(rows_.size());
  const int height = dest.end_row - dest.start_row;
  const int width = dest.end_col - dest.start_col;
  if (height <= 0 || width <= 0 || src.end_row - src.start_row != height ||
      src.end_col - src.start_col != width || std::min({src.start_row, dest.start_row}) < 0 ||
      std::min({src.start_col, dest.start_col}) < 0 || std::max(src.end_row, dest.end_row) > rows ||
      std::max(src.end_col, dest.end_col) > cols_) {
    return;
  }
  const int shift = src.start_row - dest.start_row;
  if (shift != 0 && width == cols_) {
    // Whole rows move up or down. Those pushed out (at the top of a scroll up, at the bottom
    // of a scroll down) keep their unkept text and their notes for the next page; what the
    // move leaves behind is blank (libvterm erases it next, and that is no loss).
    const int first = shift > 0 ? dest.start_row : src.end_row;
    const int last = shift > 0 ? src.start_row : dest.end_row;  // exclusive
    for (int r = first; r < last; ++r) {
      Row& row = rows_[static_cast<size_t>(r)];
      if (row.dirty && !blank(row)) scrolledOff_.push_back(text(row));
      scrolledOff_.insert(scrolledOff_.end(), row.notes.begin(), row.notes.end());
    }
    if (shift > 0 && (scrollTop_ < 0 || dest.start_row < scrollTop_)) scrollTop_ = dest.start_row;
    before_.reset();
    std::vector<Row> block(rows_.begin() + src.start_row, rows_.begin() + src.end_row);
    for (int r = src.start_row; r < src.end_row; ++r) {
      Row& row = rows_[static_cast<size_t>(r)];
      row.notes.clear();
      row.dirty = false;
      row.kept.clear();
      std::fill(row.cells.begin(), row.cells.end(), std::string());
    }
    std::move(block.begin(), block.end(), rows_.begin() + dest.start_row);
    return;
  }
  // Cells move within rows (inserted or deleted characters): the text moves, notes stay.
  std::vector<std::vector<std::string>> block(static_cast<size_t>(height));
  for (int i = 0; i < height; ++i) {
    const auto& cells = rows_[static_cast<size_t>(src.start_row + i)].cells;
    block[static_cast<size_t>(i)].assign(cells.begin() + src.start_col,
                                         cells.begin() + src.end_col);
  }
  for (int r = src.start_row; r < src.end_row; ++r) {
    auto& cells = rows_[static_cast<size_t>(r)].cells;
    std::fill(cells.begin() + src.start_col, cells.begin() + src.end_col, std::string());
  }
  for (int i = 0; i < height; ++i) {
    Row& row = rows_[static_cast<size_t>(dest.start_row + i)];
    std::move(block[static_cast<size_t>(i)].begin(), block[static_cast<size_t>(i)].end(),
              row.cells.begin() + dest.start_col);
  }
}

// The page the copy shows now: the rows down to the last one with text or notes, each row's
// notes after it; the rows that scrolled off go where they left, below the rows that stayed in
// place above the scrolling region.
std::string PageKeeper::compose() const {
  std::string text;
  int last = static_cast<int>(rows_.size()) - 1;
  while (last >= 0 && blank(rows_[static_cast<size_t>(last)]) &&
         rows_[static_cast<size_t>(last)].notes.empty()) {
    --last;
  }
  const int top = scrollTop_ < 0 ? 0 : std::min(scrollTop_, last + 1);
  for (int r = 0; r <= last; ++r) {
    if (r == top) {
      for (const std::string& line : scrolledOff_) text += line + "\n";
    }
    const Row& row = rows_[static_cast<size_t>(r)];
    text += PageKeeper::text(row) + "\n";
    for (const std::string& n : row.notes) text += n + "\n";
  }
  if (top > last) {
    for (const std::string& line : scrolledOff_) text += line + "\n";
  }
  return text;
}

void PageKeeper::pageBreak() {
  if (!on_) return;
  // Notes of rows erased since the last page belong after that page.
  if (!looseNotes_.empty()) {
    ScreenPage notes{"", false};
    for (const std::string& n : looseNotes_) notes.text += n + "\n";
    pages_.push_back(std::move(notes));
    looseNotes_.clear();
  }
  const bool changed = !scrolledOff_.empty() || std::any_of(rows_.begin(), rows_.end(),
                                                            [](const Row& r) { return r.dirty; });
  const bool noted =
      std::any_of(rows_.begin(), rows_.end(), [](const Row& r) { return !r.notes.empty(); });
  ScreenPage page;
  if (changed) {
    page.text = before_ ? *before_ : compose();
  } else if (noted) {
    page.newText = false;
    for (const Row& row : rows_) {
      for (const std::string& n : row.notes) page.text += n + "\n";
    }
  }
  for (Row& row : rows_) {
    row.dirty = false;
    row.kept = text(row);
    row.notes.clear();
  }
  scrolledOff_.clear();
  scrollTop_ = -1;
  before_.reset();
  if (page.text.empty() ||
      (page.newText && page.text.find_first_not_of(" \n") == std::string::npos)) {
    return;
  }
  pages_.push_back(std::move(page));
}

std::vector<ScreenPage> PageKeeper::take() {
  std::vector<ScreenPage> out;
  out.swap(pages_);
  return out;
}

// ---------------------------------------------------------------------------------------------
// Screen: pages

void Screen::keepPages() {
  // No output is taken in first: called right after the start, the pages miss nothing the
  // program writes. What the emulator shows already goes on the first page.
  if (!impl_->pages.on()) impl_->pages.start(impl_->vs, rows_, cols_);
}

void Screen::notePage(std::string note) {
  refresh();
  VTermPos pos{};
  vterm_state_get_cursorpos(impl_->state, &pos);
  impl_->pages.note(pos.row, std::move(note));
}

void Screen::pageBreak() {
  refresh();
  impl_->pages.pageBreak();
}

std::vector<ScreenPage> Screen::takePages() {
  refresh();
  return impl_->pages.take();
}

}  // namespace zoxtest
