// The driver in-process: output naming, the header line, line counting, the error limit, and
// sources of any shape.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <set>
#include <string>

#include "compile_helpers.h"
#include "compiler/internal.h"
#include "format/adventure_file.h"

namespace zoxtest {
namespace {

using zox::CompileOutcome;

TEST(CompilerDriver, NamesTheOutputAfterTheLastDotOfThePath) {
  const struct {
    const char* source;  // relative to the test directory
    const char* header;
    int status;
    const char* output;  // relative; "" when no output may be written
  } cases[] = {
      {"story.zox", "[ZOX \"T\"]", 8, ""},
      {"STORY.ZOX", "[ZOX \"T\"]", 8, ""},
      {"story.Zox", "[ZOX \"T\"]", 8, ""},
      {".zox", "[ZOX \"T\"]", 8, ""},
      {"story", "[ZOX \"T\"]", 0, "story.zox"},
      {"story.txt", "[ZOX \"T\"]", 0, "story.zox"},
      {"my.story/adv", "[ZOX \"T\"]", 0, "my.zox"},
      {"story.zox.txt", "[ZOX \"T\"]", 0, "story.zox.zox"},
      {"story.txt", "[ZOX \"T\" PART 3 OF 5]", 0, "story.zo1"},
      {"story.txt", "[ZOX \"T\" PART 2 OF 2]", 0, "story.zo0"},
      {"story.txt", "[ZOX \"T\" PART 11 OF 11]", 0, "story.zo9"},
      {"story", "[ZOX \"T\" PART 1 OF 4]", 0, "story.zox"},
  };
  for (const auto& k : cases) {
    TempDir dir;
    CompileOutcome out = compileText(dir, std::string(k.header) + "\n", k.source);
    EXPECT_EQ(out.status, k.status) << k.source << " " << k.header;
    if (*k.output) {
      EXPECT_EQ(out.outputPath, dir.file(k.output)) << k.source;
      EXPECT_TRUE(out.outputExists) << k.source;
    } else {
      EXPECT_FALSE(out.outputExists) << k.source;
      EXPECT_FALSE(dir.exists("story.zox.zox"));
    }
  }
}

TEST(CompilerDriver, AHeaderOnlySourceGivesACodeAreaOfTheEndMarkerAlone) {
  TempDir dir;
  CompileOutcome out = compileText(dir, "[ZOX \"My Story\" PART 1 OF 2]\n");
  ASSERT_EQ(out.status, 0) << out.report;
  EXPECT_EQ(codeArea(out), std::vector<uint8_t>{0xFF});
  std::FILE* f = std::fopen(out.outputPath.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  zox::AdventureIdentity id;
  zox::FileHeader header;
  EXPECT_EQ(zox::checkAdventureFile(f, id, &header), 0);
  std::fclose(f);
  EXPECT_EQ(header.name, "My Story");
  EXPECT_EQ(header.part, 1);
  EXPECT_EQ(header.partCount, 2);
  EXPECT_EQ(header.codeChecksum, 255u);
  EXPECT_TRUE(header.blocks.empty());
  EXPECT_EQ(out.output.size(), 7u + 8 + 1 + 2 + 4 + 1 + 4);
}

TEST(CompilerDriver, ReportsEachPassWithItsOkMark) {
  TempDir dir;
  CompileOutcome out = compileText(dir, "[ZOX \"T\"]\nREM one\n\nREM three\n");
  EXPECT_EQ(out.report,
            "ZOXCOMP - the Zox adventure compiler V0.99B1\n"
            "\n"
            "> 00004 line(s) compiled ... [OK]\n"
            "> Optimizing GO TOs      ... [OK]\n"
            "\n"
            "> Preparations done ! Use ZOXEXEC to start your adventure !\n");
}

// The counter is written every few thousand lines; the last count must still be shown.
TEST(CompilerDriver, TheLineCounterEndsAtTheLastLine) {
  TempDir dir;
  std::string source = "[ZOX \"T\"]\n";
  for (int i = 0; i < 9999; ++i) source += "REM\n";
  EXPECT_NE(compileText(dir, source).report.find("> 10000 line(s) compiled ... [OK]\n"),
            std::string::npos);
}

TEST(CompilerDriver, RefusesABadHeaderLineWithEleven) {
  const struct {
    const char* header;
    int status;
  } cases[] = {
      {"[ZOX \"Title\"]", 0},
      {"\t  [zox \"Title\"]  \t\r", 0},
      {"[VORNIK \"Title\"]", 0},
      {"ANSITEXT \"Title\"]", 0},
      {"[ZOX \"Gr\xfc\xdf Gott\"]", 0},
      {"[ZOX \"\"]", 0},
      {"[ZOX \"T\" part 2 of 3]", 0},
      {"[ZOX \"T\"PART 1 OF 1]", 0},
      {"[ZOX \"T\" PART 3OF 5]", 0},
      {"[ZOX]", 11},
      {"[ZOX\"T\"]", 11},  // the character after the keyword is passed over
      {"[ZOX \"T]", 11},
      {"[ZOX \"T\"", 11},
      {"[ZOX \"T\"] x", 11},
      {"[ZOX \"T\" ]]", 11},
      {"[ZOXX \"T\"]", 11},
      {"[ROOM \"T\"]", 11},
      {"REM [ZOX \"T\"]", 11},
      {"[ZOX \"caf\xe9\"]", 11},
      {"[ZOX \"tab\there\"]", 11},
      {"[ZOX \"T\" PART 0 OF 1]", 11},
      {"[ZOX \"T\" PART 2 OF 1]", 11},
      {"[ZOX \"T\" PART 1 OF 12]", 11},
      {"[ZOX \"T\" PART 12 OF 12]", 11},
      {"[ZOX \"T\" PART 1 OF 2 ]", 11},
      {"[ZOX \"T\" PART OF 2]", 11},
      {"[ZOX \"T\" PART3 OF 5]", 11},
      {"[ZOX \"T\" PART 1 OF]", 11},
      {"[ZOX \"T\" PART 99999999999999999999 OF 2]", 11},
      {"", 11},
  };
  for (const auto& k : cases) {
    TempDir dir;
    CompileOutcome out = compileText(dir, std::string(k.header) + "\n");
    EXPECT_EQ(out.status, k.status) << k.header;
    EXPECT_EQ(out.outputExists, k.status == 0) << k.header;
    if (k.status == 11) {
      EXPECT_NE(out.report.find("\nError 11 !"), std::string::npos);
    }
  }
}

TEST(CompilerDriver, FatalErrorsOfTheOpenStep) {
  TempDir dir;
  CompileOutcome missing = zox::compileSourceFile(dir.file("absent.adv"));
  EXPECT_EQ(missing.status, 4);
  CompileOutcome empty = compileText(dir, "");
  EXPECT_EQ(empty.status, 5);
  EXPECT_FALSE(empty.outputExists);
  ASSERT_EQ(mkdir(dir.file("folder.adv").c_str(), 0755), 0);
  EXPECT_EQ(zox::compileSourceFile(dir.file("folder.adv")).status, 4);  // not a plain file
  EXPECT_FALSE(dir.exists("folder.zox"));
  // A directory where the output belongs cannot be created, not even by root.
  ASSERT_EQ(mkdir(dir.file("story.zox").c_str(), 0755), 0);
  CompileOutcome blocked = compileText(dir, "[ZOX \"T\"]\n", "story.adv");
  EXPECT_EQ(blocked.status, 6);
  EXPECT_NE(blocked.report.find("\nError 06 !"), std::string::npos) << blocked.report;
}

TEST(CompilerDriver, ASourceInAnUnwritableDirectoryGivesSix) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into any directory";
  TempDir dir;
  dir.write("ro/story.adv", "[ZOX \"T\"]\n");
  ASSERT_EQ(chmod(dir.file("ro").c_str(), 0555), 0);
  CompileOutcome out = zox::compileSourceFile(dir.file("ro/story.adv"));
  chmod(dir.file("ro").c_str(), 0755);
  EXPECT_EQ(out.status, 6);
}

// Unknown first words (error 21) show which line number each line was given.
TEST(CompilerDriver, CountsPhysicalLinesAndPiecesOfLongLines) {
  const struct {
    std::string body;
    const char* errors;
  } cases[] = {
      {"xyzzy\nxyzzy\n", "21@2 21@3"},
      {"REM " + std::string(252, 'x') + "xyzzy " + std::string(38, 'y') + "\nxyzzy\n",
       "21@3 21@4"},  // 300 characters: read as 256 and 44, both counted
      {"REM " + std::string(252, 'x') + "\nxyzzy\n", "21@3"},       // exactly 256: one line
      {"REM " + std::string(253, 'x') + "\nxyzzy\n", "21@3 21@4"},  // 257: the "x" line is 3
      {"xyzzy / abc\nfoo\n", "21@2 21@2 21@3"},
      {"REM a / xyzzy\nxyzzy\n", "21@3"},
      {"\n\n   \t\nxyzzy\n", "21@5"},
      {"xyzzy\r\nxyzzy\r\n", "21@2 21@3"},
      {"xyzzy /\nabc", "21@2 21@3"},
      {"xyzzy", "21@2"},
      {"[ROOM a]\n(look)\nlook again: NL\nxyzzy\n", "21@5"},
      {"[ROOM a]\n(look)\nlook again: NL / CLS\nxyzzy\n", "21@5"},
      {"[ROOM a]\n(look)\nlook again: xyzzy / xyzzy\nxyzzy\n", "21@4 21@4 21@5"},
      {"[INIT]\nVAR f = TRUE\n[ROOM a]\nIF f THEN xyzzy / xyzzy\nxyzzy\n", "21@5 21@5 21@6"},
  };
  for (const auto& k : cases) {
    TempDir dir;
    CompileOutcome out = compileText(dir, withHeader(k.body));
    EXPECT_EQ(errorWords(out), k.errors) << k.body;
    EXPECT_FALSE(out.outputExists);
  }
}

TEST(CompilerDriver, TheFirstWordDecidesBetweenTwentyTwentyOneAndTwentyTwo) {
  TempDir dir;
  CompileOutcome out = compileText(
      dir, withHeader("THEN\nOTHERWISE\n[PART 2]\nxyzzy\nABCDEFGHIJKLMNOPQR\nDEFAULT\n"));
  EXPECT_EQ(errorWords(out), "20@2 20@3 20@4 21@5 22@6 20@7");
  EXPECT_EQ(out.status, 20);
  EXPECT_NE(out.report.find("\nError 21 in line 00005 : 'xyzzy'"), std::string::npos);
  EXPECT_NE(out.report.find("\n\n06 error(s) found !"), std::string::npos) << out.report;
}

TEST(CompilerDriver, StopsAtTheSeventeenthErrorWithItsNumber) {
  std::string body;
  for (int i = 0; i < 16; ++i) body += "xyzzy\n";
  body += "ABCDEFGHIJKLMNOPQR\n";  // the 17th: 22
  body += "THEN\n";                // never reached
  TempDir dir;
  CompileOutcome out = compileText(dir, withHeader(body));
  EXPECT_EQ(out.status, 22);
  EXPECT_EQ(out.errors.count, 17);
  EXPECT_FALSE(out.outputExists);
  EXPECT_NE(out.report.find("Error 22 in line 00018 : 'ABCDEFGHIJKLMNOPQR'\n\nToo many errors !"),
            std::string::npos)
      << out.report;
  // The progress line shows the last line that was compiled.
  EXPECT_NE(out.report.find("> 00018 line(s) compiled ... Please wait !"), std::string::npos)
      << out.report;
}

TEST(CompilerDriver, UnderstandsUtf8AsWellAsLatin1) {
  TempDir dir;
  CompileOutcome latin = compileText(dir, "[ZOX \"Gr\xfc\xdf\"]\n", "latin.adv");
  CompileOutcome utf8 = compileText(dir, "\xef\xbb\xbf[ZOX \"Gr\xc3\xbc\xc3\x9f\"]\n", "utf8.adv");
  ASSERT_EQ(latin.status, 0);
  ASSERT_EQ(utf8.status, 0);
  EXPECT_EQ(latin.output, utf8.output);
  // U+00E9 is folded to 0xE9, which a text may not hold.
  EXPECT_EQ(compileText(dir, "[ZOX \"caf\xc3\xa9\"]\n", "e.adv").status, 11);
  // A lone continuation byte or a sequence beyond U+00FF stays as it is, and is refused.
  EXPECT_EQ(compileText(dir, "[ZOX \"\xe2\x82\xac\"]\n", "euro.adv").status, 11);
}

// The fold moves the ASCII runs between the folded letters down in place: long runs, runs
// after several folds and text at either end must all land where they belong.
TEST(CompilerDriver, FoldsUtf8LettersInPlace) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"", ""},
      {"\xef\xbb\xbf", ""},
      {"\xef\xbb\xbf"
       "abc",
       "abc"},
      {"abc\xef\xbb\xbf", "abc\xef\xbb\xbf"},  // a mark later on is no mark
      {"\xc3\xa4", "\xe4"},
      {"0123456789abcdef\xc3\xbc"
       "0123456789abcdefg\xc3\x9f"
       "xyz",
       "0123456789abcdef\xfc"
       "0123456789abcdefg\xdf"
       "xyz"},
      {"\xc3\x84\xc3\x96\xc3\x9c long ascii run after three folds!",
       "\xc4\xd6\xdc long ascii run after three folds!"},
      {"\xc2\xa0\xc2\xbf", "\xa0\xbf"},
      {"ab\xc3", "ab\xc3"},                    // cut at the end
      {"\xc3x\xc3\xc3\xa4", "\xc3x\xc3\xe4"},  // no continuation byte after it
      {"\xe2\x82\xac and \xe4 stay", "\xe2\x82\xac and \xe4 stay"},  // not U+0080..U+00FF
  };
  for (const auto& k : cases) {
    std::string text = k.in;
    zox::foldUtf8(text);
    EXPECT_EQ(text, k.out) << k.in;
  }
}

