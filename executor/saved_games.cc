// Saved games: the ten slot files beside the adventure, the SAVE and LOAD commands.
#include "executor/engine.h"
#include "executor/texts.h"

namespace zox {

// Saving and loading come with saved games; until then the commands say so and the prompt
// comes back.
int zoxexec::saveCommand() {
  con_->printText(kSlotScreen, texts::kSaveNotYet, 1);
  return 0;
}

int zoxexec::loadCommand() {
  con_->printText(kSlotScreen, texts::kLoadNotYet, 1);
  return 0;
}

}  // namespace zox
