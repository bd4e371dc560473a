// Command mode: the prompt of INPUT, and the restart of the adventure.
#include "executor/engine.h"
#include "executor/errors.h"

namespace zox {

// The command line, number and text prompts come with command mode; until then every INPUT
// ends with the error "not playable yet".
int zoxexec::commandPrompt(int mode, std::string_view prompt) {
  (void)mode;
  (void)prompt;
  return kErrNotPlayable;
}

int zoxexec::restart() {
  clauseHeaderKind_ = 0;
  inventoryActive_ = false;
  choiceResult_ = 0;
  main_.emptyWindow();
  inventory_.emptyWindow();
  resources_.clear();
  // Variables, flags and text variables keep their values.
  setDefaults();
  int r = rerunInitAndFindStartRoom();
  if (r != 0) return r;
  return redrawOnFreshScreen();
}

}  // namespace zox
