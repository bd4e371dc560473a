// The pages the virtual terminal keeps for a transcript, driven by small shell scripts: where a
// page ends, what it holds, and that nothing is kept twice or lost.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "screen.h"

namespace zoxtest {
namespace {

// The pages so far, the last one ended now.
std::vector<ScreenPage> pagesNow(Screen& s) {
  s.pageBreak();
  return s.takePages();
}

std::string joined(const std::vector<ScreenPage>& pages) {
  std::string out;
  for (const ScreenPage& p : pages) out += (p.newText ? "== page\n" : "== notes\n") + p.text;
  return out;
}

// Runs script in a terminal of its own, keeping pages from the start; each "read x" of the
// script waits for an Enter from the test. A script that turns echo off does so before it
// prints anything: once its text is there, an Enter typed must not be echoed.
struct Paged {
  explicit Paged(const std::string& script, ScreenOptions o = {})
      : s({"/bin/sh", "-c", script}, std::move(o)) {
    s.keepPages();
  }
  // Waits for the script to read, then answers with Enter and a note.
  void answer(const std::string& note = "") {
    ASSERT_TRUE(s.waitForIdle()) << s.dump();
    if (!note.empty()) s.notePage(note);
    s.key(Key::Enter);
  }
  Screen s;
};

TEST(HarnessPages, ClearingEndsThePageAsItStoodBeforeTheFirstRowWent) {
  // The screen is cleared row by row from the top, the title row first: the page still holds
  // it, although the title was on an earlier page and its row goes before any new text does.
  Paged p(
      "stty -echo; printf 'TITLE\\nfirst text\\n'; read x; printf 'more text\\n'; read x; "
      "printf '\\033[H\\033[2K\\033[2;1H\\033[2K\\033[3;1H\\033[2K\\033[H'; printf 'after\\n'; "
      "read x");
  p.answer("[first]");
  p.answer("[second]");
  ASSERT_TRUE(p.s.waitForIdle()) << p.s.dump();
  EXPECT_EQ(joined(pagesNow(p.s)),
            "== page\nTITLE\nfirst text\n[first]\nmore text\n[second]\n"
            "== page\nafter\n");
  // Nothing new since: no page, however often asked.
  EXPECT_TRUE(pagesNow(p.s).empty());
  p.answer("[third]");
  ASSERT_TRUE(p.s.waitForExit()) << p.s.dump();
  EXPECT_EQ(joined(pagesNow(p.s)), "== notes\n[third]\n");
}

TEST(HarnessPages, WholeScreenClearsEndPagesAndEmptyScreensAreNoPages) {
  Paged p(
      "printf 'one\\n'; read x; printf '\\033[H\\033[2J'; printf '\\033[H\\033[2J'; "
      "printf 'two\\n'; read x; printf '\\033[H\\033[2J'");
  p.answer();
  p.answer();
  ASSERT_TRUE(p.s.waitForExit()) << p.s.dump();
  // The typed Enters are echoed as empty lines; "one" is kept once, the empty screen not.
  EXPECT_EQ(joined(pagesNow(p.s)), "== page\none\n== page\ntwo\n");
}

TEST(HarnessPages, RowsScrolledOffComeFirstBelowTheRowsAboveTheRegion) {
  // A title on row 1, a scrolling region of rows 2-5 with eight lines run through it, a status
  // on row 6. A note made on the row of line 2 stays after line 2 when it scrolls off.
  Paged p(
      "printf '\\033[2J\\033[1;1HTITLE\\033[6;1HSTATUS\\033[2;5r\\033[2;1H'; "
      "stty -echo; printf 'line 1\\nline 2'; read x; "
      "printf '\\nline 3\\nline 4\\nline 5\\nline 6\\nline 7\\nline 8'; read x",
      {.cols = 20, .rows = 6});
  p.answer("[at line 2]");
  p.answer("[at line 8]");
  ASSERT_TRUE(p.s.waitForExit()) << p.s.dump();
  EXPECT_EQ(joined(pagesNow(p.s)),
            "== page\nTITLE\nline 1\nline 2\n[at line 2]\nline 3\nline 4\nline 5\nline 6\n"
            "line 7\nline 8\n[at line 8]\nSTATUS\n");
}

TEST(HarnessPages, TheAlternateScreenIsAPageOfItsOwn) {
  Paged p(
      "printf 'before\\n'; tput smcup; printf '\\033[H\\033[2Jinside\\n'; read x; tput rmcup; "
      "printf 'after\\n'");
  p.answer();
  ASSERT_TRUE(p.s.waitForExit()) << p.s.dump();
  EXPECT_EQ(joined(pagesNow(p.s)), "== page\nbefore\n== page\ninside\n== page\nbefore\nafter\n");
}

TEST(HarnessPages, ARowShownTwiceAndErasedOnceLosesNothing) {
  // Scrolling by copying: the last row stands twice for a moment, then one copy is erased.
  Paged p("printf 'alpha\\nbeta\\nbeta\\033[K\\r\\033[2K'; printf 'gamma\\n'; read x",
          {.cols = 20, .rows = 6});
  p.answer();
  ASSERT_TRUE(p.s.waitForExit()) << p.s.dump();
  EXPECT_EQ(joined(pagesNow(p.s)), "== page\nalpha\nbeta\ngamma\n");
}

TEST(HarnessPages, ARowRedrawnWithTheTextItHadLosesNothingWhenErasedAgain) {
  // A status row that is erased and drawn again before every prompt, as zoxexec does: its
  // first erase ends a page, since its text was on none yet; later ones lose nothing, for the
  // text drawn again is the text that page holds. New text on the row is kept as before.
  Paged p(
      "stty -echo; printf '\\033[2J\\033[6;1HSTATUS 1\\033[1;1Hline 1'; read x; "
      "printf '\\033[6;1H\\033[2KSTATUS 1\\033[2;1Hline 2'; read x; "
      "printf '\\033[6;1H\\033[2KSTATUS 1\\033[3;1Hline 3'; read x; "
      "printf '\\033[6;1H\\033[2KSTATUS 2\\033[4;1Hline 4'; read x; "
      "printf '\\033[6;1H\\033[2KSTATUS 2\\033[5;1Hline 5'; read x",
      {.cols = 20, .rows = 6});
  for (int i = 0; i < 5; ++i) p.answer();
  ASSERT_TRUE(p.s.waitForExit()) << p.s.dump();
  EXPECT_EQ(joined(pagesNow(p.s)),
            "== page\nline 1\n\n\n\n\nSTATUS 1\n"
            "== page\nline 1\nline 2\nline 3\nline 4\n\nSTATUS 2\n"
            "== page\nline 1\nline 2\nline 3\nline 4\nline 5\nSTATUS 2\n");
}

TEST(HarnessPages, ResizeEndsAPageAndKeepsPagesOnlyOnceAsked) {
  Paged p("printf 'small screen\\n'; read x; printf 'large screen\\n'; read x");
  ASSERT_TRUE(p.s.waitForIdle()) << p.s.dump();
  p.s.resize(100, 30);
  p.s.key(Key::Enter);  // the shell draws nothing on a resize, so it is never seen idle again
  ASSERT_TRUE(p.s.waitForText("large screen")) << p.s.dump();
  p.answer();
  ASSERT_TRUE(p.s.waitForExit()) << p.s.dump();
  // The rows the resize kept are on the second page, but they do not make one of their own.
  EXPECT_EQ(joined(pagesNow(p.s)),
            "== page\nsmall screen\n== page\nsmall screen\n\nlarge screen\n");
  p.s.resize(90, 28);  // the same rows again: no new page
  EXPECT_TRUE(pagesNow(p.s).empty());

  // Without keepPages() nothing is kept.
  Screen plain({"/bin/sh", "-c", "printf 'x\\n'; printf '\\033[2J'"});
  ASSERT_TRUE(plain.waitForExit()) << plain.dump();
  EXPECT_TRUE(pagesNow(plain).empty());
}

TEST(HarnessScreen, StartErrorTellsWhyTheProgramDidNotStart) {
  Screen missing({"/nonexistent/zox-program"});
  EXPECT_EQ(missing.startError(), ENOENT);
  ASSERT_TRUE(missing.waitForExit()) << missing.dump();
  EXPECT_EQ(missing.exitStatus(), 127);
  Screen badDir({"/bin/true"}, {.cwd = "/nonexistent-dir"});
  EXPECT_EQ(badDir.startError(), ENOENT);
  Screen fine({"/bin/sh", "-c", "read x"});
  EXPECT_EQ(fine.startError(), 0);
  EXPECT_TRUE(fine.canSeeIdle());
  EXPECT_TRUE(fine.waitForIdle()) << fine.dump();
}

}  // namespace
}  // namespace zoxtest
