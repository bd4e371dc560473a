// zoxtest: plays a compiled adventure with zoxexec in a virtual terminal and follows a
// walkthrough, so that authors can test their adventures the way a player sees them.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/zoxtest/runner.h"
#include "tools/zoxtest/walkthrough.h"

namespace {

using namespace zoxtest;

constexpr const char* kUsage =
    "usage: zoxtest [options] <story.zox> <story.walk>\n"
    "\n"
    "Plays a compiled adventure with zoxexec in a virtual 80x25 terminal and follows the\n"
    "walkthrough: lines to type, keys, texts to wait for or that must not appear, the exit\n"
    "status. Stops at the first step that fails and shows the screen as it stands.\n"
    "\n"
    "options:\n"
    "  -v, --verbose          print each step as it runs\n"
    "  --transcript FILE      write everything the player saw, page by page, to FILE\n"
    "  --exec PROGRAM         the executor to run (default: zoxexec beside zoxtest, else\n"
    "                         the one in PATH)\n"
    "  --timeout SECONDS      how long expect and exit wait (default 10)\n"
    "  -h, --help             this text\n"
    "\n"
    "exit status: 0 every step passed, 1 a step failed, 2 bad options, 3 a file cannot be\n"
    "read or written, 4 the walkthrough has lines that are no steps, 5 the executor cannot\n"
    "be found or started.\n";

constexpr const char* kExecutorName = "zoxexec";

struct Options {
  bool verbose = false;
  std::string transcript;
  std::string exec;
  double timeout = kDefaultTimeout;
  std::string adventure;
  std::string walk;
};

int usageError(const std::string& message) {
  std::cerr << "zoxtest: " << message << "\n\n" << kUsage;
  return kExitUsage;
}

// Reads the options; returns -1 to go on, or the exit status.
int parseOptions(int argc, char** argv, Options& o) {
  std::vector<std::string> files;
  bool optionsDone = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](const std::string& name, std::string& out) {
      if (a.rfind(name + "=", 0) == 0) {
        out = a.substr(name.size() + 1);
        return true;
      }
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    if (optionsDone || a.empty() || a[0] != '-' || a == "-") {
      files.push_back(a);
    } else if (a == "--") {
      optionsDone = true;
    } else if (a == "-h" || a == "--help") {
      std::cout << kUsage;
      return kExitPassed;
    } else if (a == "-v" || a == "--verbose") {
      o.verbose = true;
    } else if (a == "--transcript" || a.rfind("--transcript=", 0) == 0) {
      if (!value("--transcript", o.transcript) || o.transcript.empty()) {
        return usageError("--transcript needs a file name");
      }
    } else if (a == "--exec" || a.rfind("--exec=", 0) == 0) {
      if (!value("--exec", o.exec) || o.exec.empty()) {
        return usageError("--exec needs a program");
      }
    } else if (a == "--timeout" || a.rfind("--timeout=", 0) == 0) {
      std::string v;
      char* end = nullptr;
      if (!value("--timeout", v) || v.empty() ||
          (o.timeout = std::strtod(v.c_str(), &end), *end != '\0') || !(o.timeout > 0) ||
          o.timeout > 3600) {
        return usageError("--timeout needs a number of seconds above 0, at most 3600");
      }
    } else {
      return usageError("unknown option " + a);
    }
  }
  if (files.size() != 2) return usageError("needs a compiled adventure and a walkthrough");
  o.adventure = files[0];
  o.walk = files[1];
  return -1;
}

// The whole file, or an error message.
bool readFile(const std::string& path, std::string& bytes, std::string& error) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    error = std::strerror(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    error = "it is a directory";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = std::strerror(errno);
    return false;
  }
  std::ostringstream s;
  s << in.rdbuf();
  if (in.bad()) {
    error = "read error";
    return false;
  }
  bytes = s.str();
  return true;
}

