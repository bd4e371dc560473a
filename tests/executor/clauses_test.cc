// Command mode and clauses without a terminal: yes/no keys when messages 15 and 16 are empty,
// a command that uses up the words of a clause that wants more, the fallbacks of GO
// OTHERWISE, and where play goes on after a failed search or a GO TO out of a clause.
#include "engine_fixture.h"

namespace zoxtest {
namespace {

using zox::Op;

Code& clause(Code& c, const char* pattern) {
  return c.op(Op::BracketClause).text(pattern);
}

class ExecutorClauses : public EngineTest {
 protected:
  // Plays a file with the typed lines and keys; the exit status (-1 for the end of play).
  int playLines(const std::string& bytes, std::vector<std::string> lines, std::vector<int> keys) {
    fakeScreen().lines.assign(lines.begin(), lines.end());
    fakeScreen().keys.assign(keys.begin(), keys.end());
    try {
      return runFile(bytes);
    } catch (const OutOfKeys&) {
      return 0;
    }
  }
};

TEST_F(ExecutorClauses, EmptyYesOrNoMessageFallsBackToItsDefaultKey) {
  const struct {
    const char* yes;
    const char* no;
    int first;  // answers the first question
    int asked;  // questions until the run ended
  } cases[] = {
      {"", "no", 'y', 1}, {"", "no", 'n', 2}, {"ja", "", 'n', 2},
      {"ja", "", 'j', 1}, {"", "", 'Y', 1},   {"", "", 'x', 1},  // x is no key: y comes next
  };
  for (const auto& k : cases) {
    for (bool menu : {false, true}) {
      Code c;
      c.init().op(Op::Message).u8(15).text(k.yes).op(Op::Message).u8(16).text(k.no);
      c.op(Op::SetInitText).u8(0).text("entry");
      c.room(1);
      if (menu) c.op(Op::ChooseInitTexts).u8(1).u8(0);
      c.op(Op::InputCommand).quit().end();
      fakeScreen().reset();
      const int yes = *k.yes ? k.yes[0] : 'y';
      std::vector<int> keys =
          menu ? std::vector<int>{27, k.first, 27, yes} : std::vector<int>{k.first, yes};
      EXPECT_EQ(playLines(c.file(), {"quit", "quit"}, keys), -1) << k.yes << k.no << menu;
      size_t asked = 0;
      for (size_t at = out().find("Are you sure"); at != std::string::npos;
           at = out().find("Are you sure", at + 1)) {
        ++asked;
      }
      EXPECT_EQ(asked, size_t(k.asked)) << k.yes << "/" << k.no << " " << char(k.first) << menu;
    }
  }
}

TEST_F(ExecutorClauses, WordsUsedUpByAClauseThatWantsMoreAnswerNothing) {
  Code c;
  c.room(1).op(Op::InputCommand);
  clause(c, "climb").op(Op::ColonClause).text("up").print("went up").op(Op::Resume);
  c.op(Op::ColonOtherwise).print("climb where").op(Op::Resume);
  c.op(Op::BracketOtherwise).print("huh").op(Op::Resume).end();
  EXPECT_EQ(playLines(c.file(), {"climb", "climb up", "quit"}, {'y'}), -1);
  EXPECT_EQ(out().find("huh"), std::string::npos) << out();
  EXPECT_EQ(out().find("climb where"), std::string::npos) << out();
  EXPECT_NE(out().find("went up"), std::string::npos) << out();
}

TEST_F(ExecutorClauses, GoOtherwiseFallsBackToTheSectionFallbackClause) {
  // No clause fallback after (jump), no [INVENTORY]: the OTHERWISE: of (OTHERWISE) takes it.
  Code c;
  c.room(1).op(Op::InputCommand);
  clause(c, "jump").op(Op::GoOtherwise).print("never").op(Op::Resume);
  clause(c, "wave").op(Op::GoOtherwiseBracket);
  c.op(Op::BracketOtherwise).print("section").op(Op::Resume);
  c.op(Op::ColonOtherwise).print("sub").op(Op::Resume).end();
  EXPECT_EQ(playLines(c.file(), {"jump", "wave", "quit"}, {'y'}), -1);
  EXPECT_NE(out().find("sub"), std::string::npos) << out();
  EXPECT_LT(out().find("sub"), out().find("section")) << out();
  EXPECT_EQ(out().find("never"), std::string::npos) << out();

  // Without any fallback: 24, and Ignore goes on after the jump.
  Code none;
  none.room(1).op(Op::InputCommand);
  clause(none, "jump").op(Op::GoOtherwise).print("ignored").op(Op::Resume).end();
  EXPECT_EQ(playLines(none.file(), {"jump", "quit"}, {'I', 'y'}), -1);
  EXPECT_NE(out().find("Error 24"), std::string::npos) << out();
  EXPECT_NE(out().find("ignored"), std::string::npos) << out();
}

TEST_F(ExecutorClauses, IgnoringAnUnansweredCommandGoesBackToThePrompt) {
  Code c;
  c.room(1).op(Op::InputCommand);
  clause(c, "look").print("looked").op(Op::Resume).end();
  EXPECT_EQ(playLines(c.file(), {"xyzzy", "look", "quit"}, {'I', 'y'}), -1);
  EXPECT_NE(out().find("Error 24 at offset"), std::string::npos) << out();
  EXPECT_NE(out().find("looked"), std::string::npos) << out();
}

TEST_F(ExecutorClauses, GoToOutOfAClauseLeavesNoPromptToReturnTo) {
  Code c;
  c.room(1).op(Op::InputCommand);
  clause(c, "east").go(2).room(2).op(Op::PrintRoomText).u8(5).quit().end();
  EXPECT_EQ(playLines(c.file(), {"east"}, {'E'}), 51);
  EXPECT_NE(out().find("(I)gnore Error/(R)esume/(E)xit (I/R/E) ? "), std::string::npos) << out();
  EXPECT_EQ(out().find("(L)eave"), std::string::npos) << out();
  EXPECT_EQ(engine.returnOffset(), 0u);
}

}  // namespace
}  // namespace zoxtest
