// Saved games: the ten slot files beside the adventure, the SAVE and LOAD commands. A save
// replaces its slot file only once the new one is whole on the disk; a load reads and checks
// the whole file (and, for a game saved in another part, that part's compiled file) before
// anything of the running game is replaced.
#include <cstring>
#include <memory>
#include <new>

#include "executor/engine.h"
#include "executor/errors.h"
#include "executor/saved_game_file.h"
#include "executor/slot_file.h"
#include "executor/texts.h"

namespace zox {
namespace {

constexpr int kSlots = 10;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// The slot file name with the slot's digit in place of its last character.
std::string slotFile(const std::string& slotName, int slot) {
  std::string name = slotName;
  if (!name.empty()) name.back() = static_cast<char>('0' + slot);
  return name;
}

// The digit keys and Esc; the slot number, or -1 for Esc.
int waitForSlot(Console* con) {
  static constexpr int kKeys[] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', kKeyEscape};
  int k = con->waitForKeyOf(kSlotScreen, std::span<const int>(kKeys));
  return k >= 0 && k < kSlots ? k : -1;
}

// An offset of play: 0 where the field allows none, else inside the code area.
bool inCode(uint32_t offset, uint32_t codeStart, uint32_t codeEnd, bool zeroAllowed) {
  if (offset == 0) return zeroAllowed;
  return offset >= codeStart && offset < codeEnd;
}

}  // namespace

int zoxexec::saveCommand() {
  listSavedGames();
  con_->printText(kSlotScreen, texts::kAskSaveSlot, 1);
  const int slot = waitForSlot(con_);
  if (slot >= 0) {
    std::string description;
    int r = askDescription(description);
    if (r != 0) return r;
    switch (saveGame(slotFile(slotName_, slot), description)) {
      case 0:
        con_->printText(kSlotScreen, "\n\n", 1);
        con_->printText(kSlotScreen, messages_[8], 1);
        break;
      case 1:
        con_->printText(kSlotScreen, texts::kWriteError, 1);
        break;
      default:
        break;
    }
  }
  con_->printChar(kSlotScreen, '\n', 1);
  return 0;
}

int zoxexec::loadCommand() {
  gameLoaded_ = false;
  listSavedGames();
  con_->printText(kSlotScreen, texts::kAskLoadSlot, 1);
  const int slot = waitForSlot(con_);
  if (slot < 0) {
    con_->printChar(kSlotScreen, '\n', 1);
    return 0;
  }
  const int result = loadGame(slotFile(slotName_, slot));
  if (result == kLoaded) {
    gameLoaded_ = true;
    return showLoadedGame();
  }
  if (result > kLoaded && result < kLoadDeclined) {
    con_->printText(kSlotScreen, texts::kLoadResults[result], 1);
    // The running game is untouched by a failed load: the message ends its line and play
    // goes on.
    if (result == kLoadError || result == kLoadNoMemory || result == kLoadCodeChanged ||
        result == kLoadSumChanged) {
      con_->printChar(kSlotScreen, '\n', 1);
    }
  }
  return 0;
}

void zoxexec::listSavedGames() {
  con_->printText(kSlotScreen, texts::kSavedGamesHeading, 1);
  for (int slot = 0; slot < kSlots; ++slot) {
    std::string line(1, static_cast<char>('0' + slot));
    line += texts::kSlotLineSeparator;
    try {
      std::string start;
      switch (readSlotFile(slotFile(slotName_, slot), start, kListingBytes)) {
        case SlotRead::kOk:
          line += slotListingLine(start);
          break;
        case SlotRead::kCannotOpen:
          line += slotListingLine(std::nullopt);
          break;
        default:
          line += "read error\n";
          break;
      }
    } catch (const std::bad_alloc&) {
      line += "read error\n";
    }
    con_->printText(kSlotScreen, line, 1);
  }
}

int zoxexec::askDescription(std::string& description) {
  con_->printText(kSlotScreen, texts::kDescriptionPrompt, 1);
  descriptionBuffer_.fill(0);
  int r = con_->readLine(kSlotScreen, std::span<char>(descriptionBuffer_), kReadShortText, 1);
  if (r != 0) return r;
  description.assign(descriptionBuffer_.data(),
                     strnlen(descriptionBuffer_.data(), descriptionBuffer_.size()));
  return 0;
}

// ---- Saving ----

void zoxexec::fillSavedGame(SavedGame& g, std::string_view description) const {
  g.description = std::string(description);
  g.adventureName = identity_.name;
  g.part = part_;
  g.partCount = partCount_;
  g.title = title_;
  g.choicePrompt = choicePrompt_;
  g.commandPrompt = commandPrompt_;
  g.numberPrompt = numberPrompt_;
  g.startRoom = startRoom_;
  g.initOffset = initOffset_;
  for (int n = 1; n <= kSavedMessages; ++n) g.messages[n - 1] = messages_[n];
  g.initTexts = initTexts_;
  g.snapshot = snapshot_;
  g.numbers = numbers_;
  g.flags = flags_;
  g.roomInfo = roomInfo_;
  g.choiceResult = choiceResult_;
  g.currentRoom = currentRoom_;
  g.roomStart = roomStart_;
  g.statementOffset = statementOffset_;
  g.inventoryOffset = inventoryOffset_;
  g.returnOffset = returnOffset_;
  g.statusOffset = statusOffset_;
  for (int c = 0; c < kColourSettings; ++c) g.colours[c] = colours_[c];
  g.statusLines = statusLineCount_;
  g.codeChecksum = codeChecksum_;
}

int zoxexec::saveGame(const std::string& slotFile, std::string_view description) {
  // Nothing is deleted: the new file replaces the old one only once it is whole.
  if (slotFileExists(slotFile)) {
    con_->printText(kSlotScreen, "\n\n", 1);
    con_->printText(kSlotScreen, messages_[10], 1);
    if (!waitForYes(kSlotScreen)) return 2;
  }
  std::optional<std::vector<uint8_t>> bytes;
  try {
    auto game = std::make_unique<SavedGame>();
    fillSavedGame(*game, description);
    bytes = encodeSavedGame(*game);
  } catch (const std::bad_alloc&) {
    return 1;
  }
  if (!bytes) return 1;
  return writeSlotFile(slotFile, *bytes,
                       slotFileSystem_ != nullptr ? *slotFileSystem_ : realSlotFileSystem());
}

// ---- Loading ----

int zoxexec::loadGame(const std::string& slotFile) {
  con_->printText(kSlotScreen, "\n\n", 1);
  con_->printText(kSlotScreen, messages_[7], 1);
  const bool yes = waitForYes(kSlotScreen);
  con_->printChar(kSlotScreen, '\n', 1);
  if (!yes) return kLoadDeclined;
  try {
    return loadVerified(slotFile);
  } catch (const std::bad_alloc&) {
    return kLoadNoMemory;
  }
}

// The checks in the order a load makes them; the engine is touched only at the very end.
int zoxexec::loadVerified(const std::string& slotFile) {
  std::string bytes;
  switch (readSlotFile(slotFile, bytes)) {
    case SlotRead::kOk:
      break;
    case SlotRead::kCannotOpen:
      return kLoadFileNotFound;
    case SlotRead::kReadFailed:
      return kLoadError;
    default:
      return kLoadNoMemory;
  }
  auto game = std::make_unique<SavedGame>();
  SavedGameReader reader(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  if (int r = reader.readHead(*game); r != kLoaded) return r;
  if (game->adventureName != identity_.name || game->partCount != partCount_) {
    return kLoadOtherVersion;
  }
  // Only parts 1 to the part count exist: another number is a damaged file, and no file of
  // the adventure is opened for it.
  if (game->part < 1 || game->part > partCount_) return kLoadError;

  // A game of another part needs that part's compiled file, checked whole; the file in use
  // stays open until everything else has passed too.
  std::unique_ptr<std::FILE, FileCloser> partFile;
  FileHeader header;
  if (game->part != part_) {
    std::FILE* f = nullptr;
    if (int r = openSavedPart(game->part, f, header); r != kLoaded) return r;
    partFile.reset(f);
  }
  if (int r = reader.readBody(*game); r != kLoaded) return r;
  const uint32_t codeChecksum = partFile ? header.codeChecksum : codeChecksum_;
  const uint32_t codeStart = partFile ? header.codeStart : codeStart_;
  const uint32_t codeEnd = partFile ? header.codeEnd : codeEnd_;
  if (game->codeChecksum != codeChecksum) return kLoadCodeChanged;
  if (int r = reader.checkSum(); r != kLoaded) return r;
  // Where play stands must lie in that code: a file whose sum was made to fit cannot send the
  // cursors elsewhere.
  const SavedGame& g = *game;
  if (!inCode(g.roomStart, codeStart, codeEnd, false) ||
      !inCode(g.statementOffset, codeStart, codeEnd, false) ||
      !inCode(g.initOffset, codeStart, codeEnd, true) ||
      !inCode(g.inventoryOffset, codeStart, codeEnd, true) ||
      !inCode(g.returnOffset, codeStart, codeEnd, true) ||
      !inCode(g.statusOffset, codeStart, codeEnd, true)) {
    return kLoadError;
  }
  // The room texts come back from the snapshot; copied now, while a failure changes nothing.
  auto roomTexts = std::make_unique<std::array<Text, kTableSize>>(game->snapshot);
  takeSavedGame(*game, *roomTexts, partFile.release(), &header);
  return kLoaded;
}

int zoxexec::openSavedPart(int part, std::FILE*& file, FileHeader& header) {
  std::unique_ptr<std::FILE, FileCloser> f(openPlainStream(partFileName(path_, part)));
  if (!f) return kLoadFileNotFound;
  AdventureIdentity identity = identity_;
  if (checkAdventureFile(f.get(), identity, &header) != 0 || header.part != part) {
    return kLoadPartBroken;
  }
  file = f.release();
  return kLoaded;
}

// Replaces the running game by a checked one. Nothing here can fail: every text was made
// before, and the rest are moves.
void zoxexec::takeSavedGame(SavedGame& g, std::array<Text, kTableSize>& roomTexts,
                            std::FILE* newFile, FileHeader* header) {
  if (newFile != nullptr) {
    closeFile();
    file_ = newFile;
    part_ = header->part;
    codeStart_ = header->codeStart;
    codeEnd_ = header->codeEnd;
    codeChecksum_ = header->codeChecksum;
    blocks_ = std::move(header->blocks);
  }
  main_.emptyWindow();
  inventory_.emptyWindow();
  inventoryActive_ = false;

  title_ = std::move(g.title);
  choicePrompt_ = std::move(g.choicePrompt);
  commandPrompt_ = std::move(g.commandPrompt);
  numberPrompt_ = std::move(g.numberPrompt);
  startRoom_ = static_cast<uint16_t>(g.startRoom);
  initOffset_ = g.initOffset;
  for (int n = 1; n <= kSavedMessages; ++n) messages_[n] = std::move(g.messages[n - 1]);
  con_->setPressKeyText(&messages_[18]);
  for (int i = 0; i < kTableSize; ++i) {
    initTexts_[i] = std::move(g.initTexts[i]);
    snapshot_[i] = std::move(g.snapshot[i]);
    roomTexts_[i] = std::move(roomTexts[i]);
  }
  roomTextsSet_ = true;
  numbers_ = g.numbers;
  flags_ = g.flags;
  roomInfo_ = std::move(g.roomInfo);
  choiceResult_ = g.choiceResult;
  currentRoom_ = static_cast<uint16_t>(g.currentRoom);
  roomStart_ = g.roomStart;
  statementOffset_ = g.statementOffset;
  inventoryOffset_ = g.inventoryOffset;
  returnOffset_ = g.returnOffset;
  statusOffset_ = g.statusOffset;
  for (int c = 0; c < kColourSettings; ++c) colours_[c] = static_cast<uint8_t>(g.colours[c]);
  statusLineCount_ = g.statusLines;
  // A game saved before any command prompt was served has no return offset; a clause run
  // after the load must still come back to the loaded game, not to the file's start.
  if (returnOffset_ == 0) returnOffset_ = statementOffset_;
  // The console shows the loaded colours, not those of the game before.
  applyColours();
  // The main cursor goes to the statement the game was saved at, in the file now in use, so
  // that whatever runs next runs in the loaded game.
  seek(statementOffset_);
}

int zoxexec::showLoadedGame() {
  int r = redrawOnFreshScreen();
  if (r != 0) return r;
  con_->printChar(kSlotScreen, '\n', 1);
  con_->printText(kSlotScreen, messages_[9], 1);
  con_->printText(kSlotScreen, "\n\n", 1);
  printRoomInformation();
  con_->printText(kSlotScreen, "\n\n", 1);
  r = printItemList(true, {});
  if (r != 0) return r;
  con_->printChar(kSlotScreen, '\n', 1);
  return 0;
}

}  // namespace zox
