#include "cli/output_place.h"

#include <filesystem>
#include <system_error>

namespace cli {
namespace {

namespace fs = std::filesystem;

fs::path pathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

}  // namespace

std::optional<std::string> outputFileProblem(const std::string& label, const std::string& file) {
  if (file == "-") return std::nullopt;
  std::error_code ec;
  if (fs::is_directory(pathOf(file), ec)) return label + ": is a folder";
  const fs::path folder = fs::absolute(pathOf(file), ec).parent_path();
  if (ec || !fs::is_directory(folder, ec)) return label + ": its folder does not exist";
  return std::nullopt;
}

std::optional<std::string> outputFolderProblem(const std::string& label, const std::string& folder) {
  std::error_code ec;
  const fs::file_status status = fs::status(pathOf(folder), ec);
  if (!fs::exists(status)) return label + ": the folder does not exist";
  if (!fs::is_directory(status)) return label + ": is a file, not a folder";
  return std::nullopt;
}

}  // namespace cli
