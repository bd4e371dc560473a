// Runs a fuzz target over files without the fuzzer: every file named, and every file in every
// folder named (in name order). The corpus and the crash regressions run this way in the
// ordinary test builds.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv) {
  // Absolute names first: the target may change the working folder.
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path p = std::filesystem::absolute(argv[i]);
    if (std::filesystem::is_directory(p)) {
      std::vector<std::filesystem::path> inside;
      for (const auto& e : std::filesystem::directory_iterator(p))
        if (e.is_regular_file()) inside.push_back(e.path());
      std::sort(inside.begin(), inside.end());
      files.insert(files.end(), inside.begin(), inside.end());
    } else if (std::filesystem::exists(p)) {
      files.push_back(p);
    }
  }
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  for (const auto& f : files) {
    std::ifstream in(f, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::printf("%zu inputs replayed\n", files.size());
  return 0;
}
