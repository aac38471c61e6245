#pragma once
// Where the system-information tool lives and what it is asked: the pieces of
// RunSystemInfoTool that follow from the Windows folder and version alone.
#include <cstdint>
#include <optional>
#include <string>

namespace app {

// The command line holds at most this many UTF-16 units, terminator included.
constexpr std::size_t kCommandLineUnits = 520;

constexpr std::u16string_view kReportCategories =
    u" /categories +ResourcesIO+ResourcesMemory+ComponentsProblemDevices /report ";

struct SystemInfoCommand {
  std::u16string reportPath;
  std::u16string commandLine;
};

// The report path and the tool's command line for a Windows folder, its upper-case
// copy (the system's upper-casing: the copy the folder is searched in and the
// report path is cut from) and the Windows version (major * 256 + minor); nothing
// when the upper-case copy lacks "\WINDOWS".
std::optional<SystemInfoCommand> systemInfoCommand(std::u16string_view windowsDirectory,
                                                   std::u16string_view upperCaseDirectory, std::uint32_t version);

}  // namespace app
