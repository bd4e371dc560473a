// The name tables: slots in order of first mention, names compared without regard to case,
// full tables, forgetting, and the hash index against a plain map under many names.
#include "compiler/names.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "compiler/compiler.h"
#include "compiler/errors.h"
#include "compiler/lexer.h"

namespace zox {
namespace {

TEST(CompilerNames, SlotsFollowFirstMentionAndCaseDoesNotCount) {
  NameTable t(256, kErrTableFull);
  int slot = -1;
  const struct {
    const char* name;
    int slot;
  } adds[] = {{"lamp", 0},
              {"Door", 1},
              {"LAMP", 0},
              {"door", 1},
              {"gr\xFCn", 2},
              {"GR\xDCN", 2},
              {"stra\xDF"
               "e",
               3},
              {"STRA\xDF"
               "E",
               3},
              {"caf\xE9", 4},
              {"CAF\xC9", 5},
              {"", 6}};
  for (const auto& a : adds) {
    ASSERT_EQ(t.add(a.name, &slot), 0) << a.name;
    EXPECT_EQ(slot, a.slot) << a.name;
    EXPECT_EQ(t.find(a.name), a.slot) << a.name;
  }
  EXPECT_EQ(t.count(), 7);
  EXPECT_EQ(t.name(1), "Door");  // as first written
  EXPECT_EQ(t.find("lam"), -1);
  EXPECT_EQ(t.find("lamps"), -1);
  const NameKey key("DoOr");
  EXPECT_EQ(t.find(key), 1);  // one key, looked up in any table
}

// A name's length is where the next one's spelling starts: names that run on into each other
// keep their own lengths, the last one and an empty one included.
TEST(CompilerNames, NamesThatAreEachOthersPrefixesKeepTheirSpellings) {
  NameTable t(256, kErrTableFull);
  const char* names[] = {"ab", "abc", "", "a", "ABCD", "abcde"};
  int slot = -1;
  for (int i = 0; i < 6; ++i) {
    ASSERT_EQ(t.add(names[i], &slot), 0) << names[i];
    ASSERT_EQ(slot, i);
    for (int j = 0; j <= i; ++j) {
      EXPECT_EQ(t.name(j), names[j]) << "after " << i;
      EXPECT_EQ(t.find(names[j]), j) << "after " << i;
    }
  }
  EXPECT_EQ(t.find("abcd"), 4);
  EXPECT_EQ(t.find("b"), -1);
  EXPECT_EQ(t.find("abcdef"), -1);
}

TEST(CompilerNames, AFullTableRefusesANewNameButFindsTheOldOnes) {
  NameTable t(256, kErrTableFull);
  int slot = -1;
  for (int i = 0; i < 256; ++i) ASSERT_EQ(t.add("v" + std::to_string(i), &slot), 0);
  EXPECT_EQ(t.add("v256", &slot), kErrTableFull);
  EXPECT_EQ(t.add("V255", &slot), 0);  // already there
  EXPECT_EQ(slot, 255);
  EXPECT_EQ(t.find("v256"), -1);

  NameTable rooms(kMaxRooms, kErrOutOfRange);
  for (int i = 0; i < kMaxRooms; ++i) {
    ASSERT_EQ(rooms.add("room" + std::to_string(i), &slot), 0);
    ASSERT_EQ(slot, i);
  }
  EXPECT_EQ(rooms.add("one more", &slot), kErrOutOfRange);
  EXPECT_EQ(rooms.find("ROOM65534"), 65534);
  EXPECT_EQ(rooms.name(40000), "room40000");
  // The index holds a slot in two bytes: no table is larger than the room table.
  EXPECT_EQ(NameTable(100000, kErrOutOfRange).capacity(), kMaxRooms);
}

TEST(CompilerNames, AClearedTableStartsAgainFromSlotZero) {
  NameTable t(256, kErrTableFull);
  int slot = -1;
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 40; ++i) ASSERT_EQ(t.add("t" + std::to_string(i + round), &slot), 0);
    EXPECT_EQ(t.find("t" + std::to_string(round)), 0);
    t.clear();
    EXPECT_EQ(t.count(), 0);
    EXPECT_EQ(t.find("t" + std::to_string(round)), -1);
  }
  ASSERT_EQ(t.add("fresh", &slot), 0);
  EXPECT_EQ(slot, 0);
}

// Many names, long and short, added, looked up and forgotten in random order, the index now
// and then made ready for more names than there are (or than the table holds): the table says
// what a plain map of upper-cased names says.
TEST(CompilerNames, TheHashIndexAgreesWithAPlainMap) {
  std::mt19937 rng(7);
  const std::string letters = "abcXYZ_09\xE4\xC4\xF6\xDF";
  NameTable t(5000, kErrOutOfRange);
  std::map<std::string, int> reference;
  std::vector<std::string> names;
  for (int step = 0; step < 60000; ++step) {
    std::string name;
    if (!names.empty() && rng() % 3 == 0) {
      name = names[rng() % names.size()];
      if (rng() % 2) name[0] = upperChar(name[0]);
    } else {
      const size_t length = rng() % 50;
      for (size_t i = 0; i < length; ++i) name += letters[rng() % letters.size()];
    }
    std::string key = name;
    for (char& ch : key) ch = upperChar(ch);
    auto known = reference.find(key);
    if (rng() % 4 == 0) {
      EXPECT_EQ(t.find(name), known == reference.end() ? -1 : known->second) << name;
      continue;
    }
    int slot = -1;
    const int r = t.add(name, &slot);
    if (known != reference.end()) {
      EXPECT_EQ(r, 0);
      EXPECT_EQ(slot, known->second) << name;
    } else if (static_cast<int>(reference.size()) == t.capacity()) {
      EXPECT_EQ(r, kErrOutOfRange);
    } else {
      ASSERT_EQ(r, 0);
      EXPECT_EQ(slot, static_cast<int>(reference.size()));
      reference.emplace(key, slot);
      names.push_back(name);
    }
    if (step % 7000 == 3000) t.expect(rng() % 8000);
    if (step % 20000 == 19999) {
      t.clear();
      reference.clear();
      names.clear();
    }
  }
}

}  // namespace
}  // namespace zox
