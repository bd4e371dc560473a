// Fuzz target: a compiled file through the file check, the statement walker, the resource rule
// and the dump listing, all in memory; then the same with its checksums mended, so that
// changed statements reach the walker and the listing too.
#include <cstdio>
#include <vector>

#include "format/adventure_file.h"
#include "format/opcodes.h"
#include "format/walker.h"
#include "fuzz_support.h"
#include "tools/dump.h"

namespace {

void checkAndList(std::vector<uint8_t>& file) {
  const size_t size = file.size();
  zox::AdventureIdentity identity;
  zox::FileHeader header;
  int check = zox::file_error::kShortRead;
  if (size > 0) {
    std::FILE* f = fmemopen(file.data(), file.size(), "rb");
    if (f == nullptr) return;
    check = zox::checkAdventureFile(f, identity, &header);
    std::fclose(f);
  }
  if (check == 0) {
    if (header.codeStart > header.codeEnd || header.codeEnd + 4 > size)
      zoxfuzz::broken("a checked file's code area lies inside it");
    // The walker from the code start to the end marker, as every reader walks it.
    zox::CodeWalker w(std::span<const uint8_t>(file.data(), header.codeEnd), 0, header.codeStart);
    zox::Statement s;
    while (w.position() < header.codeEnd && w.next(s) == zox::WalkStatus::Ok) {
      if (s.next <= s.offset || s.next > header.codeEnd) zoxfuzz::broken("the walker moves on");
      if (s.info->hasText()) (void)w.text(s);
      (void)w.list(s);
      if (s.opcode == zox::op(zox::Op::EndOfCode)) break;
    }
    (void)zox::checkResourceOffsets(file, header);
  }
  zox::DumpResult d = zox::dumpAdventure(file);
  if (d.error == 0 && check != 0) zoxfuzz::broken("the dump never passes a file the check refuses");
  if (d.error != 0 && d.problem.empty()) zoxfuzz::broken("the dump names every fault");
  (void)zox::dumpCode(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> file(data, data + size);
  checkAndList(file);
  zoxfuzz::mendChecksums(file);
  checkAndList(file);
  return 0;
}
