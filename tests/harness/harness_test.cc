// Self-tests of the screen-test harness, driving /bin/sh in the pseudo-terminal.
#include <gtest/gtest.h>

#include "screen.h"

namespace zoxtest {
namespace {

TEST(HarnessScreen, ShowsWhatAShellPrints) {
  Screen s({"/bin/sh", "-c", "printf 'hello\\nworld'"});
  ASSERT_TRUE(s.waitForExit()) << s.dump();
  EXPECT_EQ(s.row(0), "hello");
  EXPECT_EQ(s.row(1), "world");
  EXPECT_EQ(s.exitStatus(), 0);
}

}  // namespace
}  // namespace zoxtest
