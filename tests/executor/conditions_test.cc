// Number variables, flags, the IF tests with their NOT forms and the block structure.
#include "engine_fixture.h"

namespace zoxtest {
namespace {

using zox::Op;

using ExecutorConditions = EngineTest;

TEST_F(ExecutorConditions, EveryTestAndItsNotForm) {
  struct Case {
    const char* what;
    void (*test)(Code&);
    bool entered;
  };
  // Variables: 0 = 5, 1 = 5, 2 = -3; flag 0 set, flag 1 clear.
  const Case cases[] = {
      {"flag set, TRUE", [](Code& c) { c.ifFlag(0, true); }, true},
      {"flag set, FALSE", [](Code& c) { c.ifFlag(0, false); }, false},
      {"flag clear, TRUE", [](Code& c) { c.ifFlag(1, true); }, false},
      {"flag clear, FALSE", [](Code& c) { c.ifFlag(1, false); }, true},
      {"a = 5", [](Code& c) { c.ifEq(0, 5); }, true},
      {"a = 6", [](Code& c) { c.ifEq(0, 6); }, false},
      {"a > 4", [](Code& c) { c.ifGt(0, 4); }, true},
      {"a > 5", [](Code& c) { c.ifGt(0, 5); }, false},
      {"c > -4 (signed)", [](Code& c) { c.ifGt(2, -4); }, true},
      {"a < 6", [](Code& c) { c.ifLt(0, 6); }, true},
      {"c < 0 (signed)", [](Code& c) { c.ifLt(2, 0); }, true},
      {"a = b", [](Code& c) { c.op(Op::IfNumbersEq).u8(0).u8(1); }, true},
      {"a = c", [](Code& c) { c.op(Op::IfNumbersEq).u8(0).u8(2); }, false},
      {"a > b", [](Code& c) { c.op(Op::IfNumbersGt).u8(0).u8(1); }, false},
      {"a > c", [](Code& c) { c.op(Op::IfNumbersGt).u8(0).u8(2); }, true},
      {"c < a", [](Code& c) { c.op(Op::IfNumbersLt).u8(2).u8(0); }, true},
      {"a < b", [](Code& c) { c.op(Op::IfNumbersLt).u8(0).u8(1); }, false},
      {"choice 0", [](Code& c) { c.op(Op::IfChoice).u8(0); }, true},
      {"choice 1", [](Code& c) { c.op(Op::IfChoice).u8(1); }, false},
  };
  for (const Case& k : cases) {
    for (bool negated : {false, true}) {
      Code c;
      c.init().var(0, 5).var(1, 5).var(2, -3).op(Op::VarFlag).u8(0).u8(1);
      c.room(1);
      if (negated) c.notIf();
      k.test(c);
      c.print("[in]").orElse().print("[else]").endIf().print("[after]").quit().end();
      fakeScreen().reset();
      zox::Console console;
      zox::zoxexec engine(&console);
      engine.setStartPause(std::chrono::milliseconds(0));
      dir.write("if.zox", c.file());
      std::string path = dir.file("if.zox");
      const char* argv[] = {"zoxexec", path.c_str()};
      ASSERT_EQ(zox::runExecutor(engine, console, 2, argv), -1) << k.what;
      const bool in = k.entered != negated;
      EXPECT_NE(out().find(in ? "[in][after]" : "[else][after]"), std::string::npos)
          << k.what << (negated ? " with NOT" : "") << ": " << out();
    }
  }
}

TEST_F(ExecutorConditions, FalseTestSkipsANestedBlockAndStopsAtItsOwnElse) {
  Code c;
  c.room(1)
      .ifFlag(0, true)  // false
      .print("a")
      .ifFlag(1, false)  // would be true, but it is skipped
      .print("b")
      .orElse()
      .print("c")
      .ifEq(0, 0)
      .print("d")
      .endIf()
      .endIf()
      .print("e")
      .orElse()
      .print("[else]")
      .notIf()
      .ifFlag(0, true)
      .print("[nested]")
      .orElse()
      .print("[wrong]")
      .endIf()
      .endIf()
      .print("[after]")
      .quit()
      .end();
  ASSERT_EQ(startUp(c.file()), 0);
  size_t mark = out().size();
  EXPECT_EQ(play(), -1);
  EXPECT_EQ(screen().since(mark), "[else][nested][after]");
  EXPECT_EQ(engine.ifDepth(), 0);
}

TEST_F(ExecutorConditions, EnteredBlockSkipsItsElsePart) {
  Code c;
  c.room(1)
      .ifEq(0, 0)
      .print("[in]")
      .orElse()
      .print("[else]")
      .ifEq(0, 0)
      .orElse()
      .endIf()
      .endIf()
      .print("[after]")
      .endIf()
      .end();
  keys({'E'});
  EXPECT_EQ(runFile(c.file()), 54);  // the last END has no IF
  EXPECT_NE(out().find("[in][after]"), std::string::npos);
  EXPECT_EQ(out().find("[else]"), std::string::npos);
}

TEST_F(ExecutorConditions, ElseWithNoOpenBlockSkipsToItsEndAndKeepsDepthZero) {
  Code c;
  c.room(1).orElse().print("[skipped]").endIf().print("[after]").quit().end();
  ASSERT_EQ(startUp(c.file()), 0);
  size_t mark = out().size();
  EXPECT_EQ(play(), -1);
  EXPECT_EQ(screen().since(mark), "[after]");
  EXPECT_EQ(engine.ifDepth(), 0);
}

TEST_F(ExecutorConditions, SkipStopsAndErrors) {
  auto skipped = [](std::initializer_list<int> inside) {
    Code c;
    c.room(1).ifFlag(0, true).raw(inside).endIf().print("[after]").quit().end();
    return c.file();
  };
  const struct {
    const char* what;
    std::string bytes;
    int status;
  } cases[] = {
      {"[INVENTORY is passed over", skipped({0xBE}), -1},
      {"texts are read and dropped", skipped({0xC7, 'a' + 7}), -1},
      {"[INIT", skipped({0xA0, 0xA1, 2, 0}), 53},
      {"[ROOM", skipped({0xA1, 2, 0}), 53},
      {"bracket clause", skipped({0xB9}), 53},
      {"colon clause", skipped({0xBA}), 53},
      {"(OTHERWISE)", skipped({0xBB}), 53},
      {"OTHERWISE:", skipped({0xBC}), 53},
      {"the end marker",
       [] {
         Code c;
         c.room(1).ifFlag(0, true).print("x").end();
         return c.file();
       }(),
       6},
  };
  for (const auto& c : cases) {
    fakeScreen().reset();
    fakeScreen().keys = {'E'};
    zox::Console console;
    zox::zoxexec engine(&console);
    engine.setStartPause(std::chrono::milliseconds(0));
    dir.write("skip.zox", c.bytes);
    std::string path = dir.file("skip.zox");
    const char* argv[] = {"zoxexec", path.c_str()};
    EXPECT_EQ(zox::runExecutor(engine, console, 2, argv), c.status) << c.what;
    if (c.status == -1) {
      EXPECT_NE(out().find("[after]"), std::string::npos) << c.what;
    }
  }
}

TEST_F(ExecutorConditions, DeepNestingIsSkippedWithoutRecursion) {
  Code c;
  c.room(1).ifFlag(0, true);
  for (int i = 0; i < 200000; ++i) c.ifFlag(1, true);
  for (int i = 0; i < 200000; ++i) c.endIf();
  c.endIf().print("[after]").quit().end();
  ASSERT_EQ(startUp(c.file()), 0);
  EXPECT_EQ(play(), -1);
  EXPECT_NE(out().find("[after]"), std::string::npos);
}

TEST_F(ExecutorConditions, VariableStatementsWrapAt32Bits) {
  Code c;
  c.room(1)
      .set(0, 2147483647)
      .add(0, 1)
      .set(1, -2147483647 - 1)
      .sub(1, 1)
      .set(2, 10)
      .sub(2, 15)
      .set(3, -7)
      .add(3, -3)
      .setFlag(200, true)
      .setFlag(201, true)
      .setFlag(200, false)
      .quit()
      .end();
  ASSERT_EQ(startUp(c.file()), 0);
  EXPECT_EQ(play(), -1);
  EXPECT_EQ(engine.number(0), -2147483647 - 1);
  EXPECT_EQ(engine.number(1), 2147483647);
  EXPECT_EQ(engine.number(2), -5);
  EXPECT_EQ(engine.number(3), -10);
  EXPECT_FALSE(engine.flag(200));
  EXPECT_TRUE(engine.flag(201));
}

TEST_F(ExecutorConditions, RandomStaysWithinItsLimit) {
  Code c;
  c.room(1);
  for (int i = 0; i < 200; ++i) {
    c.op(Op::Random).u8(0).u16(0).ifGt(0, 0).print("!").endIf();
    c.op(Op::Random).u8(1).u16(6).ifLt(1, 0).print("!").endIf().ifGt(1, 6).print("!").endIf();
    c.ifEq(1, 6).setFlag(6, true).endIf().ifEq(1, 0).setFlag(7, true).endIf();
  }
  c.op(Op::Random).u8(2).u16(65535).quit().end();
  ASSERT_EQ(startUp(c.file()), 0);
  size_t mark = out().size();
  EXPECT_EQ(play(), -1);
  EXPECT_EQ(screen().since(mark), "");
  EXPECT_TRUE(engine.flag(6)) << "6 is reachable";
  EXPECT_TRUE(engine.flag(7)) << "0 is reachable";
  EXPECT_GE(engine.number(2), 0);
  EXPECT_LE(engine.number(2), 65535);
}

}  // namespace
}  // namespace zoxtest
