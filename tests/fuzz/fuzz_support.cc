// The fuzz targets' private folder and files.
#include "fuzz_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "format/adventure_file.h"
#include "format/bytes.h"

namespace zoxfuzz {
namespace {

// Where the private folder goes: $TMPDIR if set, else memory (/dev/shm) if it can be had, else
// /tmp. Every run writes and removes files there; on a disk file system that is most of a run's
// time (the compile target runs several times as fast in memory).
std::string tempRoot() {
  const char* tmp = std::getenv("TMPDIR");
  if (tmp != nullptr && *tmp != '\0') return tmp;
  struct stat st;
  if (stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && access("/dev/shm", W_OK | X_OK) == 0)
    return "/dev/shm";
  return "/tmp";
}

std::string makeFolder() {
  std::string pattern = tempRoot() + "/zox-fuzz-XXXXXX";
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

void mendChecksums(std::vector<uint8_t>& file) {
  size_t nameEnd = 7;
  while (nameEnd < file.size() && file[nameEnd] != 0) ++nameEnd;
  const size_t codeStart = nameEnd + 7;
  if (codeStart > file.size()) return;
  const uint64_t codeEnd = zox::loadU32(&file[nameEnd + 3]);
  if (codeEnd < codeStart || codeEnd + 4 > file.size()) return;
  zox::storeU32(&file[codeEnd],
                zox::sum32(std::span<const uint8_t>(file.data() + codeStart,
                                                    static_cast<size_t>(codeEnd) - codeStart)));
  for (uint64_t at = codeEnd + 4; at + zox::kBlockHeaderBytes <= file.size();) {
    const uint64_t length = zox::loadU32(&file[at + 4]);
    if (at + zox::kBlockHeaderBytes + length > file.size()) return;
    zox::storeU32(&file[at], zox::sum32(std::span<const uint8_t>(
                                 file.data() + at + zox::kBlockHeaderBytes, length)));
    at += zox::kBlockHeaderBytes + length;
  }
}

void broken(const char* promise) {
  std::fprintf(stderr, "broken promise: %s\n", promise);
  std::abort();
}

}  // namespace zoxfuzz
