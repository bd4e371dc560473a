// Fuzz target: a compiled file through the executor's start-up passes and a bounded number of
// steps, with the stand-in console answering every key wait, menu, prompt and dialog from the
// input itself.
//
// Input: a byte of switches (bit 0: mend the checksums first, so that changed statements are
// played rather than refused), two bytes (little-endian) giving the length n of the compiled
// file, the n bytes of the file, then the answers: each byte is one key (0xF8 and up stand for
// Return, Escape and the cursor and editing keys), and the same bytes cut at each '\n' are the
// typed lines.
#include <chrono>
#include <string>
#include <vector>

#include "console/console.h"
#include "executor/engine.h"
#include "fake_console.h"
#include "fuzz_support.h"

namespace {

constexpr int kSteps = 3000;
constexpr int kSpecialKeys[] = {zox::kKeyReturn,    zox::kKeyEscape, zox::kKeyUp,
                                zox::kKeyDown,      zox::kKeyLeft,   zox::kKeyRight,
                                zox::kKeyBackspace, zox::kKeyDelete};

void scriptAnswers(const uint8_t* data, size_t size) {
  zoxtest::FakeScreen& screen = zoxtest::fakeScreen();
  screen.reset();
  std::string line;
  for (size_t i = 0; i < size; ++i) {
    const uint8_t b = data[i];
    screen.keys.push_back(b >= 0xF8 ? kSpecialKeys[b - 0xF8] : b);
    if (b == '\n') {
      screen.lines.push_back(line);
      line.clear();
    } else if (line.size() < 80) {
      line.push_back(static_cast<char>(b));
    }
  }
  screen.lines.push_back(line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const bool mend = data[0] & 1;
  size_t n = data[1] | (size_t{data[2]} << 8);
  if (n > size - 3) n = size - 3;
  std::vector<uint8_t> file(data + 3, data + 3 + n);
  if (mend) zoxfuzz::mendChecksums(file);
  const std::string path = zoxfuzz::writeFile("fuzz.zox", file.data(), file.size());
  scriptAnswers(data + 3 + n, size - 3 - n);

  zox::Console console;
  zox::zoxexec engine(&console);
  engine.setStartPause(std::chrono::milliseconds(0));
  try {
    int r = engine.open(path);
    if (r == 0) r = engine.test();
    if (r == 0) r = engine.initialise();
    if (r == 0) r = engine.start();
    for (int i = 0; r == 0 && i < kSteps; ++i) r = engine.step();
    // Whatever happened, the result is one of the system's outcomes.
    if (r < -2 || r > 99) zoxfuzz::broken("every run ends with an error number or plays on");
  } catch (const zoxtest::OutOfKeys&) {
    // The answers ran out: the run stops here, as a player who walks away.
  }
  return 0;
}
