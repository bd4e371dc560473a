// The choice menu of CHOOSE.
#include "executor/engine.h"
#include "executor/errors.h"

namespace zox {

// The menu itself comes with the choice menu; the list is already checked here.
int zoxexec::runChoiceMenu(bool randomOrder) {
  (void)randomOrder;
  choiceResult_ = 0;
  if (operands_.valueByte == 0 || operands_.valueByte > kChoiceListSize) return kErrChoiceCount;
  return kErrNotPlayable;
}

}  // namespace zox
