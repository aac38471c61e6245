#pragma once
// Writing an output file whole or not at all: the bytes go to a file beside it
// that then takes its name, so that a file already there stays as it was when the
// new one cannot be written.
#include <optional>
#include <string>

namespace cli {

// path "-" writes to standard output. An error line naming the file when it fails.
std::optional<std::string> writeFileWhole(const std::string& path, const std::string& bytes);

}  // namespace cli
