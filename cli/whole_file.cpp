#include "cli/whole_file.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace cli {

std::optional<std::string> writeFileWhole(const std::string& path, const std::string& bytes) {
  if (path == "-") {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0)
      return std::nullopt;
    return std::string("standard output: the write failed");
  }
  namespace fs = std::filesystem;
  const fs::path target(path);
  fs::path temporary = target;
  temporary += ".part";
  std::error_code ec;
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      fs::remove(temporary, ec);
      return path + ": cannot be written";
    }
  }
  fs::rename(temporary, target, ec);
  if (ec) {
    const std::string why = ec.message();
    fs::remove(temporary, ec);
    return path + ": cannot be written (" + why + ")";
  }
  return std::nullopt;
}

}  // namespace cli