TEST(CompilerDriver, AnyBytesAsASourceEndInAnErrorOrACompile) {
  std::mt19937 random(20240607);
  std::vector<std::string> sources = {
      std::string("\0\0\0\0", 4),
      "[ZOX \"T\"]\n" + std::string(5000, 'a') + "\n" + std::string(3000, '/') + "\n",
      "[ZOX \"T\"]\n" + std::string("\0[ROOM x]\n\0\0xyzzy", 18),
      "[ZOX \"T\"]\r\n[INIT]\r\n[ROOM a]\r\n",
      "[ZOX \"T\"]\n[INIT]",
      std::string(100000, '\n'),
      "[ZOX \"T\"]\n" + std::string(70000, '"') + "\n",
  };
  const char* vocabulary[] = {"[ZOX \"T\"]", "[INIT]", "[ROOM a]", "[ROOM ", "]",     "[STATUS]",
                              "[INVENTORY]", "PRINT",  "\"",       "/",      "GO TO", "IF",
                              "THEN",        "END",    "CHOOSE",   "*",      "(",     ")",
                              ":",           "=",      "+=",       "ELSE",   "x",     "VAR",
                              "TRUE",        "5",      "\n",       "\n",     "\t",    " ",
                              "\r",          "REM",    "RESUME"};
  for (int n = 0; n < 150; ++n) {
    std::string s = n % 3 ? "[ZOX \"T\"]\n" : "";
    int words = static_cast<int>(random() % 60);
    for (int w = 0; w < words; ++w) {
      if (random() % 8 == 0) {
        s.push_back(static_cast<char>(random() % 256));
      } else {
        s += vocabulary[random() % (sizeof vocabulary / sizeof vocabulary[0])];
        s += ' ';
      }
    }
    sources.push_back(s);
  }
  const std::set<int> fatal = {4, 5, 11};
  for (size_t i = 0; i < sources.size(); ++i) {
    TempDir dir;
    CompileOutcome out = compileText(dir, sources[i]);
    SCOPED_TRACE("source " + std::to_string(i));
    if (out.status == 0) {
      EXPECT_TRUE(out.outputExists);
      EXPECT_FALSE(codeArea(out).empty()) << "not a sound compiled file";
    } else {
      EXPECT_FALSE(out.outputExists);
      if (out.errors.count > 0) {
        EXPECT_EQ(out.status, out.errors.last());
      } else {
        EXPECT_TRUE(fatal.count(out.status)) << out.status;
      }
    }
  }
}

}  // namespace
}  // namespace zoxtest
