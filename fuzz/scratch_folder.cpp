#include "fuzz/scratch_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

namespace fuzz {
namespace {

std::filesystem::path g_folder;

void removeFolder() {
  std::error_code ec;
  std::filesystem::remove_all(g_folder, ec);
}

}  // namespace

const std::filesystem::path& scratchFolder() {
  if (g_folder.empty()) {
    // Memory-backed when the host has such a folder: targets write files at every input.
    std::error_code ec;
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0
            ? std::filesystem::path("/dev/shm")
            : std::filesystem::temp_directory_path();
    std::string pattern = (base / "spanfinder-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    g_folder = pattern;
    std::atexit(removeFolder);
  }
  return g_folder;
}

}  // namespace fuzz
