// The listing behind zoxdump.
#include "tools/dump.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string_view>

#include "format/adventure_file.h"
#include "format/bytes.h"
#include "format/opcodes.h"
#include "format/text_key.h"
#include "format/walker.h"

namespace zox {

namespace {

constexpr const char* kColourNames[] = {"BLACK",    "BLUE",         "GREEN",      "CYAN",
                                        "RED",      "MAGENTA",      "BROWN",      "LIGHTGRAY",
                                        "DARKGRAY", "LIGHTBLUE",    "LIGHTGREEN", "LIGHTCYAN",
                                        "LIGHTRED", "LIGHTMAGENTA", "YELLOW",     "WHITE"};

std::string format(const char* fmt, auto... args) {
  char buf[256];
  std::snprintf(buf, sizeof buf, fmt, args...);
  return buf;
}

// Latin-1 to UTF-8, with the line break and quotes made visible.
std::string quoted(std::string_view latin1) {
  std::string out = "\"";
  for (char ch : latin1) {
    uint8_t c = static_cast<uint8_t>(ch);
    if (c == '\n') {
      out += "\\n";
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out + "\"";
}

std::string hexBytes(std::string_view bytes) {
  std::string out;
  for (char c : bytes) out += format("%02x", static_cast<uint8_t>(c));
  return out;
}

struct Parsed {
  bool headerOk = false;
  std::string name;
  uint32_t codeStart = 0;
  uint32_t codeEnd = 0;  // clamped to the file
};

// Room header offsets by file offset, so that GO TO targets can name their room.
std::map<uint32_t, uint32_t> roomHeaders(const std::vector<uint8_t>& file, uint32_t start,
                                         uint32_t end) {
  std::map<uint32_t, uint32_t> rooms;
  CodeWalker w(std::span<const uint8_t>(file.data(), end), 0, start);
  Statement s;
  while (w.position() < end && w.next(s) == WalkStatus::Ok) {
    if (s.opcode == op(Op::Room)) rooms[s.offset] = s.operands[0];
    if (s.opcode == op(Op::EndOfCode)) break;
  }
  return rooms;
}

std::string statementLine(const CodeWalker& w, const Statement& s,
                          const std::map<uint32_t, uint32_t>& rooms) {
  std::string line = format("%08x  ", s.offset);
  line += std::string(s.info->name);
  int operand = 0;
  for (char kind : s.info->layout) {
    switch (kind) {
      case 'b':
      case 'h':
        line += format(" %u", s.operands[operand++]);
        break;
      case 'c': {
        uint32_t v = s.operands[operand++];
        if (v < 16) {
          line += std::string(" ") + kColourNames[v];
        } else if (v == kColourDefault) {
          line += " DEFAULT";
        } else {
          line += format(" <bad colour %u>", v);
        }
        break;
      }
      case 'r':
        line += format(s.opcode == op(Op::Room) ? " %u" : " room %u", s.operands[operand++]);
        break;
      case 'w':
        line += format(" %d", static_cast<int32_t>(s.operands[operand++]));
        break;
      case 'o': {
        uint32_t target = s.operands[operand++];
        line += format(" -> %08x", target);
        if (s.opcode == op(Op::GoTo)) {
          auto it = rooms.find(target);
          line += it != rooms.end() ? format(" (room %u)", it->second) : " (no room header there)";
        }
        break;
      }
      case 'l':
      case 'm': {
        line += format(" count %u", s.listCount);
        if (kind == 'm') line += format(" mask %04x", s.listMask);
        line += " [";
        std::span<const uint8_t> slots = w.list(s);
        for (size_t i = 0; i < slots.size(); ++i) line += format(i ? " %u" : "%u", slots[i]);
        line += "]";
        break;
      }
      case 't': {
        std::string_view raw = w.text(s);
        std::optional<std::string> text = unscramble(raw);
        line += text ? " " + quoted(*text) : " <text does not unscramble: " + hexBytes(raw) + ">";
        break;
      }
    }
  }
  return line + "\n";
}

// Lists the code area from start up to end (exclusive). Returns false on a fault.
bool listCode(const std::vector<uint8_t>& file, uint32_t start, uint32_t end, std::string& out,
              std::string& problem) {
  std::map<uint32_t, uint32_t> rooms = roomHeaders(file, start, end);
  CodeWalker w(std::span<const uint8_t>(file.data(), end), 0, start);
  Statement s;
  while (w.position() < end) {
    WalkStatus st = w.next(s);
    if (st == WalkStatus::UnknownOpcode) {
      out += format("%08x  <unknown opcode %02x>\n", s.offset, file[s.offset]);
      problem = format("unknown opcode %02x at offset %08x", file[s.offset], s.offset);
      return false;
    }
    if (st == WalkStatus::Truncated) {
      out += format("%08x  <statement runs past the code end>\n", s.offset);
      problem = format("the statement at offset %08x runs past the code end", s.offset);
      return false;
    }
    out += statementLine(w, s, rooms);
    if (s.opcode == op(Op::EndOfCode)) {
      if (s.next != end) {
        problem = format("%u bytes after the end marker", end - s.next);
        out += "          <" + problem + ">\n";
        return false;
      }
      return true;
    }
  }
  problem = "the code area has no end marker";
  return false;
}

const char* meaning(int error) {
  switch (error) {
    case file_error::kNoMemory:
      return "not enough memory";
    case file_error::kRead:
      return "the file ends inside the name, the code or a block";
    case file_error::kShortRead:
      return "the file ends inside a header field or a block length";
    case file_error::kCorrupt:
      return "not a compiled adventure file, or a checksum is wrong";
    case file_error::kIncompatible:
      return "a format version this system cannot read";
    case file_error::kWrongPart:
      return "a part number that does not fit";
    default:
      return "damaged file";
  }
}

}  // namespace

DumpResult dumpAdventure(const std::vector<uint8_t>& file) {
  DumpResult r;
  // The verdict comes from the same check the executor runs.
  AdventureIdentity identity;
  FileHeader header;
  if (std::FILE* f =
          fmemopen(const_cast<uint8_t*>(file.data()), file.size() ? file.size() : 1, "rb");
      f) {
    r.error = file.empty() ? file_error::kShortRead : checkAdventureFile(f, identity, &header);
    std::fclose(f);
  } else {
    r.error = file_error::kNoMemory;
  }

  std::string& out = r.text;
  out += format("file size   %zu bytes\n", file.size());
  if (r.error != 0 && header.codeEnd == 0) {
    // The check stopped early; show what the header holds as far as it goes.
    r.problem = meaning(r.error);
    size_t nameEnd = 7;
    while (nameEnd < file.size() && file[nameEnd] != 0) ++nameEnd;
    std::string_view start(reinterpret_cast<const char*>(file.data()),
                           std::min<size_t>(6, file.size()));
    bool recognised = start == kOldMagic || start.substr(0, 3) == kMagic.substr(0, 3);
    out += std::string("magic       ") + (recognised ? "ZOX" : "<not a compiled adventure file>") +
           "\n";
    if (recognised && nameEnd + 7 <= file.size()) {
      std::string_view raw(reinterpret_cast<const char*>(file.data()) + 7, nameEnd - 7);
      std::optional<std::string> name = unscramble(raw);
      out += "name        " + (name ? quoted(*name) : "<does not unscramble>") + "\n";
      uint32_t codeStart = static_cast<uint32_t>(nameEnd) + 7;
      uint32_t codeEnd = loadU32(&file[nameEnd + 3]);
      out += format("part        %u of %u\n", file[nameEnd + 1], file[nameEnd + 2]);
      out += format("code        %08x..%08x\n", codeStart, codeEnd);
      if (codeEnd > codeStart && codeEnd <= file.size()) {
        out += "\n";
        std::string ignored;
        listCode(file, codeStart, codeEnd, out, ignored);
      }
    }
    out += format("\nerror %02d: %s\n", r.error, r.problem.c_str());
    return r;
  }

  out += format("magic       %s\n", header.oldMagic ? "VORNIK (older header)" : "ZOX");
  out += format("version     %u\n", header.version);
  out += "name        " + quoted(header.name) + "\n";
  out += format("part        %u of %u\n", header.part, header.partCount);
  out += format("code        %08x..%08x (%u bytes)\n", header.codeStart, header.codeEnd,
                header.codeEnd - header.codeStart);
  uint32_t sum = sum32(
      std::span<const uint8_t>(file.data() + header.codeStart, header.codeEnd - header.codeStart));
  out += format("checksum    %08x (%s)\n", header.codeChecksum,
                sum == header.codeChecksum ? "ok" : "WRONG");
  out += "\n";
  std::string codeProblem;
  bool codeOk = listCode(file, header.codeStart, header.codeEnd, out, codeProblem);

  out += format("\nblocks      %zu\n", header.blocks.size());
  for (size_t i = 0; i < header.blocks.size(); ++i) {
    const ResourceBlock& b = header.blocks[i];
    out += format("block %zu     at %08x, %u bytes, checksum %08x (ok)\n", i, b.offset, b.length,
                  b.checksum);
  }
  uint32_t unnamed = 0;
  if (r.error != 0) {
    r.problem = meaning(r.error);
    out += format("\nerror %02d: %s\n", r.error, r.problem.c_str());
  } else if (!codeOk) {
    // The container is sound but the code is not: the executor refuses this in its test pass.
    r.error = 20;
    r.problem = codeProblem;
    out += "\nerror 20: " + codeProblem + "\n";
  } else if (checkResourceOffsets(file, header, &unnamed) != 0) {
    // The executor's test pass refuses it the same way (a file cut where its blocks begin).
    r.error = file_error::kCorrupt;
    r.problem = format("the RESOURCE statement at offset %08x names no resource block", unnamed);
    out += format("\nerror %02d: %s\n", r.error, r.problem.c_str());
  }
  return r;
}

std::string dumpCode(const std::vector<uint8_t>& file) {
  AdventureIdentity identity;
  FileHeader header;
  std::FILE* f = fmemopen(const_cast<uint8_t*>(file.data()), file.size() ? file.size() : 1, "rb");
  if (!f) return {};
  int error = file.empty() ? file_error::kShortRead : checkAdventureFile(f, identity, &header);
  std::fclose(f);
  if (error != 0) return format("error %02d\n", error);
  std::string out, problem;
  listCode(file, header.codeStart, header.codeEnd, out, problem);
  return out;
}

}  // namespace zox
