// What the fuzz targets share: a private folder that lives as long as the process, files
// written into it, and a way to stop on a broken promise that the fuzzer reports as a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zoxfuzz {

// A fresh folder under $TMPDIR (else /dev/shm, else /tmp), made on first use and removed at
// exit.
const std::string& workFolder();

// Writes bytes to workFolder()/name (replacing it) and returns the path.
std::string writeFile(std::string_view name, const uint8_t* data, size_t size);

bool exists(const std::string& path);

// Rewrites the code checksum and every block checksum of a compiled file so that they fit
// the bytes as they are: a changed statement then reaches the code that reads statements
// instead of stopping at the checksum. Leaves what it cannot make out as it is.
void mendChecksums(std::vector<uint8_t>& file);

// Ends the process with a message when a promise of the system does not hold.
[[noreturn]] void broken(const char* promise);

}  // namespace zoxfuzz
