// The fuzz targets' private folder and files.
#include "fuzz_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace zoxfuzz {
namespace {

std::string makeFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zox-fuzz-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) broken("a private folder can be made");
  return pattern;
}

struct Folder {
  std::string path = makeFolder();
  ~Folder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

}  // namespace

const std::string& workFolder() {
  static Folder folder;
  return folder.path;
}

std::string writeFile(std::string_view name, const uint8_t* data, size_t size) {
  std::string path = workFolder() + "/" + std::string(name);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) broken("a file can be written into the private folder");
  if (size > 0 && std::fwrite(data, 1, size, f) != size) broken("the whole file is written");
  std::fclose(f);
  return path;
}

bool exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

void broken(const char* promise) {
  std::fprintf(stderr, "broken promise: %s\n", promise);
  std::abort();
}

}  // namespace zoxfuzz
