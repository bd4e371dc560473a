// The saved-game file: its byte layout with the writer and the reader side by side, the load
// results, and the line a slot shows in the listing. No engine and no console here: the engine
// fills a SavedGame to save and takes one over after a load that passed every check.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zox {

using Text = std::optional<std::string>;

inline constexpr std::string_view kSaveMagic = "ZOXSAV";
inline constexpr uint8_t kSaveSeparator = 0x09;
inline constexpr uint32_t kSaveChecksumStart = 7;  // the first byte of the description
inline constexpr size_t kDescriptionChars = 73;    // typed characters, without the 0x0A
// The description line as the reader takes it: up to 74 bytes, through its newline.
inline constexpr size_t kDescriptionLineBytes = kDescriptionChars + 1;
inline constexpr int kSavedMessages = 19;  // interface messages 1 to 19
inline constexpr int kSavedTableSize = 256;
inline constexpr int kSavedColours = 10;
inline constexpr int kMaxSavedStatusLines = 15;
inline constexpr int kMaxSavedColour = 15;
// A slot file larger than this is no saved game of ours; reading it is refused as lack of
// memory (load result 5) rather than tried.
inline constexpr size_t kMaxSlotFileBytes = 64u << 20;

// Results of a load, as the LOAD command reports them.
enum LoadResult : int {
  kLoaded = 0,
  kLoadFileNotFound = 1,  // slot file (or the saved part's file) cannot be opened
  kLoadError = 2,         // cut short, a text that does not unscramble, a field out of range
  kLoadNotSaved = 3,      // no "ZOXSAV" at the start
  kLoadOtherVersion = 4,  // no tab after the magic; another adventure or part count
  kLoadNoMemory = 5,
  kLoadCodeChanged = 6,  // the compiled code differs from the one the game was saved with
  kLoadSumChanged = 7,   // the saved-game checksum does not match
  kLoadPartBroken = 8,   // the saved part's compiled file fails its check
  kLoadDeclined = 9,     // the player answered no
};

// Everything a slot file holds, in the order of its fields.
struct SavedGame {
  std::string description;  // field 3 without its 0x0A (cut to 73 characters when written)
  std::string adventureName;
  uint8_t part = 1;
  uint8_t partCount = 1;
  Text title;
  Text choicePrompt;
  Text commandPrompt;
  Text numberPrompt;
  uint32_t startRoom = 1;
  uint32_t initOffset = 0;
  std::array<Text, kSavedMessages> messages;  // [0] is interface message 1
  std::array<Text, kSavedTableSize> initTexts;
  std::array<Text, kSavedTableSize> snapshot;
  std::array<int32_t, kSavedTableSize> numbers{};
  std::array<uint8_t, kSavedTableSize / 8> flags{};
  Text roomInfo;
  uint8_t choiceResult = 0;
  uint32_t currentRoom = 0;
  uint32_t roomStart = 0;
  uint32_t statementOffset = 0;
  uint32_t inventoryOffset = 0;
  uint32_t returnOffset = 0;
  uint32_t statusOffset = 0;
  std::array<uint16_t, kSavedColours> colours{};  // text, text background, screen, ... status
  uint16_t statusLines = 0;
  uint32_t codeChecksum = 0;
};

// ---- Writer side ----

// The whole file, fields 1 to 22. Texts are scrambled, each followed by a 0x00; an absent text
// is a lone 0x00. Nothing when a text holds a character that cannot be scrambled.
std::optional<std::vector<uint8_t>> encodeSavedGame(const SavedGame& game);

// ---- Reader side ----

// Reads a slot file held in memory in the order a load checks it. Every step returns a
// LoadResult; a failed step leaves the SavedGame partly filled, which the caller drops.
class SavedGameReader {
 public:
  explicit SavedGameReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  // Fields 1 to 6: magic (short 2, other 3), tab (missing 2, other 4), description line
  // (missing 2), adventure name (2 cut or not unscrambling), part number and part count (2).
  int readHead(SavedGame& game);
  // Fields 7 to 21 (2 cut short or a text that does not unscramble; a colour above 15 or more
  // than 15 status lines is a damaged file, 2 as well).
  int readBody(SavedGame& game);
  // Field 22 against the sum of the bytes from offset 7 up to it: 0 when equal or when the
  // file ends right after field 21; 7 when it differs; 2 when only part of it is there.
  int checkSum() const;

 private:
  bool take(size_t n, std::span<const uint8_t>& out);
  bool u8(uint8_t& v);
  bool u16(uint16_t& v);
  bool u32(uint32_t& v);
  // A text up to its 0x00, unscrambled: 0, or 2 (cut short, does not unscramble).
  int text(std::string& out);
  int optionalText(Text& out);

  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
};

// ---- Listing ----

// The text after "d ... " in the listing of the slots, from the first bytes of a slot file (at
// least magic, tab and a description line's worth, if the file has them); nothing for a slot
// file that cannot be opened. Always ends with a new line.
std::string slotListingLine(std::optional<std::string_view> start);
// How many bytes of a slot file slotListingLine needs at most.
inline constexpr size_t kListingBytes = kSaveMagic.size() + 1 + kDescriptionLineBytes;

}  // namespace zox
