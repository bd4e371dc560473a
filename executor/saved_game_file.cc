// The saved-game layout: the writer and the reader field by field, in the same order, and the
// listing line of a slot.
#include "executor/saved_game_file.h"

#include <algorithm>
#include <new>

#include "format/bytes.h"
#include "format/text_key.h"

namespace zox {
namespace {

// Appends a scrambled text and its 0x00; false when the text cannot be scrambled.
bool putText(std::vector<uint8_t>& out, const Text& text) {
  if (text && !text->empty()) {
    if (firstRefused(*text) != std::string_view::npos) return false;
    const size_t at = out.size();
    out.resize(at + text->size());
    scrambleTo(*text, 0, out.data() + at);
  }
  out.push_back(0);
  return true;
}

}  // namespace

// ---- Writer ----

std::optional<std::vector<uint8_t>> encodeSavedGame(const SavedGame& g) {
  std::vector<uint8_t> out;
  out.reserve(4096);
  // 1, 2: magic and tab.
  out.insert(out.end(), kSaveMagic.begin(), kSaveMagic.end());
  out.push_back(kSaveSeparator);
  // 3: the description as typed, one line. A line break or a 0x00 inside would end it early
  // for every reader, so they become blanks.
  std::string_view description = g.description;
  description = description.substr(0, kDescriptionChars);
  for (char c : description) out.push_back(c == '\n' || c == '\0' ? ' ' : static_cast<uint8_t>(c));
  out.push_back('\n');
  // 4 to 6: whose game it is.
  if (!putText(out, g.adventureName)) return std::nullopt;
  out.push_back(g.part);
  out.push_back(g.partCount);
  // 7 to 12: title, prompts, start room, [INIT offset.
  for (const Text* t : {&g.title, &g.choicePrompt, &g.commandPrompt, &g.numberPrompt}) {
    if (!putText(out, *t)) return std::nullopt;
  }
  putU32(out, g.startRoom);
  putU32(out, g.initOffset);
  // 13: interface messages 1 to 19.
  for (const Text& m : g.messages) {
    if (!putText(out, m)) return std::nullopt;
  }
  // 14: INIT text variable i, then room text snapshot entry i.
  for (int i = 0; i < kSavedTableSize; ++i) {
    if (!putText(out, g.initTexts[i]) || !putText(out, g.snapshot[i])) return std::nullopt;
  }
  // 15, 16: numbers and flags.
  for (int32_t n : g.numbers) putU32(out, static_cast<uint32_t>(n));
  out.insert(out.end(), g.flags.begin(), g.flags.end());
  // 17, 18: room information, choice result.
  if (!putText(out, g.roomInfo)) return std::nullopt;
  out.push_back(g.choiceResult);
  // 19: where play stands.
  for (uint32_t v : {g.currentRoom, g.roomStart, g.statementOffset, g.inventoryOffset,
                     g.returnOffset, g.statusOffset}) {
    putU32(out, v);
  }
  // 20: the ten colours and the status line count.
  for (uint16_t c : g.colours) putU16(out, c);
  putU16(out, g.statusLines);
  // 21: the code it belongs to; 22: the file's own sum from the description on.
  putU32(out, g.codeChecksum);
  const uint32_t sum = sum32(std::span<const uint8_t>(out).subspan(kSaveChecksumStart), 0);
  putU32(out, sum);
  return out;
}

// ---- Reader ----

bool SavedGameReader::take(size_t n, std::span<const uint8_t>& out) {
  if (bytes_.size() - pos_ < n) return false;
  out = bytes_.subspan(pos_, n);
  pos_ += n;
  return true;
}

bool SavedGameReader::u8(uint8_t& v) {
  std::span<const uint8_t> b;
  if (!take(1, b)) return false;
  v = b[0];
  return true;
}

bool SavedGameReader::u16(uint16_t& v) {
  std::span<const uint8_t> b;
  if (!take(2, b)) return false;
  v = loadU16(b.data());
  return true;
}

bool SavedGameReader::u32(uint32_t& v) {
  std::span<const uint8_t> b;
  if (!take(4, b)) return false;
  v = loadU32(b.data());
  return true;
}

int SavedGameReader::text(std::string& out) {
  const uint8_t* begin = bytes_.data() + pos_;
  const uint8_t* end = bytes_.data() + bytes_.size();
  const uint8_t* zero = std::find(begin, end, uint8_t{0});
  if (zero == end) return kLoadError;
  std::optional<std::string> plain =
      unscramble(std::string_view(reinterpret_cast<const char*>(begin), zero - begin));
  if (!plain) return kLoadError;
  out = std::move(*plain);
  pos_ += (zero - begin) + 1;
  return kLoaded;
}

// Fields whose empty text stands for an absent one.
int SavedGameReader::optionalText(Text& out) {
  std::string s;
  int r = text(s);
  if (r != kLoaded) return r;
  if (s.empty()) {
    out.reset();
  } else {
    out = std::move(s);
  }
  return kLoaded;
}

int SavedGameReader::readHead(SavedGame& g) {
  pos_ = 0;
  std::span<const uint8_t> magic;
  if (!take(kSaveMagic.size(), magic)) return kLoadError;
  if (!std::equal(magic.begin(), magic.end(), kSaveMagic.begin())) return kLoadNotSaved;
  uint8_t tab;
  if (!u8(tab)) return kLoadError;
  if (tab != kSaveSeparator) return kLoadOtherVersion;
  // The description line: through its newline, at most 74 bytes (a longer line goes on into
  // the following fields, as a line read of that size would take it).
  const size_t left = bytes_.size() - pos_;
  if (left == 0) return kLoadError;
  size_t n = 0;
  while (n < left && n < kDescriptionLineBytes) {
    if (bytes_[pos_ + n++] == '\n') break;
  }
  const char* line = reinterpret_cast<const char*>(bytes_.data() + pos_);
  g.description.assign(line, (n > 0 && line[n - 1] == '\n') ? n - 1 : n);
  pos_ += n;
  if (int r = text(g.adventureName); r != kLoaded) return r;
  if (!u8(g.part) || !u8(g.partCount)) return kLoadError;
  return kLoaded;
}

int SavedGameReader::readBody(SavedGame& g) {
  for (Text* t : {&g.title, &g.choicePrompt, &g.commandPrompt, &g.numberPrompt}) {
    if (int r = optionalText(*t); r != kLoaded) return r;
  }
  if (!u32(g.startRoom) || !u32(g.initOffset)) return kLoadError;
  // Interface messages stay present when empty.
  for (Text& m : g.messages) {
    std::string s;
    if (int r = text(s); r != kLoaded) return r;
    m = std::move(s);
  }
  for (int i = 0; i < kSavedTableSize; ++i) {
    if (int r = optionalText(g.initTexts[i]); r != kLoaded) return r;
    if (int r = optionalText(g.snapshot[i]); r != kLoaded) return r;
  }
  for (int32_t& n : g.numbers) {
    uint32_t v;
    if (!u32(v)) return kLoadError;
    n = static_cast<int32_t>(v);
  }
  std::span<const uint8_t> flags;
  if (!take(g.flags.size(), flags)) return kLoadError;
  std::copy(flags.begin(), flags.end(), g.flags.begin());
  if (int r = optionalText(g.roomInfo); r != kLoaded) return r;
  if (!u8(g.choiceResult)) return kLoadError;
  for (uint32_t* v : {&g.currentRoom, &g.roomStart, &g.statementOffset, &g.inventoryOffset,
                      &g.returnOffset, &g.statusOffset}) {
    if (!u32(*v)) return kLoadError;
  }
  for (uint16_t& c : g.colours) {
    if (!u16(c)) return kLoadError;
  }
  if (!u16(g.statusLines)) return kLoadError;
  if (!u32(g.codeChecksum)) return kLoadError;
  // Values the engine could not take: the console knows colours 0 to 15, the screen has room
  // for 15 status lines, rooms are numbered in 16 bits.
  for (uint16_t c : g.colours) {
    if (c > kMaxSavedColour) return kLoadError;
  }
  if (g.statusLines > kMaxSavedStatusLines) return kLoadError;
  if (g.startRoom > 0xFFFF || g.currentRoom > 0xFFFF) return kLoadError;
  return kLoaded;
}

int SavedGameReader::checkSum() const {
  const size_t left = bytes_.size() - pos_;
  if (left == 0) return kLoaded;  // an older save without the sum
  if (left < 4) return kLoadError;
  const uint32_t sum = sum32(bytes_.subspan(kSaveChecksumStart, pos_ - kSaveChecksumStart));
  return loadU32(bytes_.data() + pos_) == sum ? kLoaded : kLoadSumChanged;
}

// ---- Listing ----

std::string slotListingLine(std::optional<std::string_view> start) {
  if (!start) return "empty\n";
  std::string_view s = *start;
  if (s.size() < kSaveMagic.size()) return "read error\n";
  if (s.substr(0, kSaveMagic.size()) != kSaveMagic) return "this is not a saved game\n";
  s.remove_prefix(kSaveMagic.size());
  if (s.empty() || static_cast<uint8_t>(s[0]) == 0xFF) return "read error\n";
  if (s[0] != static_cast<char>(kSaveSeparator)) return "incorrect version\n";
  s.remove_prefix(1);
  if (s.empty()) return "read error\n";
  if (s[0] == '\0') return "no description found\n";
  // The line through its newline, at most 74 bytes; it ends at a 0x00 and always gets its new
  // line, so that the next slot starts a line of its own.
  s = s.substr(0, kDescriptionLineBytes);
  if (size_t nl = s.find('\n'); nl != std::string_view::npos) s = s.substr(0, nl);
  if (size_t zero = s.find('\0'); zero != std::string_view::npos) s = s.substr(0, zero);
  std::string line(s);
  line.push_back('\n');
  return line;
}

}  // namespace zox
