// The example adventure compiled once per test program, by zoxcomp itself (the compiler's
// library is not linked beside the engine's: the two define types of the same names).
#include "compiled_example.h"

#include <filesystem>

#include "child.h"
#include "screen.h"

namespace zoxtest {

void copyExampleSources(const std::string& folder) {
  for (const char* name : {"lighthouse.adv", "lighthouse2.adv", "lighthouse.ans"}) {
    std::filesystem::copy_file(std::string(ZOX_EXAMPLES) + "/" + name, folder + "/" + name,
                               std::filesystem::copy_options::overwrite_existing);
  }
}

const CompiledExample& compiledExample() {
  static const CompiledExample example = [] {
    TempDir dir;
    copyExampleSources(dir.path());
    CompiledExample e;
    ChildResult r = runProgram({binPath("zoxcomp"), "lighthouse.adv"}, dir.path(), 120);
    if (r.status == 0 && dir.exists("lighthouse.zox")) e.partOne = dir.read("lighthouse.zox");
    r = runProgram({binPath("zoxcomp"), "lighthouse2.adv"}, dir.path(), 120);
    if (r.status == 0 && dir.exists("lighthouse2.zo0")) e.partTwo = dir.read("lighthouse2.zo0");
    return e;
  }();
  return example;
}

}  // namespace zoxtest
