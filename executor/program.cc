// The main routine of zoxexec, apart from the global objects and the signal handler.
#include "executor/program.h"

#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "executor/errors.h"
#include "executor/texts.h"

namespace zox {

int runExecutor(zoxexec& engine, Console& console, int argc, const char* const* argv) {
  std::vector<std::string_view> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  if (args.size() == 2 && args[0] == "-8") {
    console.setEightColourMode();
    args.erase(args.begin());
  }

  // One 84-byte buffer serves for the banner and then for the typed password.
  char line[84];
  std::snprintf(line, sizeof line, "%.*s", static_cast<int>(texts::kBanner.size()),
                texts::kBanner.data());
  console.clearArea(kSlotSystem);
  console.printText(kSlotSystem, line, 0);

  if (args.empty()) {
    for (std::string_view usage : texts::kUsage) console.printText(kSlotSystem, usage, 0);
    return kErrBadParameters;
  }
  if (args.size() != 1) {
    engine.report(kErrBadParameters, 0);
    return kErrBadParameters;
  }

  auto failed = [&engine](int error) {
    engine.report(error, 0);
    return error;
  };
  int r = engine.open(args[0]);
  if (r != 0) return failed(r);

  console.printText(kSlotSystem, texts::kTesting, 0);
  r = engine.test();
  if (r != 0) return failed(r);
  console.printText(kSlotSystem, texts::kOk, 0);

  console.printText(kSlotSystem, texts::kInitializing, 0);
  r = engine.initialise();
  if (r != 0) return failed(r);
  console.printText(kSlotSystem, texts::kOk, 0);

  if (const Text& password = engine.password()) {
    console.printText(kSlotSystem, texts::kAskPassword, 0);
    std::memset(line, 0, sizeof line);
    console.readLine(kSlotSystem, std::span<char>(line, sizeof line), kReadText, 0);
    if (std::string_view(line, strnlen(line, sizeof line)) != *password) {
      return failed(kErrPassword);
    }
  }

  console.printText(kSlotSystem, texts::kStarting, 0);
  r = engine.start();
  if (r != 0) return failed(r);

  do {
    r = engine.step();
  } while (r == 0);

  if (r < 0 || r >= kErrFirstRunTime) {
    console.setTopReserved(0);
    console.setColour(kSlotSystem, 7, 0);
    console.clearArea(kSlotSystem);
    return r;
  }
  // A failed load has said so already (" -> Environment destroyed").
  if (r == kErrEnvironment) return r;
  return failed(r);
}

}  // namespace zox
