// The screen-test harness's own part: where the built programs and test data are, and
// temporary directories.
#include "screen.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace zoxtest {

namespace {

std::string joinPath(std::string_view dir, std::string_view name) {
  std::string p(dir);
  if (!p.empty() && p.back() != '/') p += '/';
  p += name;
  return p;
}

}  // namespace

std::string binPath(std::string_view program) {
  return joinPath(ZOX_BIN_DIR, program);
}
std::string dataPath(std::string_view relative) {
  return joinPath(ZOX_TEST_DATA, relative);
}

TempDir::TempDir() {
  const char* base = getenv("TMPDIR");
  std::string tmpl = joinPath(base && *base ? base : "/tmp", "zoxtest-XXXXXX");
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) {
    throw std::runtime_error("cannot make a temporary directory " + tmpl + ": " + strerror(errno));
  }
  path_ = buf.data();
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::file(std::string_view name) const {
  return joinPath(path_, name);
}

void TempDir::write(std::string_view name, std::string_view bytes) const {
  std::filesystem::path p = file(name);
  std::error_code ec;
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path(), ec);
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + p.string());
}

std::string TempDir::read(std::string_view name) const {
  std::string p = file(name);
  std::ifstream in(p, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + p);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool TempDir::exists(std::string_view name) const {
  std::error_code ec;
  return std::filesystem::exists(file(name), ec);
}

}  // namespace zoxtest
