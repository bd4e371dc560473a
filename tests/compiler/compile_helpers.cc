// Helpers of the compiler tests.
#include "compile_helpers.h"

#include <cstdio>
#include <sstream>

#include "format/adventure_file.h"
#include "tools/dump.h"

namespace zoxtest {

zox::CompileOutcome compileText(const TempDir& dir, const std::string& source,
                                const std::string& name) {
  dir.write(name, source);
  return zox::compileSourceFile(dir.file(name));
}

std::string withHeader(const std::string& body) {
  return "[ZOX \"Test\"]\n" + body;
}

std::vector<uint8_t> codeArea(const zox::CompileOutcome& out) {
  if (!out.outputExists) return {};
  std::vector<uint8_t> bytes = out.output;
  std::FILE* f = fmemopen(bytes.data(), bytes.size() ? bytes.size() : 1, "rb");
  if (!f) return {};
  zox::AdventureIdentity id;
  zox::FileHeader header;
  int error = bytes.empty() ? 6 : zox::checkAdventureFile(f, id, &header);
  std::fclose(f);
  if (error != 0) return {};
  return {out.output.begin() + header.codeStart, out.output.begin() + header.codeEnd};
}

std::string listing(const zox::CompileOutcome& out) {
  if (!out.outputExists) return "(no output)";
  std::istringstream in(zox::dumpCode(out.output));
  std::string line, result;
  while (std::getline(in, line)) {
    size_t at = line.find("  ");
    result += (at == std::string::npos ? line : line.substr(at + 2)) + "\n";
  }
  return result;
}

std::string errorWords(const zox::CompileOutcome& out) {
  std::string words;
  for (int i = 0; i < out.errors.count; ++i) {
    if (!words.empty()) words += ' ';
    words += std::to_string(out.errors.entries[i].number) + "@" +
             std::to_string(out.errors.entries[i].line);
  }
  return words;
}

}  // namespace zoxtest
