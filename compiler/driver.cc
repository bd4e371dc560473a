// zoxcomp's main sequence: the order of the passes and what the report shows after each.
#include "compiler/driver.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "compiler/internal.h"

namespace zox {

namespace {

constexpr const char* kUsage[] = {
    "\n\nusage: zoxcomp <infile>\n\n",
    "Before playing your self made text adventures, you must run your source\n",
    "file through this compiler. It checks and optimizes the code for zoxexec.\n",
    "After successful compilation, the precompiled Zox file is saved in\n",
    "the same directory in that the source file is located.\n",
    "Note: Some errors are only detected at run-time!\n",
};
constexpr const char* kOk = "[OK]         ";
// The line counter is written every this many lines and after the last one: on a terminal a
// refresh for every line would take many times as long as compiling the line.
constexpr unsigned kProgressLines = 4096;
constexpr int kOkColumn = 29;
constexpr int kCountColumn = 2;

// Errors recorded: the list and its summary; the status is the last error's number.
int failWithErrors(const Compiler& c, ReportScreen& screen) {
  reportErrors(c, screen);
  return c.errors.last();
}

// The progress counters ("%05u", "%03d").
const char* zeroPadded(unsigned value, int width, char (&out)[16]) {
  char digits[12];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0);
  int o = 0;
  for (int i = n; i < width; ++i) out[o++] = '0';
  while (n > 0) out[o++] = digits[--n];
  out[o] = '\0';
  return out;
}

int failFatal(const Compiler& c, ReportScreen& screen, int number) {
  reportFatal(c, screen, number, 0);
  return number;
}

}  // namespace

int runCompiler(Compiler& c, ReportScreen& screen, int argc, const char* const* argv) {
  if (screen.cols() < 80 || screen.rows() < 25) {
    screen.print("\nTerminal size is too small!\n");
    screen.print("80x25 recommended\n");
    screen.refresh();
    return 0;
  }
  screen.printAt(1, 0, std::string("ZOXCOMP - the Zox adventure compiler ") + kCompilerVersion);
  screen.refresh();
  if (argc < 2) {
    for (const char* line : kUsage) screen.print(line);
    screen.refresh();
    return kErrArguments;
  }
  if (argc > 2) return failFatal(c, screen, kErrArguments);

  if (int r = openSource(c, argv[1])) return failFatal(c, screen, r);

  screen.print("\n\n");
  int row = screen.cursorRow();
  screen.print("> 00001 line(s) compiled ... Please wait !");
  int result = 0;
  char count[16];
  unsigned done = 0;   // lines compiled
  unsigned shown = 0;  // lines last written to the counter (it reads 00001 until then)
  bool behind = false;
  auto showLines = [&] {
    if (screen.moveTo(row, kCountColumn)) screen.print(zeroPadded(done, 5, count));
    screen.refresh();
    shown = done;
    behind = false;
  };
  while (result == 0 && !tooManyErrors(c)) {
    result = compileLine(c);
    if (result != 0) break;
    done = c.lineNumber - 1;
    behind = true;
    if (done - shown >= kProgressLines) showLines();
  }
  if (behind) showLines();
  if (result > 0) return failFatal(c, screen, result);
  if (tooManyErrors(c) || result == kSourceDoneErrors) return failWithErrors(c, screen);

  screen.printAt(row, kOkColumn, kOk);
  screen.print("\n");
  screen.refresh();
  row = screen.cursorRow();
  screen.print("> Optimizing GO TOs      ... Please wait!");
  screen.refresh();
  result = resolveJumps(c);
  if (result > 0) return failFatal(c, screen, result);
  if (tooManyErrors(c) || result == kSourceDone) return failWithErrors(c, screen);
  screen.printAt(row, kOkColumn, kOk);
  screen.refresh();

  if (c.resourceCount > 0) {
    screen.print("\n");
    row = screen.cursorRow();
    screen.print("> 000 resource(s) stored ... Please wait !");
    screen.refresh();  // shown while the first resource is read
    do {
      result = storeResource(c);
      if (screen.moveTo(row, kCountColumn)) {
        screen.print(zeroPadded(static_cast<unsigned>(c.resourceIndex), 3, count));
      }
      screen.refresh();
    } while (result == 0);
    if (result > 0) return failFatal(c, screen, result);
    screen.printAt(row, kOkColumn, kOk);
    screen.refresh();
  }

  result = finishOutput(c);
  if (result != 0) return failFatal(c, screen, result);
  screen.print("\n\n> Preparations done ! Use ZOXEXEC to start your adventure !\n");
  screen.refresh();
  return 0;
}

CompileOutcome compileSourceFile(const std::string& path) {
  CompileOutcome out;
  GridScreen screen(nullptr);
  {
    Compiler c;
    const char* argv[] = {"zoxcomp", path.c_str()};
    out.status = runCompiler(c, screen, 2, argv);
    out.outputPath = c.outputPath;
    out.errors = c.errors;
    closeFiles(c);
  }
  out.report = screen.text();
  std::error_code ec;
  if (!out.outputPath.empty() && std::filesystem::is_regular_file(out.outputPath, ec)) {
    std::ifstream in(out.outputPath, std::ios::binary);
    if (in) {
      out.outputExists = true;
      out.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  return out;
}

}  // namespace zox
