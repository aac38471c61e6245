// The command interpreter as _wsystem starts it (COMSPEC, "/c", the command line,
// waited for), with two differences that matter in an administrator's process:
// the fallback to cmd.exe takes the one in the system folder, never one found by
// searching the program's or the current folder first; and the interpreter gets no
// console window, so that nothing comes up in front of the dialog while it runs.
#include <optional>
#include <string>

#include "os/win32/adapters.h"
#include "os/win32/windows_api.h"

namespace os::win32 {
namespace {

// The interpreter's own command line: its path (quoted when it holds a blank),
// "/c" and the command line as given.
std::wstring interpreterCommand(const std::wstring& interpreter, const std::wstring& commandLine) {
  const std::wstring path = interpreter.find(L' ') == std::wstring::npos ? interpreter : L"\"" + interpreter + L"\"";
  return path + L" /c " + commandLine;
}

// Starts interpreter by its path and waits for it: its exit status, or nothing when
// it could not be started (the system's last error says why).
std::optional<int> run(const std::wstring& interpreter, const std::wstring& commandLine) {
  std::wstring command = interpreterCommand(interpreter, commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(interpreter.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process))
    return std::nullopt;
  ::CloseHandle(process.hThread);
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 0;
  ::GetExitCodeProcess(process.hProcess, &status);
  ::CloseHandle(process.hProcess);
  return static_cast<int>(status);
}

std::wstring environmentVariable(const wchar_t* name) {
  const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  const DWORD length = ::GetEnvironmentVariableW(name, value.data(), size);
  value.resize(length < size ? length : 0);
  return value;
}

// cmd.exe in the system folder (C:\Windows\system32\cmd.exe).
std::wstring systemCmd() {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::wstring(folder, length) + L"\\cmd.exe";
}

class Win32Processes final : public Processes {
 public:
  int runThroughInterpreter(std::u16string_view commandLine) override {
    const std::wstring command = terminated(commandLine);
    const std::wstring comSpec = environmentVariable(L"COMSPEC");
    if (!comSpec.empty()) {
      if (const auto status = run(comSpec, command)) return *status;
      // A COMSPEC that names a program that is missing or cannot be run gives way
      // to cmd.exe; any other failure is the interpreter's not starting.
      const DWORD error = ::GetLastError();
      if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND && error != ERROR_ACCESS_DENIED &&
          error != ERROR_BAD_EXE_FORMAT && error != ERROR_INVALID_NAME) {
        ::SetLastError(ERROR_FILE_NOT_FOUND);
        return kInterpreterNotStarted;
      }
    }
    const std::wstring cmd = systemCmd();
    if (!cmd.empty())
      if (const auto status = run(cmd, command)) return *status;
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
