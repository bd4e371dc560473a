// Playing a walkthrough against the executor in a virtual terminal.
#include "tools/zoxtest/runner.h"

#include <string.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "tools/terminal/terminal.h"

namespace zoxtest {

namespace {

// How long a program that cannot be seen waiting must stay silent to count as waiting.
constexpr double kQuietSec = 0.5;

std::string quoted(const std::string& text) {
  return "\"" + text + "\"";
}

std::string secondsText(double sec) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g s", sec);
  return buf;
}

// The screen as it stands, rows numbered from 1, for messages and `screen`.
std::string renderScreen(Screen& s) {
  std::ostringstream o;
  o << "screen " << s.cols() << "x" << s.rows() << ", cursor at row " << s.cursorRow() + 1
    << " column " << s.cursorCol() + 1;
  const int status = s.exitStatus();
  if (status == -1) {
    o << ", the program runs";
  } else {
    o << ", the program ended with status " << status;
  }
  o << ":\n";
  const std::string edge = "    +" + std::string(static_cast<size_t>(s.cols()), '-') + "+\n";
  o << edge;
  for (int r = 0; r < s.rows(); ++r) {
    char num[16];
    std::snprintf(num, sizeof num, "%3d ", r + 1);
    o << num << '|' << s.row(r) << "\n";
  }
  o << edge;
  return o.str();
}

class Run {
 public:
  Run(Screen& screen, const RunOptions& options, std::ostream& out, std::ostream& err)
      : s_(screen), opt_(options), out_(out), err_(err), timeout_(options.timeout) {
    seesIdle_ = s_.canSeeIdle();
    if (opt_.transcript) s_.keepPages();
  }

  // Runs one step; false (with the failure written) when it fails.
  bool step(const Step& st);
  void finish();
  std::string transcript() const { return transcript_; }

 private:
  bool fail(const Step& st, const std::string& why);
  bool settle(double timeoutSec);
  bool input(const Step& st);
  bool expect(const Step& st, const std::function<bool()>& present,
              const std::function<bool(double)>& wait);
  bool absent(const Step& st, const std::function<bool()>& present);
  bool rowInRange(const Step& st);
  void collectPages();
  void note(const Step& st);
  std::string endedText() {
    return "the program ended with status " + std::to_string(s_.exitStatus());
  }

