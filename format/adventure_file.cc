// Writing and checking the compiled adventure file's container.
#include "format/adventure_file.h"

#include <algorithm>

#include "format/bytes.h"
#include "format/opcodes.h"
#include "format/text_key.h"
#include "format/walker.h"

namespace zox {

std::string partFileName(std::string_view firstPartPath, int part) {
  std::string path(firstPartPath);
  if (part >= 2 && part <= kMaxParts && !path.empty()) {
    path.back() = static_cast<char>('0' + part - 2);
  }
  return path;
}

std::vector<uint8_t> encodeHeader(std::string_view scrambledName, uint8_t part, uint8_t partCount) {
  std::vector<uint8_t> out(kMagic.begin(), kMagic.end());
  out.push_back(kFormatVersion);
  out.push_back(kSeparator);
  out.insert(out.end(), scrambledName.begin(), scrambledName.end());
  out.push_back(0);
  out.push_back(part);
  out.push_back(partCount);
  return out;
}

std::vector<uint8_t> buildAdventureFile(std::string_view plainName, uint8_t part, uint8_t partCount,
                                        std::span<const uint8_t> code,
                                        const std::vector<std::string>& resources) {
  std::string name = scramble(plainName).value_or(std::string());
  std::vector<uint8_t> out = encodeHeader(name, part, partCount);
  const uint32_t codeEnd = codeStartFor(name.size()) + static_cast<uint32_t>(code.size());
  putU32(out, codeEnd);
  out.insert(out.end(), code.begin(), code.end());
  putU32(out, sum32(code));
  for (const std::string& data : resources) {
    putU32(out, sum32(data));
    putU32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
  }
  return out;
}

namespace {

// Reads exactly n bytes; false on a short read.
bool readExact(std::FILE* f, uint8_t* to, size_t n) {
  return std::fread(to, 1, n, f) == n;
}

// Sums n bytes from the stream; false when the file ends first.
bool sumBytes(std::FILE* f, uint32_t n, uint32_t& sum) {
  uint8_t buf[65536];  // few reads even for a file of gigabytes
  while (n > 0) {
    size_t want = n < sizeof buf ? n : sizeof buf;
    size_t got = std::fread(buf, 1, want, f);
    sum = sum32(std::span<const uint8_t>(buf, got), sum);
    if (got < want) return false;
    n -= static_cast<uint32_t>(got);
  }
  return true;
}

// Longest name the check reads: the compiler writes at most 250 characters, so anything much
// longer is a damaged file, not a name.
constexpr size_t kLongestName = 4096;

}  // namespace

int checkAdventureFile(std::FILE* f, AdventureIdentity& identity, FileHeader* header) {
  using namespace file_error;
  FileHeader h;
  uint8_t magic[6];
  if (!readExact(f, magic, sizeof magic)) return kShortRead;
  if (std::string_view(reinterpret_cast<char*>(magic), 6) == kOldMagic) {
    h.version = kFormatVersion;
    h.oldMagic = true;
  } else {
    if (std::string_view(reinterpret_cast<char*>(magic), 3) != kMagic.substr(0, 3)) {
      return kCorrupt;
    }
    h.version = magic[5];
  }
  int sep = std::fgetc(f);
  if (sep == EOF) return kShortRead;
  if (sep != kSeparator) return kIncompatible;
  if (h.version < kOldestVersion || h.version > kNewestVersion) return kIncompatible;

  std::string scrambled;
  for (;;) {
    int c = std::fgetc(f);
    if (c == EOF) return kRead;
    if (c == 0) break;
    if (scrambled.size() >= kLongestName) return kRead;
    scrambled.push_back(static_cast<char>(c));
  }
  std::optional<std::string> name = unscramble(scrambled);
  if (!name) return kRead;
  h.name = *name;

  if (!identity.known) {
    identity.known = true;
    identity.name = h.name;
    identity.partCount = 1;
  } else if (identity.name != h.name) {
    return kWrongPart;
  }

  uint8_t fields[6];
  if (!readExact(f, fields, 1)) return kShortRead;
  h.part = fields[0];
  if (h.part > identity.partCount) return kWrongPart;
  if (!readExact(f, fields + 1, 1)) return kShortRead;
  h.partCount = fields[1];
  if (h.part == 1) {
    identity.partCount = h.partCount;
  } else if (h.partCount != identity.partCount) {
    return kWrongPart;
  }

  if (!readExact(f, fields + 2, 4)) return kShortRead;
  h.codeEnd = loadU32(fields + 2);
  h.codeStart = codeStartFor(scrambled.size());
  // A code end before the code start would make the stored checksum overlap the code area.
  if (h.codeEnd < h.codeStart) return kCorrupt;
  uint32_t sum = 0;
  if (!sumBytes(f, h.codeEnd - h.codeStart, sum)) return kRead;
  uint8_t word[4];
  if (!readExact(f, word, 4)) return kShortRead;
  h.codeChecksum = loadU32(word);
  if (h.codeChecksum != sum) return kCorrupt;

  for (uint64_t offset = uint64_t{h.codeEnd} + 4;;) {
    if (!readExact(f, word, 4)) break;  // fewer than 4 bytes left: the check is complete
    // Blocks beyond the compiler's number, or past the 32-bit offsets, are no adventure's:
    // refused here before they cost memory or wrap an offset.
    if (h.blocks.size() >= kMostBlocks) return kCorrupt;
    ResourceBlock block{static_cast<uint32_t>(offset), loadU32(word), 0};
    if (!readExact(f, word, 4)) return kShortRead;
    block.length = loadU32(word);
    uint32_t blockSum = 0;
    if (!sumBytes(f, block.length, blockSum)) return kRead;
    if (offset + kBlockHeaderBytes + block.length > kLargestFileBytes) return kCorrupt;
    if (blockSum != block.checksum) return kCorrupt;
    h.blocks.push_back(block);
    offset += kBlockHeaderBytes + uint64_t{block.length};
  }
  if (header) *header = std::move(h);
  return 0;
}

bool resourceNamesBlock(std::span<const ResourceBlock> blocks, uint32_t offset) {
  return std::any_of(blocks.begin(), blocks.end(),
                     [offset](const ResourceBlock& b) { return b.offset == offset; });
}

int checkResourceOffsets(std::span<const uint8_t> file, const FileHeader& header,
                         uint32_t* statement) {
  if (header.codeEnd > file.size() || header.codeStart > header.codeEnd) return 0;
  CodeWalker w(file.first(header.codeEnd), 0, header.codeStart);
  bool inInit = false;
  Statement s;
  while (w.position() < header.codeEnd && w.next(s) == WalkStatus::Ok) {
    if (s.opcode == op(Op::EndOfCode)) break;
    if (s.opcode == op(Op::Init)) {
      inInit = true;
    } else if (s.opcode == op(Op::Room) || s.opcode == op(Op::Inventory)) {
      inInit = false;
    } else if (inInit && s.opcode == op(Op::Resource) &&
               !resourceNamesBlock(header.blocks, s.operands[0])) {
      if (statement) *statement = s.offset;
      return file_error::kCorrupt;
    }
  }
  return 0;
}

}  // namespace zox
