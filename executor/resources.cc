// Showing an ANSITEXT resource: its bytes printed in the text colour, with the colour and
// line-feed escape sequences it holds carried out, and the text colour restored afterwards.
#include <algorithm>
#include <memory>
#include <new>

#include "executor/engine.h"
#include "executor/errors.h"
#include "executor/slot_file.h"

namespace zox {
namespace {

constexpr char kEscape = 0x1B;
constexpr size_t kPieceChars = 81;       // printed in pieces of this many characters
constexpr uint32_t kNumberCap = 100000;  // larger numbers are ignored like any unknown one

// Console colours of the ANSI colours 0 to 7 (30-37 foreground, 40-47 background).
constexpr int kAnsiColour[8] = {0, 4, 2, 6, 1, 5, 3, 7};

bool isLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

const ResourceBlock* findBlock(const std::vector<ResourceBlock>& blocks, uint32_t offset) {
  auto it = std::find_if(blocks.begin(), blocks.end(),
                         [offset](const ResourceBlock& b) { return b.offset == offset; });
  return it == blocks.end() ? nullptr : &*it;
}

}  // namespace

int zoxexec::showResource(int index) {
  const ResourceEntry entry = resources_[index];
  if (entry.part == part_) {
    // The block must be one the check of this file found; any other offset reads nonsense.
    const ResourceBlock* block = findBlock(blocks_, entry.offset);
    if (block == nullptr || file_ == nullptr) return kErrRead;
    return showResourceFrom(file_, *block);
  }
  // Registered by another part (before a part switch, or before a load of a game saved in
  // another part): its block lies in that part's file, which must still be a sound file of
  // this adventure with a block at that offset.
  std::unique_ptr<std::FILE, FileCloser> other;
  FileHeader header;
  try {
    other.reset(openPlainStream(partFileName(path_, entry.part)));
    if (!other) return kErrResourcePart;
    AdventureIdentity identity = identity_;
    if (checkAdventureFile(other.get(), identity, &header) != 0 || header.part != entry.part) {
      return kErrResourcePart;
    }
  } catch (const std::bad_alloc&) {
    return kErrNoMemory;
  }
  const ResourceBlock* block = findBlock(header.blocks, entry.offset);
  if (block == nullptr) return kErrResourcePart;
  return showResourceFrom(other.get(), *block);
}

int zoxexec::showResourceFrom(std::FILE* file, const ResourceBlock& block) {
  bool escape = false;
  bool bold = false;
  bool blink = false;
  bool lineFeeds = true;
  int foreground = colours_[kTextColour];
  int background = colours_[kTextBackground];
  int pendingForeground = -1;
  int pendingBackground = -1;
  uint32_t number = 0;
  std::string piece;
  piece.reserve(kPieceChars);

  auto flush = [&] {
    if (!piece.empty()) con_->printText(kSlotText, piece, 1);
    piece.clear();
  };
  // The number of a sequence takes effect at ';' and 'm'. 0 ends bold and blink but keeps
  // the colours.
  auto takeNumber = [&] {
    if (number == 0) {
      bold = blink = false;
    } else if (number == 1) {
      bold = true;
    } else if (number == 5) {
      blink = true;
    } else if (number >= 30 && number <= 37) {
      pendingForeground = kAnsiColour[number - 30];
    } else if (number >= 40 && number <= 47) {
      pendingBackground = kAnsiColour[number - 40];
    }
    number = 0;
  };
  auto finish = [&](int result) {
    flush();
    con_->setColour(kSlotText, colours_[kTextColour], colours_[kTextBackground]);
    return result;
  };

  if (std::fseek(file, static_cast<long>(block.offset) + kBlockHeaderBytes, SEEK_SET) != 0) {
    std::clearerr(file);
    return finish(kErrRead);
  }
  char chunk[4096];
  for (uint32_t left = block.length; left > 0;) {
    const size_t got = std::fread(chunk, 1, std::min<size_t>(sizeof chunk, left), file);
    if (got == 0) {
      std::clearerr(file);
      return finish(kErrRead);
    }
    left -= static_cast<uint32_t>(got);
    for (size_t i = 0; i < got; ++i) {
      const char c = chunk[i];
      if (!escape) {
        if (c == '\r') continue;
        if (c == '\n' && !lineFeeds) continue;
        if (c == kEscape) {
          escape = true;
          number = 0;
          pendingForeground = pendingBackground = -1;
          continue;
        }
        piece.push_back(c);
        if (piece.size() >= kPieceChars) flush();
        continue;
      }
      if (c >= '0' && c <= '9') {
        number = std::min(number * 10 + static_cast<uint32_t>(c - '0'), kNumberCap);
      } else if (c == ';') {
        takeNumber();
      } else if (c == 'm') {
        takeNumber();
        if (pendingForeground >= 0) foreground = pendingForeground;
        if (pendingBackground >= 0) background = pendingBackground;
        flush();
        // Bold and blink give the bright forms; a text colour that is bright already stays so.
        con_->setColour(kSlotText, bold ? (foreground | 8) : foreground,
                        blink ? (background | 8) : background);
        escape = false;
      } else if (c == 'l') {
        if (number == 7) lineFeeds = false;
        escape = false;
      } else if (isLetter(c)) {
        escape = false;
      }
    }
  }
  return finish(0);
}

}  // namespace zox
