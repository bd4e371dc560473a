// The loader's passes: open, test, initialise, start, and the switch to another part file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>
#include <thread>

#include "executor/engine.h"
#include "executor/errors.h"
#include "executor/texts.h"
#include "format/opcodes.h"

namespace zox {
namespace {

// The rest of the path from its last '.' (the whole path without one) must be ".zox" in any
// mix of case.
bool hasZoxExtension(std::string_view path) {
  size_t dot = path.rfind('.');
  std::string_view ext = dot == std::string_view::npos ? path : path.substr(dot);
  constexpr std::string_view kWanted = ".ZOX";
  if (ext.size() != kWanted.size()) return false;
  for (size_t i = 0; i < ext.size(); ++i) {
    char c = ext[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != kWanted[i]) return false;
  }
  return true;
}

// Opens a plain file for reading. Directories, pipes and devices are refused: a pipe would
// block the open, a directory or a device gives no adventure.
std::FILE* openPlainFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  std::FILE* f = fdopen(fd, "rb");
  if (f == nullptr) ::close(fd);
  return f;
}

bool isSectionHeader(int kind) {
  return kind == op(Op::Init) || kind == op(Op::Room) || kind == op(Op::Inventory);
}

// What findStartRoom reports besides 0 (found) and the fetch failures.
constexpr int kStartRoomMissing = 1;
// What recordSections reports besides 0 and the fetch failures: a RESOURCE statement of an
// [INIT section names no block of the file (a file cut off where its blocks begin, say).
constexpr int kResourceMissing = 1;

}  // namespace

int zoxexec::open(std::string_view path) {
  inventoryActive_ = false;
  clauseRunning_ = false;
  clauseHeaderKind_ = 0;
  choiceResult_ = 0;
  if (!hasZoxExtension(path)) return kErrExtension;
  try {
    path_ = std::string(path);
    slotName_ = path_;
    slotName_.replace(slotName_.size() - 3, 3, "sa?");
  } catch (const std::bad_alloc&) {
    return kErrNoMemory;
  }
  std::FILE* f = openPlainFile(path_);
  if (f == nullptr) return kErrCannotOpen;
  closeFile();
  file_ = f;
  if (!main_.allocate() || !inventory_.allocate()) return kErrNoMemory;
  return 0;
}

// Header and checksums from offset 0. A failing file is closed at once, so that it is closed
// exactly once whatever follows.
int zoxexec::checkFile(FileHeader& header) {
  if (file_ == nullptr) return kErrRead;
  if (std::fseek(file_, 0, SEEK_SET) != 0) return kErrRead;
  int r;
  try {
    r = checkAdventureFile(file_, identity_, &header);
  } catch (const std::bad_alloc&) {
    r = kErrNoMemory;
  }
  if (r != 0) {
    closeFile();
    return r;
  }
  part_ = header.part;
  partCount_ = identity_.partCount;
  codeStart_ = header.codeStart;
  codeEnd_ = header.codeEnd;
  codeChecksum_ = header.codeChecksum;
  blocks_ = header.blocks;
  return 0;
}

// One walk over the code area: every statement must be known; the headers of [INIT,
// [INVENTORY and [STATUS give the offsets of their sections (the last of a kind wins); every
// RESOURCE statement of an [INIT section must name one of the file's blocks.
// Results: 0, kResourceMissing once the whole walk is done, or the fetch failure as a negative
// kind (an unknown statement anywhere comes first, as in the dump tool's verdict).
int zoxexec::recordSections() {
  initOffset_ = inventoryOffset_ = statusOffset_ = 0;
  bool inInit = false;
  bool resourceMissing = false;
  for (;;) {
    int kind = fetchStatement();
    if (kind < 0) return kind;
    if (kind == op(Op::EndOfCode)) return resourceMissing ? kResourceMissing : 0;
    const uint32_t after = static_cast<uint32_t>(tell());
    if (kind == op(Op::Init)) {
      initOffset_ = after;
    } else if (kind == op(Op::Inventory)) {
      inventoryOffset_ = after;
    } else if (kind == op(Op::Room) && operands_.roomNumber == 0) {
      statusOffset_ = after;
    } else if (kind == op(Op::Resource) && inInit &&
               !resourceNamesBlock(blocks_, static_cast<uint32_t>(operands_.value))) {
      resourceMissing = true;
    }
    if (isSectionHeader(kind)) inInit = kind == op(Op::Init);
  }
}

