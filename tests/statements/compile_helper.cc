// Short sources through the compiler's in-process entry point.
#include "compile_helper.h"

#include <regex>
#include <sstream>

#include "format/walker.h"
#include "screen.h"
#include "tools/dump.h"

namespace stmttest {

namespace {

// Offset of the first statement: after "ZOXKV", version, tab, the name and its 0x00, the
// part fields and the code-end field.
uint32_t codeStart(const std::vector<uint8_t>& file) {
  size_t i = 7;
  while (i < file.size() && file[i] != 0) ++i;
  return static_cast<uint32_t>(i + 1 + 2 + 4);
}

std::string join(const std::vector<std::string>& parts, const char* sep) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) out += (i ? sep : "") + parts[i];
  return out;
}

std::string describeErrors(const zox::CompileOutcome& o, int lineBase) {
  std::vector<std::string> parts;
  for (int i = 0; i < o.errors.count; ++i) {
    const zox::RecordedError& e = o.errors.entries[i];
    int line = e.line == 0 ? 0 : static_cast<int>(e.line) - lineBase;
    parts.push_back("E" + std::to_string(e.number) + "@" + std::to_string(line));
  }
  if (o.errors.count > 0 && o.outputExists) parts.push_back("OUTPUT LEFT");
  return join(parts, ", ");
}

int countLines(const std::string& text) {
  int n = 0;
  for (char ch : text) n += ch == '\n';
  return n;
}

}  // namespace

zox::CompileOutcome compileSource(const std::string& source) {
  zoxtest::TempDir dir;
  dir.write("t.adv", source);
  return zox::compileSourceFile(dir.file("t.adv"));
}

std::vector<std::string> listing(const std::vector<uint8_t>& file) {
  std::vector<std::string> lines;
  std::istringstream in(zox::dumpCode(file));
  static const std::regex target("-> [0-9a-f]{8} ");
  for (std::string line; std::getline(in, line);) {
    if (line.size() > 10 && line.compare(8, 2, "  ") == 0) line = line.substr(10);
    lines.push_back(std::regex_replace(line, target, ""));
  }
  return lines;
}

std::string room(const std::string& init, const std::string& body, Show show) {
  std::string head = kHeader + "[INIT]\n" + init + "[ROOM r]\n";
  zox::CompileOutcome o = compileSource(head + body);
  if (o.errors.count > 0 || o.status != 0) {
    std::string e = describeErrors(o, countLines(head));
    return e.empty() ? "status " + std::to_string(o.status) : e;
  }
  const std::vector<uint8_t>& f = o.output;
  // Find the room header, then take everything after it up to the end marker.
  zox::CodeWalker w(std::span<const uint8_t>(f.data(), f.size()), 0, codeStart(f));
  zox::Statement s;
  uint32_t from = 0, to = 0;
  std::vector<std::string> lines = listing(f);
  size_t roomLine = 0;
  for (size_t i = 0; w.next(s) == zox::WalkStatus::Ok; ++i) {
    if (s.opcode == zox::op(zox::Op::Room) && from == 0) {
      from = s.next;
      roomLine = i + 1;
    }
    if (s.opcode == zox::op(zox::Op::EndOfCode)) {
      to = s.offset;
      break;
    }
  }
  if (from == 0 || to < from) return "no room in the listing";
  if (show == Show::Listing) {
    std::vector<std::string> part(lines.begin() + static_cast<long>(roomLine), lines.end() - 1);
    return join(part, " | ");
  }
  std::string hex;
  char buf[4];
  for (uint32_t i = from; i < to; ++i) {
    std::snprintf(buf, sizeof buf, "%02x", f[i]);
    hex += (i > from ? " " : "") + std::string(buf);
  }
  return hex;
}

std::string codeHex(const std::string& source) {
  zox::CompileOutcome o = compileSource(source);
  if (o.errors.count > 0 || o.status != 0) {
    std::string e = describeErrors(o, 0);
    return e.empty() ? "status " + std::to_string(o.status) : e;
  }
  uint32_t from = codeStart(o.output);
  std::string hex;
  char buf[4];
  // The code area ends with the end marker, 4 bytes before the code checksum at E.
  uint32_t end = static_cast<uint32_t>(o.output[from - 4] | (o.output[from - 3] << 8) |
                                       (o.output[from - 2] << 16) | (o.output[from - 1] << 24));
  for (uint32_t i = from; i + 1 < end && i < o.output.size(); ++i) {
    std::snprintf(buf, sizeof buf, "%02x", o.output[i]);
    hex += (i > from ? " " : "") + std::string(buf);
  }
  return hex;
}

std::string errorsOf(const std::string& source) {
  zox::CompileOutcome o = compileSource(source);
  std::string e = describeErrors(o, 0);
  if (o.errors.count == 0 && o.status != 0) return "status " + std::to_string(o.status);
  return e.empty() ? "ok" : e;
}

}  // namespace stmttest
