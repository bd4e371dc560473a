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
  resetFrom(vs, rows, cols);
}

void PageKeeper::resetFrom(VTermScreen* vs, int rows, int cols) {
  rows_ = std::max(rows, 0);
  cols_ = std::max(cols, 0);
  cells_.assign(static_cast<size_t>(rows_), std::vector<std::string>(static_cast<size_t>(cols_)));
  dirty_.assign(static_cast<size_t>(rows_), false);
  for (int r = 0; r < rows_; ++r) copyFrom(vs, r, 0, cols_);
}

void PageKeeper::resized(VTermScreen* vs, int rows, int cols) {
  if (!on_) return;
  pageBreak();
  resetFrom(vs, rows, cols);
}

// A row is dirty once a cell of it shows new text; erasing alone leaves nothing to keep.
void PageKeeper::copyFrom(VTermScreen* vs, int r, int startCol, int endCol) {
  std::vector<std::string>& row = cells_[static_cast<size_t>(r)];
  for (int col = startCol; col < endCol; ++col) {
    std::string text = cellText(vs, r, col, kRightHalf);
    std::string& mine = row[static_cast<size_t>(col)];
    if (text == mine) continue;
    if (!text.empty() && text != kRightHalf) dirty_[static_cast<size_t>(r)] = true;
    mine = std::move(text);
  }
}

std::string PageKeeper::rowText(int r) const {
  std::string out;
  for (const std::string& c : cells_[static_cast<size_t>(r)]) {
    if (c == kRightHalf) continue;
    out += c.empty() ? std::string(" ") : c;
  }
  out.erase(out.find_last_not_of(' ') + 1);
  return out;
}

bool PageKeeper::rowBlank(int r) const {
  const std::vector<std::string>& row = cells_[static_cast<size_t>(r)];
  return std::all_of(row.begin(), row.end(),
                     [](const std::string& c) { return c.empty() || c == kRightHalf; });
}

void PageKeeper::changed(VTermScreen* vs, VTermRect rect) {
  if (!on_) return;
  // A rectangle libvterm reports while it changes size may not fit the copy yet.
  rect.start_row = std::max(rect.start_row, 0);
  rect.start_col = std::max(rect.start_col, 0);
  rect.end_row = std::min(rect.end_row, rows_);
  rect.end_col = std::min(rect.end_col, cols_);
  if (rect.start_row >= rect.end_row || rect.start_col >= rect.end_col) return;
  const bool fullWidth = rect.start_col == 0 && rect.end_col == cols_;
  const bool wholeScreen = fullWidth && rect.start_row == 0 && rect.end_row == rows_;
  bool loses = false;
  for (int r = rect.start_row; r < rect.end_row && !loses; ++r) {
    if (!dirty_[static_cast<size_t>(r)] || rowBlank(r)) continue;
    // The whole screen at once is a clear, a reset or a switch of screens: a new page. A row
    // erased whole loses its text.
    if (wholeScreen) {
      loses = true;
      break;
    }
    if (!fullWidth) continue;
    bool nowBlank = true;
    for (int col = 0; col < cols_ && nowBlank; ++col) {
      nowBlank = cellText(vs, r, col, kRightHalf).empty();
    }
    loses = nowBlank;
  }
  if (loses) pageBreak();
  for (int r = rect.start_row; r < rect.end_row; ++r) copyFrom(vs, r, rect.start_col, rect.end_col);
}

void PageKeeper::moved(VTermRect dest, VTermRect src) {
  if (!on_) return;
  const int height = dest.end_row - dest.start_row;
  const int width = dest.end_col - dest.start_col;
  if (height <= 0 || width <= 0 || src.end_row - src.start_row != height ||
      src.end_col - src.start_col != width || src.start_row < 0 || dest.start_row < 0 ||
      src.start_col < 0 || dest.start_col < 0 || std::max(src.end_row, dest.end_row) > rows_ ||
      std::max(src.end_col, dest.end_col) > cols_) {
    return;
  }
  // Rows that a vertical move of whole rows pushes out keep their unkept text for the next
  // page: those at the top of a scroll up, those at the bottom of a scroll down.
  const int shift = src.start_row - dest.start_row;
  if (shift != 0 && dest.start_col == 0 && dest.end_col == cols_) {
    const int first = shift > 0 ? dest.start_row : src.end_row;
    const int last = shift > 0 ? src.start_row : dest.end_row;  // exclusive
    for (int r = first; r < last; ++r) {
      if (dirty_[static_cast<size_t>(r)] && !rowBlank(r)) scrolledOff_.push_back(rowText(r));
    }
  }
  // Copy through a buffer: source and destination overlap.
  std::vector<std::vector<std::string>> block(static_cast<size_t>(height));
  std::vector<bool> blockDirty(static_cast<size_t>(height));
  for (int i = 0; i < height; ++i) {
    const auto& row = cells_[static_cast<size_t>(src.start_row + i)];
    block[static_cast<size_t>(i)].assign(row.begin() + src.start_col, row.begin() + src.end_col);
    blockDirty[static_cast<size_t>(i)] = dirty_[static_cast<size_t>(src.start_row + i)];
  }
  // What the move leaves behind is erased by libvterm next; blank it here already, so that the
  // erase is not taken for lost text.
  for (int r = src.start_row; r < src.end_row; ++r) {
    auto& row = cells_[static_cast<size_t>(r)];
    std::fill(row.begin() + src.start_col, row.begin() + src.end_col, std::string());
    if (shift != 0 && width == cols_) dirty_[static_cast<size_t>(r)] = false;
  }
  for (int i = 0; i < height; ++i) {
    auto& row = cells_[static_cast<size_t>(dest.start_row + i)];
    std::copy(block[static_cast<size_t>(i)].begin(), block[static_cast<size_t>(i)].end(),
              row.begin() + dest.start_col);
    if (shift != 0 && width == cols_) {
      dirty_[static_cast<size_t>(dest.start_row + i)] = blockDirty[static_cast<size_t>(i)];
    } else if (blockDirty[static_cast<size_t>(i)]) {
      dirty_[static_cast<size_t>(dest.start_row + i)] = true;
    }
  }
}

void PageKeeper::pageBreak() {
  if (!on_) return;
  const bool changed =
      !scrolledOff_.empty() || std::find(dirty_.begin(), dirty_.end(), true) != dirty_.end();
  if (!changed) return;
  std::string page;
  for (const std::string& line : scrolledOff_) page += line + "\n";
  std::string rows;
  for (int r = 0; r < rows_; ++r) rows += rowText(r) + "\n";
  rows.erase(rows.find_last_not_of('\n') + 1);  // trailing empty rows
  if (!rows.empty()) page += rows + "\n";
  if (page.find_first_not_of(" \n") != std::string::npos) pages_.push_back(page);
  scrolledOff_.clear();
  std::fill(dirty_.begin(), dirty_.end(), false);
}

std::vector<std::string> PageKeeper::take() {
  std::vector<std::string> out;
  out.swap(pages_);
  return out;
}

// ---------------------------------------------------------------------------------------------
// Screen: pages

void Screen::keepPages() {
  refresh();  // what the program has shown so far goes on the first page
  if (!impl_->pages.on()) impl_->pages.start(impl_->vs, rows_, cols_);
}

void Screen::pageBreak() {
  refresh();
  impl_->pages.pageBreak();
}

std::vector<std::string> Screen::takePages() {
  refresh();
  return impl_->pages.take();
}

}  // namespace zoxtest