int zoxexec::test() {
  FileHeader header;
  int r = checkFile(header);
  if (r != 0) return r;
  clearRunData();
  inventoryActive_ = false;
  main_.emptyWindow();
  inventory_.emptyWindow();
  if (!seek(codeStart_)) return kErrRead;
  switch (recordSections()) {
    case 0:
      return 0;
    case kResourceMissing:
      return kErrCorrupt;
    case kStatementUnknown:
      return kErrUnknownStatement;
    case kStatementNoMemory:
      return kErrNoMemory;
    default:
      return kErrRead;
  }
}

int zoxexec::applyInitStatement(int kind) {
  Operands& o = operands_;
  try {
    switch (static_cast<Op>(kind)) {
      case Op::Title:
        title_ = o.text;
        return 0;
      case Op::ChoiceText:
        choicePrompt_ = o.text;
        return 0;
      case Op::InputText:
        commandPrompt_ = o.text;
        return 0;
      case Op::NumberText:
        numberPrompt_ = o.text;
        return 0;
      case Op::Password:
        messages_[0] = o.text;
        return 0;
      case Op::Message:
        // Slot 0 is the password, which IMSG must not reach.
        if (o.firstByte == 0 || o.firstByte >= kMessageSlots) return kErrMessageNumber;
        messages_[o.firstByte] = o.text;
        return 0;
      case Op::Start:
        startRoom_ = o.roomNumber;
        return 0;
      case Op::VarFlag:
        setFlag(o.firstByte, o.valueByte != 0);
        return 0;
      case Op::VarNumber:
        numbers_[o.firstByte] = o.value;
        return 0;
      case Op::SetInitText:
        initTexts_[o.firstByte] = o.text;
        return 0;
      case Op::StatusLines:
        statusLineCount_ = o.valueByte;
        return 0;
      case Op::Resource:
        if (resources_.size() >= kMaxResources) return kErrTooManyResources;
        if (o.firstByte != 0) return kErrResourceKind;
        resources_.push_back({static_cast<uint32_t>(o.value), o.firstByte, part_});
        return 0;
      default:
        break;
    }
  } catch (const std::bad_alloc&) {
    return kErrNoMemory;
  }
  if (isColourStatement(static_cast<uint8_t>(kind))) {
    int c = kind >= op(Op::StatusColor) ? kStatusColour + (kind - op(Op::StatusColor))
                                        : kind - op(Op::TextColor);
    // DEFAULT in [INIT has no earlier setting to fall back on: it stands for the built-in
    // light grey on black.
    uint8_t v = o.firstByte;
    if (v == kColourDefault) v = (c % 2 == 0) ? 7 : 0;
    colours_[c] = defaultColours_[c] = v;
    return 0;
  }
  return kErrNotInInit;
}

// Runs the [INIT section from its first statement to the next section header or the end
// marker, then gives the console the colours.
int zoxexec::runInitSection() {
  if (!seek(initOffset_)) return kErrEndOfFile;
  for (;;) {
    int kind = fetchStatement();
    if (kind == kStatementUnknown) return kErrUnknownStatement;
    if (kind == kStatementReadFailure) return kErrEndOfFile;
    if (kind == kStatementNoMemory) return kErrNoMemory;
    if (kind == op(Op::EndOfCode) || isSectionHeader(kind)) break;
    int r = applyInitStatement(kind);
    if (r != 0) return r;
  }
  applyColours();
  return 0;
}

int zoxexec::initialise() {
  setDefaults();
  if (initOffset_ == 0) return 0;
  return runInitSection();
}

