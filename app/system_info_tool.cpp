#include "app/system_info_tool.h"

#include "analysis/result_codes.h"
#include "app/main_dialog.h"

namespace app {

std::optional<SystemInfoCommand> systemInfoCommand(std::u16string_view windowsDirectory,
                                                   std::u16string_view upper, std::uint32_t version) {
  const std::size_t windowsAt = upper.find(u"\\WINDOWS");
  if (windowsAt == std::u16string::npos) return std::nullopt;
  const std::u16string drivePart(upper.substr(0, windowsAt));

  SystemInfoCommand command;
  command.reportPath = drivePart + u"\\msinfo.txt";
  std::u16string toolPath;
  if (version < 0x0600)
    toolPath = u"\"" + drivePart + u"\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe\"";
  else
    toolPath = std::u16string(windowsDirectory) + u"\\system32\\msinfo32.exe";
  command.commandLine = toolPath + std::u16string(kReportCategories) + command.reportPath;
  return command;
}

}  // namespace app

int CTmx4CheckLinkSpeedDlg::RunSystemInfoTool(std::u16string& reportPath) {
  reportPath.clear();
  const os::Platform& os = app_.facilities();
  char16_t windowsDirectory[os::kMaxPath] = {};
  const std::uint32_t length = os.system->getWindowsDirectory(windowsDirectory, os::kMaxPath);
  // A folder that does not fit the buffer is as unavailable as none.
  if (length == 0 || length >= os::kMaxPath) return analysis::kResultNoWindowsDirectory;

  const std::u16string_view directory(windowsDirectory, length);
  const auto command = app::systemInfoCommand(directory, os.system->upperCase(directory), os.system->windowsVersion());
  if (!command) return analysis::kResultWindowsDirectoryMissing;

  int result = analysis::kResultSuccess;
  if (command->commandLine.size() + 1 > app::kCommandLineUnits) {
    // It would not fit the command-line buffer: cut short, it would run some other
    // command or write some other file, so nothing is run.
    result = analysis::kResultCommandFailed;
  } else if (os.processes->runThroughInterpreter(command->commandLine) != 0) {
    result = analysis::kResultCommandFailed;
  }
  reportPath = command->reportPath;
  return result;
}
