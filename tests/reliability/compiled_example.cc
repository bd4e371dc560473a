// The example adventure compiled once per test program.
#include "compiled_example.h"

#include <cstdio>

#include "compiler/driver.h"
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
    zox::CompileOutcome out = zox::compileSourceFile(dir.file("lighthouse.adv"));
    return out.status == 0 ? std::string(out.output.begin(), out.output.end()) : std::string();
  }();
  return bytes;
}

}  // namespace zoxtest
