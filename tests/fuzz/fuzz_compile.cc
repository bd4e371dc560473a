// Fuzz target: a source through the whole compile, in process, with the output in a private
// folder. A successful compile leaves a sound compiled file; a failed one leaves no file.
#include <unistd.h>

#include <cstdio>

#include "compiler/driver.h"
#include "format/adventure_file.h"
#include "fuzz_support.h"

namespace {

// Resource files the seeds name, beside the source.
void makeResources() {
  static const char kScreen[] = "\x1b[1;33mA LIGHT\x1b[0m on the cliffs\n";
  for (const char* name : {"every_statement.ans", "pic.ans", "a.ans"}) {
    zoxfuzz::writeFile(name, reinterpret_cast<const uint8_t*>(kScreen), sizeof kScreen - 1);
  }
}

// The file of a later part, checked alone, is refused only for not following part 1.
bool soundFile(const std::string& path, int part) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  zox::AdventureIdentity identity;
  const int r = zox::checkAdventureFile(f, identity);
  std::fclose(f);
  return r == 0 || (part > 1 && r == zox::file_error::kWrongPart);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Relative resource names are looked up from the working folder.
  if (chdir(zoxfuzz::workFolder().c_str()) != 0) zoxfuzz::broken("the private folder is there");
  makeResources();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string source = zoxfuzz::writeFile("fuzz.adv", data, size);
  zox::CompileOutcome out = zox::compileSourceFile(source);
  // Every part number gives its own output name; whichever was chosen, check it and clear up.
  const std::string first = zoxfuzz::workFolder() + "/fuzz.zox";
  for (int part = 1; part <= zox::kMaxParts; ++part) {
    const std::string name = zox::partFileName(first, part);
    const bool there = zoxfuzz::exists(name);
    if (there && out.status != 0) zoxfuzz::broken("a failed compile leaves no output");
    if (there && !soundFile(name, part)) zoxfuzz::broken("a finished output passes the file check");
    if (there) std::remove(name.c_str());
  }
  if (out.status == 0 && !out.outputExists)
    zoxfuzz::broken("a compile that succeeds leaves its file");
  return 0;
}
