// The example adventure compiled once per test program, by zoxcomp itself (the compiler's
// library is not linked beside the engine's: the two define types of the same names).
#include "compiled_example.h"

#include <cstdio>

#include "child.h"
#include "screen.h"

namespace zoxtest {

const std::string& compiledExample() {
  static const std::string bytes = [] {
    TempDir dir;
    std::string source;
    if (std::FILE* f = std::fopen(ZOX_EXAMPLES "/lighthouse.adv", "rb")) {
      char buf[4096];
      for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) source.append(buf, n);
      std::fclose(f);
    }
    dir.write("lighthouse.adv", source);
    ChildResult r = runProgram({binPath("zoxcomp"), "lighthouse.adv"}, dir.path(), 120);
    return r.status == 0 && dir.exists("lighthouse.zox") ? dir.read("lighthouse.zox")
                                                         : std::string();
  }();
  return bytes;
}

}  // namespace zoxtest
