// The example adventure (both parts) compiled once per test program, by zoxcomp itself in a
// folder of its own with the title picture beside the sources, as the play command does it.
#pragma once

#include <string>

namespace zoxtest {

struct CompiledExample {
  std::string partOne;  // examples/lighthouse.adv compiled; empty if it did not compile
  std::string partTwo;  // examples/lighthouse2.adv compiled; empty if it did not compile
};

const CompiledExample& compiledExample();

// Copies what the example's compile needs (both sources and the title picture) into folder.
void copyExampleSources(const std::string& folder);

}  // namespace zoxtest
