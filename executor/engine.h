// The executor's engine, class `zoxexec`: the open compiled adventure with its two cursors, the
// operands of the statement just fetched, every text, table and variable of the adventure, and
// the operations of the loader, the interpreter step, the error dialog and the screen areas.
// Each group of operations lives in a source file of its own (named in the comments below).
#pragma once

#include <array>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "executor/cursor.h"
#include "executor/patterns.h"
#include "format/adventure_file.h"

namespace zox {

// A text that may be absent (std::nullopt), which is not the same as an empty text.
using Text = std::optional<std::string>;

// What fetchStatement found: the opcode (0xA0 to 0xFF), an IF test's opcode plus kNegated after
// a NOT prefix, or one of the three failures.
inline constexpr int kStatementUnknown = -1;      // no valid statement (also a corrupt text)
inline constexpr int kStatementReadFailure = -2;  // the file could not be read, or the code ended
inline constexpr int kStatementNoMemory = -3;
inline constexpr int kNegated = 0x100;

// The ten colour settings, in the order in which saved games store them. Even indexes are
// foregrounds, odd ones backgrounds.
enum ColourSetting : int {
  kTextColour,
  kTextBackground,
  kScreenColour,
  kScreenBackground,
  kInputColour,
  kInputBackground,
  kTitleColour,
  kTitleBackground,
  kStatusColour,
  kStatusBackground,
  kColourSettings
};

struct ResourceEntry {
  uint32_t offset;  // of the resource block in the file that registered it
  uint8_t kind;     // 0: ANSITEXT
  uint8_t part;     // the part whose [INIT registered it: its file holds the block
};

struct SavedGame;
struct SlotFileSystem;

class zoxexec {
 public:
  static constexpr int kTableSize = 256;  // entries of every variable table
  static constexpr int kChoiceListSize = 16;
  static constexpr int kMaxResources = 256;
  static constexpr int kMaxStatusLines = 15;
  static constexpr int kPromptBytes = 84;  // the command prompt's copy: 83 characters and a 0

  // REQUIRES: console outlives the engine.
  explicit zoxexec(Console* console);
  virtual ~zoxexec();
  zoxexec(const zoxexec&) = delete;
  zoxexec& operator=(const zoxexec&) = delete;

  // ---- Loader: start-up passes (passes.cc) ----------------------------------------------

  // Checks the extension, opens the file (a plain file only), builds the slot file name and
  // allocates both cursors. 0, 2, 3 or 4.
  int open(std::string_view path);
  // Header and checksums, then one walk over the code area recording the section offsets.
  int test();
  // Defaults, then the [INIT section.
  int initialise();
  // The adventure's password, if it has one.
  const Text& password() const { return messages_[0]; }
  // Finds the start room, announces the start, pauses, draws the title line and status area.
  int start();
  // CONTINUE: opens, checks and starts part n (1 to the part count).
  int switchPart(int part);
  // Closes the adventure file if it is open; safe to call twice (the signal handler does).
  void closeFile();
  // The same for the stop on a signal: only the descriptor is closed (the stream's memory goes
  // with the process), since the signal may have interrupted the allocator.
  void closeFileOnStop();

  // ---- Loader: reading the code area (loader.cc) -----------------------------------------

  // Both act on the active cursor. A failed seek leaves the position unchanged.
  bool seek(uint64_t offset);
  uint64_t tell() const { return activeCursor().position(); }
  // One byte of the code area; -1 when it cannot be read or lies at or beyond the code end.
  int readByte();
  bool readU16(uint16_t& value);
  bool readU32(uint32_t& value);
  // The text operand up to the next opcode, unscrambled into the current text. 0, or
  // kStatementUnknown (corrupt), kStatementReadFailure, kStatementNoMemory.
  int readText();
  // Reads one stored statement and its operands at the active cursor.
  int fetchStatement();

  // ---- Interpreter (step.cc, rooms.cc) --------------------------------------------------

