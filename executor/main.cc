// zoxexec: plays a compiled adventure file. The console and the engine are the process's two
// global objects, created in this order before main runs and destroyed in the reverse order.
#include <signal.h>
#include <unistd.h>

#include "executor/errors.h"
#include "executor/program.h"

namespace {

zox::Console gConsole;
zox::zoxexec gEngine(&gConsole);

// SIGINT, SIGQUIT and SIGTERM: error 10, the file closed (and marked closed), the terminal
// restored, status 10. The process ends with _exit: running the destructors from inside a
// signal could meet the interrupted code holding a lock; everything they would do is done.
extern "C" void onStopSignal(int) {
  static volatile sig_atomic_t stopping = 0;
  if (stopping) _exit(zox::kErrUserBreak);
  stopping = 1;
  gEngine.report(zox::kErrUserBreak, 0);
  gEngine.closeFile();
  gConsole.shutDown();
  _exit(zox::kErrUserBreak);
}

void setStopSignals(bool install) {
  struct sigaction sa {};
  sa.sa_handler = onStopSignal;
  sigfillset(&sa.sa_mask);
  sigset_t set;
  sigemptyset(&set);
  for (int sig : {SIGINT, SIGQUIT, SIGTERM}) {
    if (install) sigaction(sig, &sa, nullptr);
    sigaddset(&set, sig);
  }
  // Once play is over the globals are destroyed; a signal then must wait for the exit.
  if (!install) sigprocmask(SIG_BLOCK, &set, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  setStopSignals(true);
  int status = zox::runExecutor(gEngine, gConsole, argc, argv);
  setStopSignals(false);
  return status;
}
