#pragma once
// One rule for every output a user names on the command line (a file or the
// folder a file goes to): its folder must exist, and a file must not be a folder.
// It is checked before anything runs, so that a mistyped name costs nothing and
// is named in the error line (exit status 2). What only the writing can find out
// (a folder removed meanwhile, a full disk) is reported when it happens.
#include <optional>
#include <string>

namespace cli {

// label names the output in the error line ("--html FILE", "bios read: FILE").
// FILE "-" (standard output) is always fine. UTF-8 names on every host.
std::optional<std::string> outputFileProblem(const std::string& label, const std::string& file);
std::optional<std::string> outputFolderProblem(const std::string& label, const std::string& folder);

}  // namespace cli
