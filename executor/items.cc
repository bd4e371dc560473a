// Items, the inventory and room item lists, the room information and resource display.
#include "executor/engine.h"
#include "executor/errors.h"
#include "executor/texts.h"

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

// INFO: the inventory list joins the room information when items come.
int zoxexec::infoCommand() {
  con_->printText(kSlotScreen, "\n\n", 1);
  printRoomInformation();
  con_->printText(kSlotScreen, "\n", 1);
  return 0;
}

// The item lists and the resource display come with items.
int zoxexec::printItemList(bool inventory, std::string_view heading) {
  (void)inventory;
  (void)heading;
  return kErrNotPlayable;
}

int zoxexec::showResource(int index) {
  (void)index;
  return kErrNotPlayable;
}

}  // namespace zox
