// The statement fetch decodes a statement where it lies in the cursor's window, and reads one
// that runs past the window through the cursor byte by byte: both must give the same kind,
// length, text and operands, wherever the statement lies.
#include <vector>

#include "engine_fixture.h"
#include "format/opcodes.h"

namespace zoxtest {
namespace {

using zox::Op;

// Statements of every shape: fixed operands, lists, texts (empty, short, longer than a window
// piece, corrupt), NOT before tests and before what is no test, bad colours and status counts,
// bytes that are no opcode.
void everyShape(Code& c) {
  c.op(Op::SetNumber).u8(1).u32(0xFFFFFFF6u);
  c.op(Op::AddNumber).u8(2).u32(7).op(Op::SubNumber).u8(2).u32(3);
  c.op(Op::SetFlag).u8(9).u8(1).op(Op::VarFlag).u8(3).u8(0);
  c.op(Op::IfFlag).u8(9).u8(1).op(Op::IfNumbersLt).u8(1).u8(2);
  c.op(Op::Not).op(Op::IfNumberGt).u8(1).u32(5).op(Op::Not).op(Op::Quit);
  c.op(Op::Not).op(Op::Not).op(Op::Not).u8(0x41).op(Op::Not).end();
  c.op(Op::Random).u8(4).u16(0x7FFF).op(Op::Start).u16(513).op(Op::GoTo).u32(0x01020304);
  c.op(Op::Resource).u32(0xA0B0C0D0u).u8(0).op(Op::Continue).u8(2).op(Op::Load).u8(1);
  c.op(Op::TextColor).u8(15).op(Op::TextBackground).u8(255).op(Op::StatusColor).u8(16);
  c.op(Op::StatusLines).u8(15).op(Op::StatusLines).u8(16).op(Op::Message).u8(18).text("m");
  c.op(Op::ChooseRoomTexts).u8(3).raw({4, 5, 6});
  c.op(Op::ChooseInitTexts).u8(0);
  c.op(Op::ChooseBlock).u8(2).u16(0x0002).raw({7, 8});
  c.op(Op::ChooseRandom).u8(20).u16(0xFFFF);
  for (int i = 0; i < 20; ++i) c.u8(i + 100);
  c.print("").print("A short text \xE4\xDF.").op(Op::SetRoomText).u8(2).text("Name\nline");
  c.print(std::string(600, 'x')).op(Op::Item).u8(6).text("a brass lamp");
  c.op(Op::Print).raw({0x41, 0x00, 0x42});        // a 0x00 is never scrambled
  c.op(Op::SetInitText).u8(1).raw({0x9F, 0x9F});  // does not unscramble
  c.raw({0x41, 0xEE, 0xFE}).op(Op::Wait).op(Op::Room).u16(0).end();
}

struct Fetched {
  int kind;
  uint64_t length;
  std::string text;
  bool operator==(const Fetched&) const = default;
};

class ExecutorFetch : public EngineTest {
 protected:
  // Every statement of the code area after a padding text of `pad` characters, which moves it
  // against the window edges: kind, length and text as the fetch gave them.
  std::vector<Fetched> fetchAll(int pad) {
    Code c;
    c.print(std::string(pad, 'p'));
    everyShape(c);
    engine.open(write(c.file(), "fetch" + std::to_string(pad) + ".zox"));
    engine.test();  // the unknown statements stop its walk; the code end is known
    std::vector<Fetched> out;
    EXPECT_TRUE(engine.seek(engine.codeStart()));
    engine.fetchStatement();  // the padding
    while (out.size() < 200) {
      const uint64_t at = engine.tell();
      const int kind = engine.fetchStatement();
      // The current text is the last one fetched: it belongs to statements with a text only.
      const zox::OpcodeInfo* info = kind < 0 ? nullptr : zox::opcodeInfo(kind & 0xFF);
      out.push_back({kind, engine.tell() - at,
                     info && info->hasText() ? engine.currentText() : std::string()});
      if (kind == zox::op(Op::EndOfCode) || kind == zox::kStatementReadFailure) break;
    }
    return out;
  }
};

TEST_F(ExecutorFetch, EveryStatementIsFetchedAlikeWhereverItLiesAgainstTheWindow) {
  const std::vector<Fetched> first = fetchAll(0);
  ASSERT_GE(first.size(), 40u);
  EXPECT_EQ(first.back().kind, zox::op(Op::EndOfCode));
  // Some expectations that do not depend on where the statement lies.
  EXPECT_EQ(first[7].kind, zox::op(Op::IfNumberGt) | zox::kNegated);
  EXPECT_EQ(first[8].kind, zox::kStatementUnknown);  // NOT before QUIT
  // Paddings that put each statement across the first window's end at least once.
  for (int pad = 1; pad < 4120; pad += pad < 3890 ? 389 : 1) {
    EXPECT_EQ(fetchAll(pad), first) << "padding " << pad;
  }
}

// The operands a statement stores come out the same from the window and from the cursor: rooms
// of variable statements, tests, texts, messages and colours, stepped through at every position
// against the window's end, with everything the steps changed compared.
TEST_F(ExecutorFetch, OperandsAreTheSameFromTheWindowAndFromTheCursor) {
  auto run = [&](int pad) {
    Code c;
    c.init().op(Op::SetInitText).u8(7).text("init").room(9).print(std::string(pad, 'p'));
    for (int room = 1; room <= 4; ++room) {
      c.room(room);
      for (int i = 0; i < 12; ++i) {
        c.set(i % 8, i * 1000003).add((i + 3) % 8, -i).setFlag(i % 16, i % 3 == 0);
        c.ifFlag(i % 16, true).add(8, 1).orElse().sub(8, 1).endIf();
        c.notIf().op(Op::IfNumbersGt).u8(i % 8).u8((i + 1) % 8).add(9, i).endIf();
        c.op(Op::SetRoomText).u8(i % 4).text("room text " + std::to_string(i));
        c.op(Op::SetInitText).u8(4 + i % 3).text(std::string(i * 7, 'i'));
        c.op(Op::Message).u8(1 + i % 19).text("message " + std::to_string(room * i));
        c.colour(Op::TextColor, i % 16).colour(Op::ScreenBackground, (i * 5) % 16);
      }
      if (room < 4) c.go(room + 1);
    }
    c.quit().end();
    EXPECT_EQ(startUp(c.file()), 0);
    std::vector<std::string> seen;
    for (int s = 0; s < 2000 && engine.step() == 0; ++s) {
      std::string state = std::to_string(engine.currentRoom()) + ":";
      for (int v = 0; v < 10; ++v) state += " " + std::to_string(engine.number(v));
      for (int f = 0; f < 16; ++f) state += engine.flag(f) ? "1" : "0";
      for (int t = 0; t < 8; ++t) {
        state += "|" + engine.roomText(t).value_or("-") + "|" + engine.initText(t).value_or("-");
      }
      for (int m = 1; m < 20; ++m) state += "|" + engine.message(m).value_or("-");
      state += " " + std::to_string(engine.colour(zox::kTextColour)) + " " +
               std::to_string(engine.colour(zox::kScreenBackground));
      seen.push_back(state);
    }
    return seen;
  };
  const std::vector<std::string> first = run(0);
  ASSERT_GT(first.size(), 400u);
  for (int pad = 3900; pad < 4100; pad += 3) EXPECT_EQ(run(pad), first) << "padding " << pad;
}

}  // namespace
}  // namespace zoxtest
