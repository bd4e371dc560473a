// zoxcomp: compiles an adventure source into a compiled adventure file beside it.
#include <signal.h>
#include <unistd.h>

#include <clocale>
#include <memory>

#include "compiler/driver.h"
#include "compiler/internal.h"

namespace {

// The compiler state lives for the whole process; its destructor closes the files and removes
// an output that is not complete.
zox::Compiler g_compiler;
std::unique_ptr<zox::ReportScreen> g_screen;

// The stop signals, blocked or let through.
void maskStopSignals(int how) {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : {SIGINT, SIGQUIT, SIGTERM}) sigaddset(&set, sig);
  sigprocmask(how, &set, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  // The handler comes before curses touches the terminal (curses then leaves its own handlers
  // out), and the signals wait until the screen is known to the handler, which can then end it.
  maskStopSignals(SIG_BLOCK);
  zox::installStopHandler(nullptr, &g_compiler);
  std::setlocale(LC_ALL, "");
  if (isatty(STDOUT_FILENO)) g_screen = zox::startCursesScreen();
  // Without a terminal the report is kept in a grid and written out as plain lines.
  if (!g_screen) g_screen = std::make_unique<zox::GridScreen>(stdout);
  zox::installStopHandler(g_screen.get(), &g_compiler);
  maskStopSignals(SIG_UNBLOCK);
  g_screen->clear();
  int status = zox::runCompiler(g_compiler, *g_screen, argc, argv);
  g_screen->end();
  zox::installStopHandler(nullptr, &g_compiler);  // the screen is ended: nothing more on it
  zox::closeFiles(g_compiler);
  return status;
}
