// The console as the engine includes it. The console header and the opcode table both define
// zox::kColourCount; the console's is read here under the name kConsoleColourCount so that the
// engine's files can include both until the two headers share one constant.
#pragma once

#define kColourCount kConsoleColourCount
#include "console/console.h"
#undef kColourCount