// From the active cursor's position: the room header of the start room. 0 with the cursor
// after it, kStartRoomMissing at the end marker, or a fetch failure.
int zoxexec::findStartRoom() {
  for (;;) {
    int kind = fetchStatement();
    if (kind < 0) return kind;
    if (kind == op(Op::EndOfCode)) return kStartRoomMissing;
    if (kind == op(Op::Room) && operands_.roomNumber == startRoom_) return 0;
  }
}

int zoxexec::start() {
  inventoryActive_ = false;
  if (!seek(codeStart_)) return kErrRead;
  ifDepth_ = 0;
  switch (findStartRoom()) {
    case 0:
      break;
    case kStartRoomMissing:
      return kErrNoRoom;
    case kStatementUnknown:
      return kErrUnknownStatement;
    case kStatementNoMemory:
      return kErrNoMemory;
    default:
      return kErrEndOfFile;
  }
  currentRoom_ = startRoom_;
  roomStart_ = statementOffset_ = static_cast<uint32_t>(tell());
  returnOffset_ = 0;
  con_->printText(kSlotSystem, texts::kPlaying, 0);
  con_->printText(kSlotSystem, texts::kStartNotice, 0);
  if (startPause_.count() > 0) std::this_thread::sleep_for(startPause_);
  con_->clearArea(kSlotScreen);
  drawTitleLine();
  int r = drawStatusArea();
  if (r != 0) return r;
  con_->clearArea(kSlotScreen);
  return 0;
}

int zoxexec::switchPart(int part) {
  inventoryActive_ = false;
  clauseHeaderKind_ = 0;
  choiceResult_ = 0;
  // The compiler only writes parts 1 to the part count; another number names no file of
  // this adventure.
  if (part < 1 || part > identity_.partCount || part > kMaxParts) return kErrWrongPart;
  std::string name;
  try {
    name = partFileName(path_, part);
  } catch (const std::bad_alloc&) {
    return kErrNoMemory;
  }
  if (file_ != nullptr) {
    std::FILE* f = file_;
    file_ = nullptr;
    if (std::fclose(f) != 0) return kErrClose;
  }
  file_ = openPlainFile(name);
  if (file_ == nullptr) return kErrCannotOpen;
  main_.emptyWindow();
  inventory_.emptyWindow();
  FileHeader header;
  int r = checkFile(header);
  if (r != 0) return r;
  // The file must be the part it was opened as (a renamed part file would be another).
  if (header.part != part) {
    closeFile();
    return kErrWrongPart;
  }

  if (!seek(codeStart_)) return kErrRead;
  switch (recordSections()) {
    case 0:
      break;
    case kResourceMissing:
      return kErrCorrupt;
    case kStatementReadFailure:
      return kErrEndOfFile;
    case kStatementNoMemory:
      return kErrNoMemory;
    default:
      return kErrPartFailed;
  }
  startRoom_ = 1;
  r = rerunInitAndFindStartRoom();
  if (r != 0) return r;
  // A new room of a new part: nothing of the old room's texts carries over.
  forgetRoomTexts();
  roomInfo_.reset();
  return redrawOnFreshScreen();
}

int zoxexec::rerunInitAndFindStartRoom() {
  if (initOffset_ != 0) {
    int r = runInitSection();
    if (r != 0 && r != kErrEndOfFile && r != kErrNoMemory) r = kErrPartFailed;
    if (r != 0) return r;
  }
  if (!seek(codeStart_)) return kErrRead;
  ifDepth_ = 0;
  switch (findStartRoom()) {
    case 0:
      break;
    case kStatementReadFailure:
      return kErrEndOfFile;
    case kStatementNoMemory:
      return kErrNoMemory;
    default:
      return kErrPartFailed;
  }
  currentRoom_ = startRoom_;
  roomStart_ = statementOffset_ = static_cast<uint32_t>(tell());
  returnOffset_ = 0;
  return 0;
}

int zoxexec::redrawOnFreshScreen() {
  con_->setTopReserved(0);
  con_->setBottomReserved(0);
  con_->clearArea(kSlotScreen);
  drawTitleLine();
  int r = drawStatusArea();
  if (r != 0) return r;
  con_->clearArea(kSlotScreen);
  return 0;
}

}  // namespace zox