bool executable(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string searchPath(const std::string& name) {
  const char* path = getenv("PATH");
  std::string dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t colon = dirs.find(':', start);
    std::string dir =
        dirs.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    if (executable(candidate)) return candidate;
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  return "";
}

// The directory this program was started from.
std::string ownDirectory() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "";
  std::string self(buf, static_cast<size_t>(n));
  size_t slash = self.rfind('/');
  return slash == std::string::npos ? "" : self.substr(0, slash);
}

// The executor: the one named, else the one beside zoxtest, else the one in PATH.
bool findExecutor(const Options& o, std::string& found) {
  if (!o.exec.empty()) {
    if (o.exec.find('/') != std::string::npos) {
      if (!executable(o.exec)) {
        std::cerr << "zoxtest: cannot start " << o.exec << ": "
                  << (access(o.exec.c_str(), F_OK) == 0 ? "not an executable program"
                                                        : std::strerror(ENOENT))
                  << "\n";
        return false;
      }
      found = o.exec;
      return true;
    }
    found = searchPath(o.exec);
    if (found.empty()) std::cerr << "zoxtest: cannot find " << o.exec << " in PATH\n";
    return !found.empty();
  }
  const std::string dir = ownDirectory();
  if (!dir.empty() && executable(dir + "/" + kExecutorName)) {
    found = dir + "/" + kExecutorName;
    return true;
  }
  found = searchPath(kExecutorName);
  if (found.empty()) {
    std::cerr << "zoxtest: cannot find " << kExecutorName << ": it is neither beside zoxtest"
              << (dir.empty() ? "" : " (in " + dir + ")") << " nor in PATH; name it with --exec\n";
  }
  return !found.empty();
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (int status = parseOptions(argc, argv, o); status >= 0) return status;

  std::string bytes, error;
  if (!readFile(o.walk, bytes, error)) {
    std::cerr << "zoxtest: cannot read the walkthrough " << o.walk << ": " << error << "\n";
    return kExitFile;
  }
  Walkthrough w = parseWalkthrough(bytes);
  if (!w.errors.empty()) {
    for (const WalkthroughError& e : w.errors) {
      std::cerr << o.walk << ":" << e.line << ": " << e.message << "\n";
    }
    std::cerr << "zoxtest: " << o.walk << " has " << w.errors.size()
              << (w.errors.size() == 1 ? " line that is no step" : " lines that are no steps")
              << "; nothing was played\n";
    return kExitBadLine;
  }
  std::string adventureBytes;
  if (!readFile(o.adventure, adventureBytes, error)) {
    std::cerr << "zoxtest: cannot read the adventure " << o.adventure << ": " << error << "\n";
    return kExitFile;
  }
  std::ofstream transcript;
  if (!o.transcript.empty()) {
    transcript.open(o.transcript, std::ios::binary | std::ios::trunc);
    if (!transcript) {
      std::cerr << "zoxtest: cannot write the transcript " << o.transcript << ": "
                << std::strerror(errno) << "\n";
      return kExitFile;
    }
  }
  RunOptions run;
  if (!findExecutor(o, run.executor)) return kExitNotStarted;
  run.adventure = o.adventure;
  run.walkName = o.walk;
  run.timeout = o.timeout;
  run.verbose = o.verbose;
  run.transcript = transcript.is_open();

  RunResult result = runWalkthrough(w.steps, run, std::cout, std::cerr);
  std::cout.flush();
  if (transcript.is_open()) {
    transcript << "Transcript of " << o.adventure << ", played by zoxtest with " << o.walk << "\n"
               << result.transcript;
    transcript.close();
    if (!transcript) {
      std::cerr << "zoxtest: cannot write the transcript " << o.transcript << "\n";
      if (result.status == kExitPassed) return kExitFile;
    }
  }
  if (result.status == kExitPassed) {
    std::cout << "zoxtest: " << o.walk << ": all " << result.stepsRun
              << (result.stepsRun == 1 ? " step passed\n" : " steps passed\n");
  } else if (result.status == kExitFailed) {
    const int passed = result.stepsRun - 1;
    std::cerr << "zoxtest: " << o.walk << ": failed at line " << result.failedLine << "; " << passed
              << (passed == 1 ? " step" : " steps") << " passed before it\n";
  }
  return result.status;
}
