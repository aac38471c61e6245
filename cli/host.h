#pragma once
// What the tool needs of the system it runs on beyond the os/ facilities: paths
// as the user's shell writes them, and the report named on the command line made
// ready. Natively cli/posix/host.cpp, on Windows cli/win32/host.cpp.
#include <optional>
#include <string>
#include <string_view>

#include "os/platform.h"

namespace cli::host {

// How the user is told about standard input ("-") as the report.
inline constexpr const char* kStandardInput = "standard input";

// A Windows path of the engine (folders separated by backslashes) as the user's
// shell writes it, in UTF-8.
std::string shownPath(std::u16string_view windowsPath);

// Standard input copied into a new temporary file: the copy's path in UTF-8, or
// nothing with error set (one line naming standard input). A terminal is refused:
// the report is UTF-16 text that is piped or redirected in, never typed.
std::optional<std::string> copyStandardInput(std::string& error);
// Removes a copy made by copyStandardInput.
void removeCopy(const std::string& copy);

// Why the report argument (whose path, as the engine will open it, is path) cannot
// be read: one line naming the argument; nothing when it can.
std::optional<std::string> whyUnreadable(const std::string& argument, const std::u16string& path);

// The facilities of a command that runs the access library without a machine:
// the system's own, with its library loader.
os::Platform ownFacilities();

// A file the user named (UTF-8) as the library loaded with ownFacilities opens it,
// or nothing with error set (one line naming the file).
std::optional<std::string> ownLibraryPath(const std::string& userPath, std::string& error);

// Whether standard output is a terminal (a progress bar is drawn there) rather
// than a file or a pipe (which get plain lines).
bool standardOutputIsTerminal();

}  // namespace cli::host
