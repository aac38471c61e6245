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

// The report path and the tool's command line for a Windows folder and version
// (major * 256 + minor); nothing when the upper-cased folder lacks "\WINDOWS".
std::optional<SystemInfoCommand> systemInfoCommand(std::u16string_view windowsDirectory, std::uint32_t version);

// The upper-case copy the folder is searched in (letters of the Latin-1 range).
std::u16string upperCaseCopy(std::u16string_view text);

}  // namespace app
