// The error list: excerpts, the limit of 17, and the printed formats of the report.
#include <gtest/gtest.h>

#include <string>

#include "compiler/compiler.h"
#include "compiler/report.h"

namespace zox {
namespace {

std::string excerptOf(std::string_view text) {
  Compiler c;
  recordError(c, 21, 12, text);
  return c.errors.entries[0].excerpt;
}

TEST(CompilerErrorList, ExcerptsAreCutAfter52CharactersTo48AndDots) {
  const std::string s52(52, 'x');
  const std::string s53(53, 'y');
  const std::string s60 = "  " + std::string(58, 'z');
  const struct {
    std::string text;
    std::string excerpt;
  } cases[] = {
      {"xyzzy\n", "xyzzy"},
      {"  lead blanks stay", "  lead blanks stay"},
      {s52, s52},
      {s52 + "\n", s52},
      {s53, std::string(48, 'y') + " ..."},
      {s60, s60.substr(0, 48) + " ..."},
      {"first\nsecond", "first"},
      {std::string("nul\0after", 9), "nul"},
      {"", ""},
  };
  for (const auto& k : cases) {
    std::string got = excerptOf(k.text);
    EXPECT_EQ(got, k.excerpt) << "'" << k.text << "'";
    EXPECT_LE(got.size(), 52u);
  }
}

TEST(CompilerErrorList, HoldsSeventeenAndIgnoresTheEighteenth) {
  Compiler c;
  for (int i = 0; i < 18; ++i) {
    EXPECT_EQ(tooManyErrors(c), i >= 17);
    recordError(c, 20 + i, static_cast<unsigned>(i + 2), std::nullopt);
  }
  EXPECT_EQ(c.errors.count, 17);
  EXPECT_EQ(c.errors.last(), 36);
  EXPECT_TRUE(tooManyErrors(c));
}

std::string reported(const Compiler& c, bool fatal = false, int fatalNumber = 0) {
  GridScreen screen(nullptr);
  screen.printAt(3, 0, "> progress");
  if (fatal) {
    reportFatal(c, screen, fatalNumber, 0);
  } else {
    reportErrors(c, screen);
  }
  return screen.text();
}

TEST(CompilerErrorList, PrintsEachOfTheFourLineFormsAndTheCount) {
  Compiler c;
  recordError(c, 21, 12, std::string_view("  xyzzy"));
  recordError(c, 82, 7, std::nullopt);
  recordError(c, 33, 0, std::string_view("cellar"));
  recordError(c, 5, 0, std::nullopt);
  EXPECT_EQ(reported(c),
            "> progress\n"
            "\n"
            "Error 21 in line 00012 : '  xyzzy'\n"
            "Error 82 in line 00007 !\n"
            "Error 33 : 'cellar'\n"
            "Error 05 !\n"
            "\n"
            "04 error(s) found !\n");
}

TEST(CompilerErrorList, AFullListEndsWithTooManyErrors) {
  Compiler c;
  for (int i = 0; i < 17; ++i) recordError(c, 21, static_cast<unsigned>(i + 2), std::nullopt);
  std::string text = reported(c);
  EXPECT_NE(text.find("Error 21 in line 00018 !\n\nToo many errors !\n"), std::string::npos)
      << text;
  EXPECT_EQ(text.find("error(s) found"), std::string::npos);
}

TEST(CompilerErrorList, AFatalErrorWithAnEmptyListPrintsOnlyItsLine) {
  Compiler c;
  EXPECT_EQ(reported(c, true, 4), "> progress\n\nError 04 !\n");
  recordError(c, 20, 3, std::string_view("GO"));
  EXPECT_EQ(reported(c, true, 5),
            "> progress\n\nError 20 in line 00003 : 'GO'\n\n01 error(s) found !\n\nError 05 !\n");
}

TEST(CompilerErrorList, ControlCharactersOfAnExcerptAreShownNotSent) {
  Compiler c;
  recordError(c, 21, 2, std::string_view("a\x1b[2Jb\x01"));
  EXPECT_NE(reported(c).find("'a^[[2Jb^A'"), std::string::npos) << reported(c);
}

TEST(CompilerErrorList, TheLongestErrorLineFitsInEightyColumns) {
  // "Error 21 in line 00002 : '", 52 characters and "'" leave the last column free, so the
  // terminal does not wrap and the next error follows on the next row.
  Compiler c;
  recordError(c, 21, 2, std::string_view(std::string(60, 'w')));
  recordError(c, 22, 3, std::nullopt);
  std::string text = reported(c);
  std::string row = "Error 21 in line 00002 : '" + std::string(48, 'w') + " ...'";
  ASSERT_EQ(row.size(), 79u);
  EXPECT_NE(text.find(row + "\nError 22 in line 00003 !"), std::string::npos) << text;
}

}  // namespace
}  // namespace zox
