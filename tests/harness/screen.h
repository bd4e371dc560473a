// Screen tests: runs a real program in a pseudo-terminal and reads its screen through an
// embedded terminal emulator (libvterm), so a test can type keys, wait for text and check cells.
// The terminal itself (Screen, Cell, Key, ScreenOptions) lives in tools/terminal, shared with
// zoxtest; this adds what only the tests need.
#pragma once

#include <string>
#include <string_view>

#include "tools/terminal/terminal.h"

namespace zoxtest {

// ZOX_BIN_DIR "/" program: where zoxcomp, zoxexec, zoxdump and the test programs are built.
std::string binPath(std::string_view program);
// ZOX_TEST_DATA "/" relative: the checked-in sources, compiled files and resources.
std::string dataPath(std::string_view relative);

// A fresh directory under $TMPDIR (or /tmp), removed with everything in it on destruction.
// Give each test its own so that tests can run in parallel.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(std::string_view name) const;  // path()/name
  // Writes (replacing) a file; creates missing parent directories. Throws on failure.
  void write(std::string_view name, std::string_view bytes) const;
  // The whole file as bytes; throws std::runtime_error if it cannot be read.
  std::string read(std::string_view name) const;
  bool exists(std::string_view name) const;

 private:
  std::string path_;
};

}  // namespace zoxtest
