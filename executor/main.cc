// zoxexec: plays a compiled adventure file. The console and the engine are the process's two
// global objects, created in this order before main runs and destroyed in the reverse order.
#include <signal.h>
#include <unistd.h>

#include "executor/errors.h"
#include "executor/program.h"

namespace {

extern "C" void onStopSignal(int);

// The stop signals, blocked or let through.
void maskStopSignals(int how) {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : {SIGINT, SIGQUIT, SIGTERM}) sigaddset(&set, sig);
  sigprocmask(how, &set, nullptr);
}

// Constructed before the console: the handler is in place before curses touches the terminal
// (curses then also leaves its own handlers out), and the signals wait, blocked, until both
// globals exist. A signal during start-up is thus handled at the top of main like any other:
// error 10, terminal restored, status 10.
struct StopSignalsFirst {
  StopSignalsFirst() {
    maskStopSignals(SIG_BLOCK);
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigfillset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGQUIT, SIGTERM}) sigaction(sig, &sa, nullptr);
  }
};

StopSignalsFirst gStopSignalsFirst;
zox::Console gConsole;
zox::zoxexec gEngine(&gConsole);

// SIGINT, SIGQUIT and SIGTERM: error 10, the file closed (and marked closed), the terminal
// restored, status 10. The process ends with _exit: running the destructors from inside a
// signal could meet the interrupted code holding a lock; everything they would do is done.
// Nothing on this way allocates (the console's printing and shut-down do not, once curses has
// started): the signal may have come in the middle of an allocation.
extern "C" void onStopSignal(int) {
  static volatile sig_atomic_t stopping = 0;
  if (stopping) _exit(zox::kErrUserBreak);
  stopping = 1;
  gEngine.reportStop();
  gEngine.closeFileOnStop();
  gConsole.shutDown();
  _exit(zox::kErrUserBreak);
}

}  // namespace

int main(int argc, char** argv) {
  maskStopSignals(SIG_UNBLOCK);
  int status = zox::runExecutor(gEngine, gConsole, argc, argv);
  // Once play is over the globals are destroyed; a signal then must wait for the exit.
  maskStopSignals(SIG_BLOCK);
  return status;
}
