// The example adventure compiled in process (kept apart: the compiler's and the executor's
// headers are not meant for one translation unit).
#pragma once

#include <string>

namespace zoxtest {

// The bytes of examples/lighthouse.adv compiled; empty if it did not compile.
const std::string& compiledExample();

}  // namespace zoxtest