  Screen& s_;
  const RunOptions& opt_;
  std::ostream& out_;
  std::ostream& err_;
  double timeout_;
  bool seesIdle_ = false;
  bool inputSent_ = false;  // since the program last settled
  int pages_ = 0;
  std::string transcript_;
};

bool Run::fail(const Step& st, const std::string& why) {
  err_ << opt_.walkName << ":" << st.line << ": " << st.source << "\n"
       << "  failed: " << why << "\n"
       << renderScreen(s_);
  return false;
}

// Waits until the program waits for input with everything it wrote on the screen, or has
// ended. False if it did neither in time (it keeps working).
bool Run::settle(double timeoutSec) {
  inputSent_ = false;
  if (s_.running()) {
    const bool waits =
        seesIdle_ ? s_.waitForIdle(timeoutSec) : s_.waitForQuiet(kQuietSec, timeoutSec);
    if (s_.running()) return waits;
  }
  return s_.waitForExit(timeoutSec);  // all its output in
}

void Run::collectPages() {
  if (!opt_.transcript) return;
  s_.pageBreak();
  for (const ScreenPage& page : s_.takePages()) {
    if (page.newText) {
      transcript_ +=
          "---------------------------------------- page " + std::to_string(++pages_) + "\n";
    }
    transcript_ += page.text;
  }
}

void Run::note(const Step& st) {
  if (opt_.transcript) s_.notePage("[line " + std::to_string(st.line) + ": " + st.source + "]");
}

bool Run::input(const Step& st) {
  // The player reads the screen and then types: the program is waiting, all it drew is in.
  settle(timeout_);
  if (!s_.running()) {
    return fail(st, endedText() + " before it could take this input");
  }
  note(st);
  switch (st.kind) {
    case StepKind::Line:
      s_.type(st.text + "\r");
      break;
    case StepKind::Type:
      s_.type(st.text);
      break;
    default:
      if (st.press.key) {
        s_.key(*st.press.key);
      } else {
        s_.send(st.press.bytes);
      }
      break;
  }
  inputSent_ = true;
  return true;
}

// Waits until the text is there (wait() does, giving up early once the program has ended).
// Right after an input the screen may still show the last page: a text found at once counts
// only if it is still there when the program has answered.
bool Run::expect(const Step& st, const std::function<bool()>& present,
                 const std::function<bool(double)>& wait) {
  if (inputSent_ && present()) settle(timeout_);
  if (wait(timeout_)) return true;
  return fail(st, "the text " + quoted(st.text) + " is not on the screen" +
                      (s_.running() ? " after " + secondsText(timeout_) : ", and " + endedText()));
}

bool Run::absent(const Step& st, const std::function<bool()>& present) {
  settle(timeout_);
  if (!present()) return true;
  return fail(st, "the text " + quoted(st.text) + " is on the screen");
}

bool Run::rowInRange(const Step& st) {
  if (st.number <= s_.rows()) return true;
  return fail(st, "row " + std::to_string(st.number) + " is not on a screen of " +
                      std::to_string(s_.rows()) + " rows");
}

bool Run::step(const Step& st) {
  switch (st.kind) {
    case StepKind::Line:
    case StepKind::Type:
    case StepKind::Key:
      return input(st);
    case StepKind::Expect:
      return expect(
          st, [&] { return s_.text().find(st.text) != std::string::npos; },
          [&](double sec) { return s_.waitForText(st.text, sec); });
    case StepKind::ExpectRow:
      return rowInRange(st) &&
             expect(
                 st, [&] { return s_.row(st.number - 1).find(st.text) != std::string::npos; },
                 [&](double sec) { return s_.waitForRow(st.number - 1, st.text, sec); });
    case StepKind::Absent:
      return absent(st, [&] { return s_.text().find(st.text) != std::string::npos; });
    case StepKind::AbsentRow:
      return rowInRange(st) &&
             absent(st, [&] { return s_.row(st.number - 1).find(st.text) != std::string::npos; });
    case StepKind::Exit: {
      if (!s_.waitForExit(timeout_)) {
        return fail(st, "the program still runs after " + secondsText(timeout_));
      }
      inputSent_ = false;
      const int status = s_.exitStatus();
      if (status != st.number) {
        return fail(st, "the program ended with status " + std::to_string(status) + ", not " +
                            std::to_string(st.number));
      }
      return true;
    }
    case StepKind::Timeout:
      timeout_ = st.seconds;
      return true;
    case StepKind::ShowScreen:
      settle(timeout_);
      out_ << opt_.walkName << ":" << st.line << ": " << renderScreen(s_);
      return true;
    case StepKind::Resize:
      note(st);
      s_.resize(st.number, st.number2);
      inputSent_ = true;
      return true;
    case StepKind::Size:
    case StepKind::Env:
    case StepKind::Args:
      return true;  // taken when the program was started
  }
  return true;
}

void Run::finish() {
  // A program that has ended gets its last output in; one that still runs is stopped by the
  // terminal when the run ends.
  if (!s_.running()) s_.waitForExit(timeout_);
  collectPages();
}

}  // namespace

RunResult runWalkthrough(const std::vector<Step>& steps, const RunOptions& options,
                         std::ostream& out, std::ostream& err) {
  RunResult result;
  std::vector<std::string> argv{options.executor};
  ScreenOptions so;
  so.env.push_back("ESCDELAY=25");  // Escape registers at once, as a player would expect
  for (const Step& st : steps) {
    if (st.kind == StepKind::Size) {
      so.cols = st.number;
      so.rows = st.number2;
    } else if (st.kind == StepKind::Env) {
      so.env.push_back(st.text);
    } else if (st.kind == StepKind::Args) {
      argv.insert(argv.end(), st.words.begin(), st.words.end());
    }
  }
  argv.push_back(options.adventure);

  std::optional<Screen> screen;
  try {
    screen.emplace(argv, so);
  } catch (const std::exception& e) {
    err << "zoxtest: cannot start " << options.executor << ": " << e.what() << "\n";
    result.status = kExitNotStarted;
    return result;
  }
  if (screen->startError() != 0) {
    err << "zoxtest: cannot start " << options.executor << ": " << strerror(screen->startError())
        << "\n";
    result.status = kExitNotStarted;
    return result;
  }

  Run run(*screen, options, out, err);
  for (const Step& st : steps) {
    if (st.isSetup()) continue;
    auto start = std::chrono::steady_clock::now();
    const bool ok = run.step(st);
    ++result.stepsRun;
    if (options.verbose) {
      const double took =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      char buf[32];
      std::snprintf(buf, sizeof buf, "%.2f s", took);
      out << options.walkName << ":" << st.line << ": " << st.source
          << (ok ? "  ok (" : "  FAILED (") << buf << ")\n";
    }
    if (!ok) {
      result.status = kExitFailed;
      result.failedLine = st.line;
      break;
    }
  }
  run.finish();
  result.transcript = run.transcript();
  return result;
}

}  // namespace zoxtest
