// Items, the inventory and room item lists, the room information and the INFO command. An
// item is an ITEM statement naming a flag: it is there while the flag is set. The items of a
// list are the ITEM statements at the very start of its section.
#include "executor/engine.h"
#include "executor/errors.h"
#include "executor/texts.h"
#include "format/opcodes.h"

namespace zox {

void zoxexec::printRoomInformation() {
  const int slot = outputSlot();
  const int paging = outputPaging();
  if (roomInfo_) {
    con_->printText(slot, *roomInfo_, paging);
  } else {
    con_->printText(slot, texts::kNoRoomInformation, paging);
  }
}

int zoxexec::infoCommand() {
  con_->printText(kSlotScreen, "\n\n", 1);
  printRoomInformation();
  con_->printText(kSlotScreen, "\n\n", 1);
  int r = printItemList(true, {});
  if (r != 0) return r;
  con_->printChar(kSlotScreen, '\n', 1);
  return 0;
}

int zoxexec::printItemList(bool inventory, std::string_view heading) {
  const int slot = outputSlot();
  const int paging = outputPaging();
  // The inventory is read through its own cursor, so that the room's place is kept even
  // while a clause of the [INVENTORY section runs.
  const bool wasInventory = inventoryActive_;
  inventoryActive_ = inventory;
  const uint64_t back = tell();
  auto finish = [&](int result) {
    // Back to where the statement stood also after a failure, so that ignoring the error
    // goes on after it.
    if (!seek(back) && result == 0) result = kErrEndOfFile;
    inventoryActive_ = wasInventory;
    return result;
  };

  const Text& headingText = messages_[11];
  if (inventory) heading = headingText ? std::string_view(*headingText) : std::string_view();
  const size_t indent = heading.size();
  con_->printText(slot, heading, paging);

  if (inventory && inventoryOffset_ == 0) {
    con_->printText(slot, texts::kNoItemInformation, paging);
    inventoryActive_ = wasInventory;
    return 0;
  }
  if (!seek(inventory ? inventoryOffset_ : roomStart_)) return finish(kErrEndOfFile);

  int count = -1;  // no ITEM statement seen yet
  for (;;) {
    const int kind = fetchStatement();
    if (kind == kStatementUnknown) return finish(kErrUnknownStatement);
    if (kind == kStatementReadFailure) return finish(kErrEndOfFile);
    if (kind == kStatementNoMemory) return finish(kErrNoMemory);
    if (kind != op(Op::Item)) break;
    if (count < 0) count = 0;
    if (!flag(operands_.firstByte)) continue;
    if (count > 0) con_->printText(slot, ", ", paging);
    // A name that would reach the last column starts a new line, indented under the first.
    const std::string& name = operands_.text;
    if (name.size() + static_cast<size_t>(con_->getPosition().x) + 2 >= kScreenColumns) {
      con_->printChar(slot, '\n', paging);
      con_->printText(slot, std::string(indent, ' '), paging);
    }
    con_->printText(slot, name, paging);
    ++count;
  }
  if (count < 0) {
    con_->printText(slot, texts::kNoItemInformation, paging);
  } else if (count == 0) {
    con_->printText(slot, messages_[inventory ? 12 : 13], paging);
  }
  return finish(0);
}

}  // namespace zox