  // Runs one stored statement: 0 go on, -1 the run (or a status run) ended, 1 to 19 a fatal
  // error, 20 and above an error after which the player chose to exit, 61 (status run only) a
  // statement the status section may not hold.
  int step();
  // GO TO: enters the room whose header lies at offset.
  int enterRoomAt(uint32_t offset);
  // Enters a room by its number (the stored 0xAB).
  int enterRoomNumber(uint16_t room);

  // ---- Run-time error dialog (error_dialog.cc) ------------------------------------------

  // Shows error n; with an offset and n >= 20 asks how to go on. 1 the player left the command
  // clause, 0 go on (ignored, or the cursor is back on the failing statement), -1 stop.
  int report(int error, uint32_t offset);
  // Error 10 for a stop signal: shown in play's text area even when the signal came while the
  // title line or the status area was being drawn. Called from the signal handler.
  void reportStop();

  // ---- Variables and conditions (conditions.cc) -----------------------------------------

  // =, +=, -=, RANDOM and flag = of the statement just fetched.
  void variableStatement(int kind);
  // Whether the IF test just fetched (kind as fetchStatement gave it) enters its block.
  bool testCondition(int kind) const;
  // Follows a test: enters the block or skips to its ELSE or END.
  int enterOrSkip(bool entered);
  // ELSE and END reached by running.
  int elseReached();
  int endReached();
  enum class SkipStop { End, Else };
  // Passes over statements to the END of this level (or its ELSE when stopAtElse).
  int skipBlock(bool stopAtElse, SkipStop* stoppedAt);

  // ---- Title line and status area (screen_areas.cc) -------------------------------------

  void drawTitleLine();
  int drawStatusArea();
  // STATUSLINES n outside a status run.
  int statusLines(int lines);
  // Around a drawing that takes the console's text area for itself: the first call notes
  // where play's text area and cursor were (top, bottom, cursor column and screen row), so
  // that a stop can print its error there; the calls nest.
  void leavePlayArea(int top, int bottom, int x, int screenRow);
  void backToPlayArea();

  // ---- Command mode (command_mode.cc) ---------------------------------------------------

  static constexpr int kPromptNumber = 0;   // INPUT into a number variable
  static constexpr int kPromptCommand = 1;  // INPUT without a variable
  static constexpr int kPromptText = 2;     // INPUT into a text variable
  // What a number prompt answers when the player loaded a saved game there: the INPUT is over
  // without a number, and play goes on where the loaded game was saved.
  static constexpr int kPromptLoaded = -3;
  static constexpr int kMaxCommandWords = 40;

  // The prompt of INPUT in one of the three modes, with the statement's own prompt text
  // (empty: the mode's default). Number mode: 1 with the number read. Text mode: 0 with the
  // line in inputLine(). Command mode: 0 with the active cursor on the clause to
  // run. Number and command mode: -1 after a confirmed restart, -2 after a confirmed QUIT.
  // Otherwise an error number (26 too narrow a field, 24 no clause, ...).
  int commandPrompt(int mode, std::string_view prompt);
  // The START command, 'R' in a choice menu and RESTART.
  int restart();
  // Splits a typed line into the command words (at most 40) and keeps it single-spaced as the
  // input line. The number of words.
  int setCommandLine(std::string_view line);
  // The keys that answer a yes/no question: the first characters of interface messages 15
  // and 16, 'y' and 'n' where a message is empty.
  std::string confirmKeys() const;
  // Waits in the slot for one of the confirm keys: true for yes.
  bool waitForYes(int slot);

  // ---- Choice menu (choice_menu.cc) -----------------------------------------------------

  // The menu of the CHOOSE statement just fetched: 0 with choiceResult() the entry chosen (in
  // stored order), -1 after a confirmed restart, -2 after a confirmed QUIT, or an error (52 a
  // list of 0 or more than 16 entries, 51 an absent entry text, or the restart's error).
  int runChoiceMenu(bool randomOrder);

  // ---- Command clauses (clauses.cc) -----------------------------------------------------

