// The command interpreter through the C runtime's _wsystem, which starts COMSPEC
// with "/c" and waits. Not every runtime goes on to cmd.exe when COMSPEC names a
// program that is missing or cannot be run, so that step is taken here.
#include <cerrno>
#include <cstdlib>
#include <optional>

#include "os/win32/adapters.h"
#include "os/win32/windows_api.h"

namespace os::win32 {
namespace {

// "cmd.exe /c commandLine", found on the search path, waited for: its exit status,
// or nothing when it could not be started.
std::optional<int> runCmd(const std::wstring& commandLine) {
  std::wstring command = L"cmd.exe /c " + commandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return std::nullopt;
  ::CloseHandle(process.hThread);
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 0;
  ::GetExitCodeProcess(process.hProcess, &status);
  ::CloseHandle(process.hProcess);
  return static_cast<int>(status);
}

class Win32Processes final : public Processes {
 public:
  int runThroughInterpreter(std::u16string_view commandLine) override {
    const std::wstring command = terminated(commandLine);
    errno = 0;
    const int status = ::_wsystem(command.c_str());
    if (status != -1 || errno == 0) return status;
    if (errno == ENOENT || errno == EACCES || errno == ENOEXEC) {
      if (const auto fallback = runCmd(command)) return *fallback;
    }
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return kInterpreterNotStarted;
  }
};

}  // namespace

Processes& processes() {
  static Win32Processes instance;
  return instance;
}

}  // namespace os::win32
