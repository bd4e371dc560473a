// Section headers, the section context, and where each statement may stand.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "compile_helpers.h"

namespace zoxtest {
namespace {

using zox::CompileOutcome;

// The sections a statement is tried in, each as the lines that lead up to it.
const char* const kContexts[] = {
    "",                               // before the first section
    "[INIT]\n",                       // [INIT]
    "[ROOM r]\n",                     // a room
    "[STATUS]\n",                     // the status area
    "[INVENTORY]\n",                  // inventory before its first clause
    "[INVENTORY]\n(look)\nRESUME\n",  // inventory after a clause
};
const char* const kContextNames[] = {"none", "init", "room", "status", "inv", "inv-clause"};

// Errors that only the placement rules give.
const std::set<int> kPlacementErrors = {30, 84, 85, 86, 89, 90, 91};

struct PlacementCase {
  const char* statement;
  int expected[6];  // per context: the placement error, or 0 when the statement may stand there
};

const PlacementCase kPlacement[] = {
    {"PRINT \"x\"", {86, 86, 0, 0, 89, 0}},
    {"PRINTNL \"x\"", {86, 86, 0, 0, 89, 0}},
    {"PRINTDNL \"x\"", {86, 86, 0, 0, 89, 0}},
    {"PRINTINP \"x\"", {86, 86, 0, 0, 89, 0}},
    {"IF 1 THEN NL", {86, 86, 0, 0, 89, 0}},
    {"RESUME", {86, 86, 0, 0, 89, 0}},
    {"NL", {86, 86, 0, 0, 89, 0}},
    {"n += 1", {86, 86, 0, 0, 89, 0}},
    {"LOAD res", {86, 86, 0, 0, 89, 0}},
    {"ELSE", {86, 86, 0, 0, 89, 0}},
    {"WAIT", {86, 86, 0, 86, 89, 0}},
    {"CHOOSE", {86, 86, 0, 86, 89, 0}},
    {"GO TO [ROOM r]", {86, 86, 0, 86, 89, 0}},
    {"CLS", {86, 86, 0, 86, 89, 0}},
    {"RESTART", {86, 86, 0, 86, 89, 0}},
    {"CONTINUE WITH [PART 2]", {86, 86, 0, 86, 89, 0}},
    {"* t", {86, 86, 0, 86, 89, 0}},
    {"END", {86, 86, 0, 0, 89, 0}},
    {"END CHOOSE", {86, 86, 0, 86, 89, 0}},
    {"QUIT", {84, 84, 0, 86, 84, 84}},
    {"INPUT", {84, 84, 0, 84, 84, 84}},
    {"RINFO = \"x\"", {84, 84, 0, 0, 84, 84}},
    {"TITLE = \"x\"", {85, 0, 85, 85, 85, 85}},
    {"VAR f = TRUE", {85, 0, 85, 85, 85, 85}},
    {"CTEXT = \"x\"", {85, 0, 85, 85, 85, 85}},
    {"START = [ROOM r]", {85, 0, 85, 85, 85, 85}},
    {"ITEXT = \"x\"", {85, 0, 85, 85, 85, 85}},
    {"INTEXT = \"x\"", {85, 0, 85, 85, 85, 85}},
    {"RESOURCE res = \"f\" : ANSITEXT", {85, 0, 85, 85, 85, 85}},
    {"PASSWORD = \"secret\"", {85, 0, 85, 85, 85, 85}},
    {"TEXTCOLOR = RED", {86, 0, 0, 0, 89, 0}},
    {"STATUSBACKGROUND = BLUE", {86, 0, 0, 0, 89, 0}},
    {"STATUSLINES = 3", {86, 0, 0, 86, 89, 0}},
    {"IMSG3 = \"x\"", {0, 0, 0, 0, 89, 0}},
    {"t = \"x\"", {20, 0, 0, 0, 89, 0}},
    {"\"continued\"", {0, 0, 0, 0, 89, 0}},
    {"(take lamp)", {86, 86, 0, 86, 0, 0}},
    {"look: RESUME", {86, 86, 90, 86, 90, 0}},
    {"ITEM f = \"x\"", {91, 91, 91, 91, 91, 91}},  // never right after these lines
};

TEST(CompilerSections, EachStatementStandsOnlyWhereItBelongs) {
  for (const PlacementCase& k : kPlacement) {
    for (int ctx = 0; ctx < 6; ++ctx) {
      std::string before = kContexts[ctx];
      unsigned line = 2;
      for (char ch : before) line += ch == '\n';
      // ITEM needs a line between its section header and itself to be out of place.
      if (std::string(k.statement).rfind("ITEM", 0) == 0) {
        before += "NL\n";
        ++line;
      }
      TempDir dir;
      CompileOutcome out = compileText(dir, withHeader(before + k.statement + "\n"));
      int placement = 0;
      for (int i = 0; i < out.errors.count; ++i) {
        const auto& e = out.errors.entries[i];
        bool isPlacement = kPlacementErrors.count(e.number) || (e.number == 20 && ctx == 0);
        if (e.line == line && isPlacement) placement = e.number;
      }
      EXPECT_EQ(placement, k.expected[ctx])
          << k.statement << " in " << kContextNames[ctx] << ": " << errorWords(out);
    }
  }
}

TEST(CompilerSections, PasswordBelongsToTheFirstPartOnly) {
  TempDir dir;
  CompileOutcome out =
      compileText(dir, "[ZOX \"T\" PART 2 OF 3]\n[INIT]\nPASSWORD = \"secret\"\n", "two.adv");
  EXPECT_EQ(errorWords(out), "30@3");
}

TEST(CompilerSections, ItemLinesFollowARoomOrInventoryHeaderOrAnotherItem) {
  const struct {
    const char* body;
    const char* errors;
  } cases[] = {
      {"[INIT]\nVAR f = TRUE\n[ROOM a]\nITEM f = \"lamp\"\nITEM f = \"oil\"\n", ""},
      {"[INIT]\nVAR f = TRUE\n[INVENTORY]\nITEM f = \"lamp\"\n", ""},
      {"[INIT]\nVAR f = TRUE\n[ROOM a]\nREM x\n\nITEM f = \"lamp\"\n", ""},
      {"[INIT]\nVAR f = TRUE\n[ROOM a]\nxyzzy\nITEM f = \"lamp\"\n", "21@5"},
      {"[INIT]\nVAR f = TRUE\n[ROOM a]\nPRINT \"x\"\nITEM f = \"lamp\"\n", "91@6"},
      {"[INIT]\nVAR f = TRUE\n[STATUS]\nITEM f = \"lamp\"\n", "91@5"},
      {"[INIT]\nVAR f = TRUE\nITEM f = \"lamp\"\n", "91@4"},
      // A refused room header still lets an item follow.
      {"[INIT]\nVAR f = TRUE\n[ROOM a b]\nITEM f = \"lamp\"\n", "20@4"},
  };
  for (const auto& k : cases) {
    TempDir dir;
    EXPECT_EQ(errorWords(compileText(dir, withHeader(k.body))), k.errors) << k.body;
  }
}

TEST(CompilerSections, HeadersAreCheckedAndSwitchTheSectionEvenWhenRefused) {
  const std::string name50(50, 'n');
  const struct {
    std::string body;
    const char* errors;
  } cases[] = {
      {"[INIT]\n[ROOM a]\n[INIT]\nTITLE = \"x\"\n", "23@4"},  // TITLE is in [INIT] again
      {"[INIT] x\n", "20@2"},
      {"[INVENTORY]\n[INVENTORY]\n", "23@3"},
      {"[STATUS]\n[STATUS]\n", "35@3"},
      {"[STATUS] junk\n", "20@2"},
      {"[ROOM a]\n[ROOM b]\n[ROOM A]\n", "24@4"},
      {"[ROOM]\n[ROOM ]\n", "24@3"},
      {"[ROOM \xe4\xf6\xfc]\n[ROOM \xc4\xd6\xdc]\n", "24@3"},  // umlauts compare without case
      {"[ROOM \xdf]\n[ROOM SS]\n", ""},
      {"[ROOM a b]\n", "20@2"},
      {"[ROOM a]x\n", "20@2"},
      {"[ROOM a] \t \n", ""},
      {"[ROOM a\n", "20@2"},
      {"[ROOM " + name50 + "]\n", ""},
      {"[ROOM " + name50 + "x]\n", "22@2"},
      {"[ROOM " + name50 + "x]\nQUIT\n", "22@2"},  // still in a room
  };
  for (const auto& k : cases) {
    TempDir dir;
    EXPECT_EQ(errorWords(compileText(dir, withHeader(k.body))), k.errors) << k.body;
  }
}

TEST(CompilerSections, RoomsAreNumberedByFirstMention) {
  TempDir dir;
  CompileOutcome out = compileText(
      dir, withHeader("[ROOM hall]\nGO TO [ROOM cellar]\n[STATUS]\n[ROOM Cellar]\nQUIT\n"));
  ASSERT_EQ(out.status, 0) << out.report;
  std::string code = listing(out);
  EXPECT_NE(code.find("ROOM 1\n"), std::string::npos) << code;
  EXPECT_NE(code.find("ROOM 0\n"), std::string::npos) << code;
  EXPECT_NE(code.find("ROOM 2\n"), std::string::npos) << code;
  EXPECT_EQ(codeArea(out)[0], 0xA1);
}

TEST(CompilerSections, TheRoomTableHoldsSixtyFiveThousandFiveHundredAndThirtyFiveNames) {
  std::string body;
  for (int i = 0; i < 65535; ++i) body += "[ROOM r" + std::to_string(i) + "]\n";
  TempDir dir;
  CompileOutcome full = compileText(dir, withHeader(body));
  EXPECT_EQ(full.status, 0) << errorWords(full);
  // One more name, by a header or as a jump target, finds no slot.
  CompileOutcome header = compileText(dir, withHeader(body + "[ROOM onemore]\n"));
  EXPECT_EQ(errorWords(header), "81@65537");
  CompileOutcome jump = compileText(dir, withHeader(body + "GO TO [ROOM onemore]\n"));
  EXPECT_EQ(errorWords(jump), "81@65537");
}

TEST(CompilerSections, OpenBlocksAreReportedAtTheNextSectionClauseOrEnd) {
  const struct {
    const char* body;
    const char* errors;
  } cases[] = {
      {"[INIT]\nVAR f = TRUE\n[ROOM a]\nIF f THEN\nPRINT \"x\"\n[ROOM b]\nQUIT\n", "82@5"},
      {"[INIT]\nVAR f = TRUE\n[ROOM a]\nIF f THEN\nIF f THEN\n", "82@6"},
      {"[INIT]\nVAR f = TRUE\n[ROOM a]\nIF f THEN\n(look)\nRESUME\n", "82@5"},
      {"[INIT]\nt = \"x\"\n[ROOM a]\nCHOOSE\n* t\nCLS\n(look)\n", "94@5 94@5"},
      {"[INIT]\nVAR f = TRUE\n[ROOM a]\nIF f THEN [ROOM b]\n", "20@5"},
      {"[INIT]\nVAR f = TRUE\n[ROOM a]\nIF f THEN\nEND\n[ROOM b]\n", ""},
      // The outer block left open after inner ones closed: the line of the outer IF or CHOOSE.
      {"[INIT]\nVAR f = TRUE\n[ROOM a]\nIF f THEN\nIF f THEN\nIF f THEN\nEND\nEND\n[ROOM b]\n",
       "82@5"},
      {"[INIT]\nVAR f = TRUE\n[ROOM a]\nIF f THEN\nIF f THEN\nEND\n", "82@5"},
      {"[INIT]\nt = \"x\"\n[ROOM a]\nCHOOSE\n* t\nCHOOSE\n* t\nEND CHOOSE\n[ROOM b]\n",
       "94@5 94@5"},
  };
  for (const auto& k : cases) {
    TempDir dir;
    EXPECT_EQ(errorWords(compileText(dir, withHeader(k.body))), k.errors) << k.body;
  }
}

}  // namespace
}  // namespace zoxtest
