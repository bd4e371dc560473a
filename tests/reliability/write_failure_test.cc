// The compiler's output on a disk that fills up: a file size limit (RLIMIT_FSIZE) makes every
// write past it fail, as a full file system would. Whatever byte the output stops at, the
// compile ends with its error number and removes what it wrote.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <map>
#include <string>

#include "child.h"
#include "compiled_example.h"
#include "compiler/driver.h"
#include "screen.h"

#if defined(__SANITIZE_ADDRESS__)
#define ZOX_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZOX_SANITIZED 1
#endif
#endif
#ifndef ZOX_SANITIZED
#define ZOX_SANITIZED 0
#endif

namespace zoxtest {
namespace {

// A sanitized process forks slowly: there the sweeps take every few bytes.
constexpr size_t kStride = ZOX_SANITIZED ? 5 : 1;

std::string readAll(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  std::string bytes;
  if (!f) return bytes;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
  std::fclose(f);
  return bytes;
}

// Compiles source in a child whose files may not grow past limit bytes. The child works in
// the source's folder, where the resources it names are found.
int compileWithLimit(const std::string& source, rlim_t limit) {
  ChildResult r = runForked([&] {
    signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead of ending the process
    rlimit rl{limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &rl) != 0) return 99;
    if (chdir(std::filesystem::path(source).parent_path().c_str()) != 0) return 98;
    return zox::compileSourceFile(source).status;
  });
  return r.timedOut ? -2 : r.status;
}

// Every limit from 0 up to the whole output, or every step-th and the last few.
void sweep(const TempDir& dir, const std::string& name, size_t step) {
  const std::string source = dir.file(name);
  const std::string output = dir.file(name.substr(0, name.find('.')) + ".zox");
  ASSERT_EQ(compileWithLimit(source, RLIM_INFINITY), 0);
  const std::string expected = readAll(output);
  ASSERT_FALSE(expected.empty());
  ASSERT_EQ(std::remove(output.c_str()), 0);

  std::map<int, int> outcomes;
  for (size_t limit = 0; limit < expected.size(); ++limit) {
    if (limit % step != 0 && limit + 8 < expected.size()) continue;
    const int status = compileWithLimit(source, limit);
    ++outcomes[status];
    // 5: a write or seek failed; 7: the close, which flushes the last bytes, failed.
    EXPECT_TRUE(status == 5 || status == 7) << name << " limit " << limit << ": " << status;
    EXPECT_FALSE(dir.exists(output.substr(dir.path().size() + 1)))
        << name << " limit " << limit << ": the output was left";
    std::remove(output.c_str());
  }
  // With room for every byte the same file comes out.
  EXPECT_EQ(compileWithLimit(source, expected.size()), 0);
  EXPECT_EQ(readAll(output), expected);

  std::cout << name << ": " << expected.size() << " bytes; outcomes by status:";
  for (auto [status, n] : outcomes) std::cout << " " << status << "x" << n;
  std::cout << "\n";
}

TEST(ReliabilityWriteFailure, TheOutputStoppedAtAnyByteGivesItsNumberAndNoFile) {
  TempDir dir;
  dir.write("logo.ans", "\x1b[33mTHE LOGO\x1b[0m\n" + std::string(300, '*') + "\n");
  dir.write("small.adv", "[ZOX \"Small\"]\n[INIT]\nTITLE = \"Small\"\nRESOURCE logo = \"" +
                             dir.file("logo.ans") +
                             "\" : ANSITEXT\n[ROOM a]\nPRINT \"Hello\"\nLOAD logo\nGO TO [ROOM b]\n"
                             "[ROOM b]\nPRINT \"There\"\nQUIT\n");
  sweep(dir, "small.adv", kStride);
}

TEST(ReliabilityWriteFailure, TheExampleStoppedAtEveryFewBytes) {
  TempDir dir;
  copyExampleSources(dir.path());  // the title picture is read from beside the source
  sweep(dir, "lighthouse.adv", 13 * kStride);
}

}  // namespace
}  // namespace zoxtest