  void takeSnapshot();
  // Room texts back from the snapshot, main cursor back to the command prompt. 0 or 5.
  int returnFromClause();
  int goSectionFallback();
  int goClauseFallback();
  // Matches the command words against the room's clauses and the [INVENTORY section's, with
  // every fallback: 0 with the active cursor on the clause to run and the clause header kind
  // set, or an error (24 no clause and no fallback).
  int searchClauses();

  // ---- Items, room information, resources (items.cc) ------------------------------------

  // The inventory list (the items of the [INVENTORY section whose flags are set, under
  // interface message 11) or the room's item list under the heading. 0 or 2, 6, 20.
  int printItemList(bool inventory, std::string_view heading);
  void printRoomInformation();
  // LOAD of an ANSITEXT resource, read from the file of the part that registered it. 0, 5 (the
  // file in use cannot be read there) or 64 (an earlier part's file fails its check).
  int showResource(int index);
  // The INFO command at the prompt: room information and inventory. 0 or an error.
  int infoCommand();

  // ---- Saved games (saved_games.cc) -----------------------------------------------------

  // The SAVE and LOAD commands at the prompt, from the slot listing to the last message.
  // 0 (the prompt is shown again) or an error number.
  int saveCommand();
  int loadCommand();
  // The ten slot lines.
  void listSavedGames();
  // Saves the running game into a slot file, asking first if it exists: 0 saved, 1 write
  // error (the slot file is as it was), 2 the player declined.
  int saveGame(const std::string& slotFile, std::string_view description);
  // Asks, then loads a slot file: a LoadResult. Only a load that passed every check changes
  // the engine (and, for a game saved in another part, the open file).
  int loadGame(const std::string& slotFile);
  // What follows a successful load: fresh screen, title and status, the loaded room's
  // information and the inventory. 0 or an error.
  int showLoadedGame();
  // Tests make the slot file's writing fail through this; nullptr for the real system calls.
  void setSlotFileSystem(const SlotFileSystem* fs) { slotFileSystem_ = fs; }

  // ---- Settings for tests and benchmarks ------------------------------------------------

  // The pause of the start pass (two seconds).
  void setStartPause(std::chrono::milliseconds pause) { startPause_ = pause; }

  // ---- Read access, for the main routine, tests and later parts --------------------------

  bool fileOpen() const { return file_ != nullptr; }
  const std::string& adventureName() const { return identity_.name; }
  int part() const { return part_; }
  int partCount() const { return partCount_; }
  uint32_t codeStart() const { return codeStart_; }
  uint32_t codeEnd() const { return codeEnd_; }
  uint32_t initOffset() const { return initOffset_; }
  uint32_t inventoryOffset() const { return inventoryOffset_; }
  uint32_t statusOffset() const { return statusOffset_; }
  const std::string& slotFileName() const { return slotName_; }
  uint16_t startRoom() const { return startRoom_; }
  uint16_t currentRoom() const { return currentRoom_; }
  uint32_t roomStartOffset() const { return roomStart_; }
  uint32_t statementOffset() const { return statementOffset_; }
  int64_t ifDepth() const { return ifDepth_; }
  int32_t number(int i) const { return numbers_[i & 0xFF]; }
  bool flag(int i) const { return (flags_[(i & 0xFF) >> 3] >> (i & 7)) & 1; }
  const Text& roomText(int i) const { return roomTexts_[i & 0xFF]; }
  const Text& initText(int i) const { return initTexts_[i & 0xFF]; }
  const Text& title() const { return title_; }
  const Text& message(int n) const { return messages_[n % kMessageSlots]; }
  const Text& roomInformation() const { return roomInfo_; }
  int colour(ColourSetting c) const { return colours_[c]; }
  int defaultColour(ColourSetting c) const { return defaultColours_[c]; }
  int statusLineCount() const { return statusLineCount_; }
  size_t resourceCount() const { return resources_.size(); }
  const std::string& currentText() const { return operands_.text; }
  bool inStatusRun() const { return statusRun_; }
  // The last typed line, single-spaced.
  std::string_view inputLine() const;
  uint32_t returnOffset() const { return returnOffset_; }

 private:
  static constexpr int kMessageSlots = 20;  // 0 the password, 1 to 19 the IMSG texts

