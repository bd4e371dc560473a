// The compiled adventure file's container: header, code area, code checksum and resource
// blocks. The writer side (used by the compiler) and the checker (used by the executor and the
// dump tool) sit side by side so that they stay mirror images of each other.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zox {

inline constexpr std::string_view kMagic = "ZOXKV";
inline constexpr std::string_view kOldMagic = "VORNIK";  // older header without a version byte
inline constexpr uint8_t kFormatVersion = 145;
inline constexpr uint8_t kOldestVersion = 132;
inline constexpr uint8_t kNewestVersion = 153;
inline constexpr uint8_t kSeparator = 0x09;
inline constexpr int kMaxParts = 11;
// Header bytes besides the name: magic 5, version 1, tab 1, name terminator 1, part 1, count 1,
// code-end field 4.
inline constexpr uint32_t kHeaderFixedBytes = 14;
inline constexpr uint32_t kBlockHeaderBytes = 8;  // block checksum and length
// Every offset in the file is 32 bits, so no byte of a compiled file lies beyond this size.
inline constexpr uint64_t kLargestFileBytes = UINT32_MAX;
// The compiler stores at most 256 resources, one block each.
inline constexpr size_t kMostBlocks = 256;

// Offset of the first statement for a name of nameLength bytes (scrambling keeps the length).
inline constexpr uint32_t codeStartFor(size_t nameLength) {
  return static_cast<uint32_t>(nameLength) + kHeaderFixedBytes;
}
// Offset of the code-end field.
inline constexpr uint32_t codeEndFieldFor(size_t nameLength) {
  return static_cast<uint32_t>(nameLength) + 10;
}

// The file of part n (1..11) of an adventure whose first part is firstPartPath: part 1 is the
// path itself, part n >= 2 has its last character replaced by the digit n - 2.
std::string partFileName(std::string_view firstPartPath, int part);

// ---- Writer side ----

// Header from the magic up to and including the part count; the caller writes the 4-byte
// code-end field after it. scrambledName must already be scrambled (no 0x00 inside).
std::vector<uint8_t> encodeHeader(std::string_view scrambledName, uint8_t part, uint8_t partCount);

// A whole file in memory: header, code (which must end with the end marker), code checksum,
// one block per resource. Used by tests and tools to make files; the compiler writes the same
// bytes through its passes.
std::vector<uint8_t> buildAdventureFile(std::string_view plainName, uint8_t part, uint8_t partCount,
                                        std::span<const uint8_t> code,
                                        const std::vector<std::string>& resources = {});

// ---- Reader side ----

// Error numbers of the check, in the executor's numbering.
namespace file_error {
inline constexpr int kNoMemory = 2;
inline constexpr int kRead = 5;          // end of file inside name, code area or block
inline constexpr int kShortRead = 6;     // a fixed field could not be read whole
inline constexpr int kCorrupt = 8;       // magic or a checksum wrong
inline constexpr int kIncompatible = 9;  // separator or version
inline constexpr int kWrongPart = 12;    // a part file that does not belong to the adventure
}  // namespace file_error

// What the check learns about the adventure from its first file; later part files must fit it.
struct AdventureIdentity {
  bool known = false;     // false until the first file passed steps up to the name
  std::string name;       // unscrambled
  uint8_t partCount = 1;  // decided by the header of part 1
};

struct ResourceBlock {
  uint32_t offset;  // of the block's checksum field
  uint32_t checksum;
  uint32_t length;
};

struct FileHeader {
  uint8_t version = 0;
  bool oldMagic = false;
  std::string name;  // unscrambled
  uint8_t part = 0;
  uint8_t partCount = 0;
  uint32_t codeStart = 0;
  uint32_t codeEnd = 0;  // offset of the code checksum
  uint32_t codeChecksum = 0;
  std::vector<ResourceBlock> blocks;
};

// Checks a whole file from its start: magic, separator, version, name, part numbers, code
// checksum and every resource block. Returns 0 or a file_error number. On success the stream is
// at its end, identity holds the name and the part count, and header (if given) is filled.
// More than kMostBlocks blocks, or a block reaching past kLargestFileBytes, is corrupt.
// The caller owns the stream and closes it. The container says nothing of the code inside it:
// a reader that walks the code area applies resourceNamesBlock to each RESOURCE statement of an
// [INIT section (checkResourceOffsets does the whole walk for a file held in memory).
int checkAdventureFile(std::FILE* file, AdventureIdentity& identity, FileHeader* header = nullptr);

// A RESOURCE statement names its block by the offset of the block's checksum field: true when
// offset is where one of the blocks (as the check found them) begins.
bool resourceNamesBlock(std::span<const ResourceBlock> blocks, uint32_t offset);

// For a file in memory whose container passed checkAdventureFile (header from that check):
// walks the code area and checks every RESOURCE statement of an [INIT section with
// resourceNamesBlock. Returns 0, or file_error::kCorrupt with the offset of the first statement
// that names no block in *statement (if given). A walk that meets an unknown or cut statement
// stops there with 0: what the walk cannot read is the code's fault, not the container's.
int checkResourceOffsets(std::span<const uint8_t> file, const FileHeader& header,
                         uint32_t* statement = nullptr);

}  // namespace zox
