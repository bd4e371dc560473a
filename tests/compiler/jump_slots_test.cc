// The GO TO slots recorded while compiling: in a code area many times larger than the output
// buffer, every jump, near or far, forward or back, ends up holding its room's header, as a
// walk over the finished code area finds it, and the stored checksum counts the targets.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "compile_helpers.h"
#include "format/adventure_file.h"
#include "format/bytes.h"
#include "format/walker.h"

namespace zoxtest {
namespace {

TEST(CompilerJumpSlots, EveryJumpHoldsItsRoomsHeaderWhereverTheRoomIs) {
  std::mt19937 rng(99);
  constexpr int kRooms = 3000;
  // About 1.2 kB of code a room: the code area is some three times the output buffer.
  const std::string text(120, 'w');
  std::string source = "[ZOX \"Jumps\"]\n";
  std::vector<int> targets;    // the room number of each GO TO, in order
  std::map<int, int> numbers;  // rooms are numbered in order of first mention
  auto number = [&](int room) { return numbers.emplace(room, numbers.size() + 1).first->second; };
  for (int room = 0; room < kRooms; ++room) {
    source += "[ROOM r" + std::to_string(room) + "]\n";
    number(room);
    for (int i = 0; i < 10; ++i) source += "PRINT \"" + text + "\"\n";
    const int candidates[] = {(room + 1) % kRooms,
                              (room + kRooms - 1) % kRooms,
                              kRooms - 1,
                              0,
                              static_cast<int>(rng() % kRooms),
                              room};
    for (int target : candidates) {
      source += (rng() % 2 ? "GO TO [ROOM r" : "GO [ROOM R") + std::to_string(target) + "]\n";
      targets.push_back(number(target));
    }
  }
  TempDir dir;
  const zox::CompileOutcome out = compileText(dir, source);
  ASSERT_EQ(out.status, 0) << out.report;

  std::vector<uint8_t> bytes = out.output;
  std::FILE* f = fmemopen(bytes.data(), bytes.size(), "rb");
  ASSERT_NE(f, nullptr);
  zox::AdventureIdentity id;
  zox::FileHeader header;
  ASSERT_EQ(zox::checkAdventureFile(f, id, &header), 0);  // the checksums too
  std::fclose(f);
  ASSERT_GT(header.codeEnd - header.codeStart, 3u << 20);

  // The walk: room headers by number, and every GO TO.
  const std::span<const uint8_t> code(bytes.data() + header.codeStart,
                                      header.codeEnd - header.codeStart);
  std::map<int, uint32_t> headers;
  std::vector<uint32_t> jumps;
  zox::CodeWalker walker(code, header.codeStart, header.codeStart);
  for (zox::Statement s; walker.next(s) == zox::WalkStatus::Ok;) {
    if (s.opcode == zox::op(zox::Op::Room)) headers[static_cast<int>(s.operands[0])] = s.offset;
    if (s.opcode == zox::op(zox::Op::GoTo)) jumps.push_back(s.operands[0]);
    if (s.opcode == zox::op(zox::Op::EndOfCode)) break;
  }
  ASSERT_EQ(headers.size(), static_cast<size_t>(kRooms));
  ASSERT_EQ(jumps.size(), targets.size());
  for (size_t i = 0; i < jumps.size(); ++i) {
    ASSERT_EQ(jumps[i], headers[targets[i]]) << "jump " << i << " to room " << targets[i];
  }
}

}  // namespace
}  // namespace zoxtest