  // The operands of the statement just fetched.
  struct Operands {
    std::string text;        // the text operand, unscrambled
    uint8_t firstByte = 0;   // variable, flag, slot, colour, part number
    uint8_t secondByte = 0;  // second variable of a comparison
    uint8_t valueByte = 0;   // TRUE/FALSE, status line count, entry count of a choice list
    std::array<uint8_t, kChoiceListSize> list{};
    uint16_t listMask = 0;  // entries taken from the INIT text variables
    uint16_t roomNumber = 0;
    int32_t value = 0;  // number, GO TO target, resource offset, RANDOM limit
  };

  Cursor& activeCursor() { return inventoryActive_ ? inventory_ : main_; }
  const Cursor& activeCursor() const { return inventoryActive_ ? inventory_ : main_; }
  int fetchOperands(int opcode);

  // passes.cc
  void clearRunData();
  void setDefaults();
  void applyColours();
  int runInitSection();
  int applyInitStatement(int kind);
  int findStartRoom();
  // The common end of a restart and a part switch: [INIT again over the kept state, then the
  // start room found from the code start (errors as a part switch reports them).
  int rerunInitAndFindStartRoom();
  // Reserved rows back to 0, the text area cleared, title and status drawn, cleared again.
  int redrawOnFreshScreen();
  int recordSections();
  int checkFile(FileHeader& header);

  // step.cc
  int execute(int kind, bool& endsRun);
  int printVariable(const Text& text);
  int waitOnVariable(const Text& text, std::string_view before);
  int colourStatement(int opcode);
  int commandPromptStatement();
  int inputStatement(int opcode);
  int chooseStatement(bool randomOrder);
  int clauseHeader(int opcode);
  int endClause();
  int outputSlot() const { return statusRun_ ? kSlotStatus : kSlotText; }
  int outputPaging() const { return statusRun_ ? 0 : 1; }

  // command_mode.cc
  void printPrompt(int mode, std::string_view prompt, bool again);
  // The built-in commands. When the line is one of them (recognised): 0 (the prompt is shown
  // again), -1 after a confirmed restart, -2 after a confirmed QUIT, or an error.
  int builtInCommand(std::string_view line, bool& recognised);
  void printInternalHelp();
  bool askConfirm();

  // choice_menu.cc
  friend class ChoiceMenu;

  // clauses.cc
  enum class Search { Found, WordsUsedUp, NoMatch, NoSubMatch, None };
  struct SectionSearch {
    Search result = Search::None;
    uint32_t fallback = 0;  // body of the fallback that applies, 0 for none
    int kind = 0;           // clause header kind to run the clause with
  };
  uint32_t sectionStart() const { return inventoryActive_ ? inventoryOffset_ : roomStart_; }
  int searchSection(SectionSearch& out);
  int findSectionFallback(uint32_t& body);
  int findClauseFallbackAfter(uint32_t& body);
  int findClauseFallbackOfClause(uint32_t& body);
  int findClauseFallbackOfSectionFallback(uint32_t& body);
  int inEitherSection(int (zoxexec::*find)(uint32_t&), uint32_t& body);
  void restoreRoomTexts();
  void renewRoomTexts();
  int fetchForSearch(int& kind);
  // Which cursor is active and where both stand, so that a failed search or jump can leave
  // everything as it was.
  struct Place {
    bool inventory;
    uint64_t main;
    uint64_t inventoryPosition;
  };
  Place place() const { return {inventoryActive_, main_.position(), inventory_.position()}; }
  void backTo(const Place& p);
  // Both GO OTHERWISE jumps end here: into the body their search found, or back with its error.
  int enterFallback(int r, uint32_t body, const Place& back);

  // rooms.cc
  void forgetRoomTexts();
  void forgetStatusTexts();
  // The room text variable i of the section being run (the [STATUS section has its own).
  Text& roomTextSlot(int i) { return statusRun_ ? statusTexts_[i & 0xFF] : roomTexts_[i & 0xFF]; }
  int searchRoom(uint16_t room, uint64_t stopAt, bool& found);

  // saved_games.cc
  bool gameLoaded_ = false;  // the last LOAD command loaded a game
  int askDescription(std::string& description);
  void fillSavedGame(SavedGame& game, std::string_view description) const;
  int loadVerified(const std::string& slotFile);
  int openSavedPart(int part, std::FILE*& file, FileHeader& header);
  void takeSavedGame(SavedGame& game, std::array<Text, kTableSize>& roomTexts, std::FILE* newFile,
                     FileHeader* header);

  // resources.cc
  int showResourceFrom(std::FILE* file, const ResourceBlock& block);

  void setFlag(int i, bool on) {
    uint8_t& byte = flags_[(i & 0xFF) >> 3];
    byte = on ? static_cast<uint8_t>(byte | (1u << (i & 7)))
              : static_cast<uint8_t>(byte & ~(1u << (i & 7)));
  }

  Console* con_;

  // The file and what its header said.
  std::FILE* file_ = nullptr;
  std::string path_;      // as the player gave it
  std::string slotName_;  // the path with "sa?" in place of its last three characters
  AdventureIdentity identity_;
  uint8_t part_ = 0;
  uint8_t partCount_ = 0;
  uint32_t codeStart_ = 0;
  uint32_t codeEnd_ = 0;  // offset of the code checksum, just after the end marker
  uint32_t codeChecksum_ = 0;
  std::vector<ResourceBlock> blocks_;

  Cursor main_;
  Cursor inventory_;
  bool inventoryActive_ = false;

  uint32_t initOffset_ = 0;
  uint32_t inventoryOffset_ = 0;
  uint32_t statusOffset_ = 0;
  uint16_t startRoom_ = 1;
  uint16_t currentRoom_ = 0;
  uint32_t roomStart_ = 0;
  uint32_t statementOffset_ = 0;
  uint32_t returnOffset_ = 0;
  int64_t ifDepth_ = 0;

  Operands operands_;

  // Run state.
  bool statusRun_ = false;
  struct PlayArea {
    int top = 0, bottom = 0, x = 0, screenRow = 0;
  };
  PlayArea playArea_;
  volatile std::sig_atomic_t areaDrawings_ = 0;  // drawings under way that left play's area
  bool clauseRunning_ = false;
  int clauseHeaderKind_ = 0;  // 0, 1 bracket clause header, 2 colon clause header
  uint8_t choiceResult_ = 0;
  bool exitChosen_ = false;  // exit chosen in the error dialog of a status run

  // Texts.
  Text title_;
  Text choicePrompt_;
  Text commandPrompt_;
  Text numberPrompt_;
  std::array<Text, kMessageSlots> messages_;
  std::array<Text, kTableSize> roomTexts_;
  bool roomTextsSet_ = false;  // some room text may be present: forgetting has work to do
  // The [STATUS section's own room text variables: its slots are numbered afresh, so they
  // must not overwrite the room's. Empty outside a status run.
  std::array<Text, kTableSize> statusTexts_;
  bool statusTextsSet_ = false;
  std::array<Text, kTableSize> initTexts_;
  std::array<Text, kTableSize> snapshot_;
  Text roomInfo_;

  // Settings and variables.
  std::array<uint8_t, kColourSettings> colours_{};
  std::array<uint8_t, kColourSettings> defaultColours_{};
  uint16_t statusLineCount_ = 0;
  std::vector<ResourceEntry> resources_;
  std::array<int32_t, kTableSize> numbers_{};
  std::array<uint8_t, kTableSize / 8> flags_{};

  // Command mode: the line being typed, the words of the last command line, the number read.
  std::array<char, kLineBufferSize> inputBuffer_{};
  std::array<char, kLineBufferSize> descriptionBuffer_{};
  std::vector<std::string> words_;
  int wordCount_ = 0;
  int32_t numberInput_ = 0;
  PatternMatcher matcher_;

  std::chrono::milliseconds startPause_{2000};
  const SlotFileSystem* slotFileSystem_ = nullptr;
};

}  // namespace zox
