#include "os/win32/adapters.h"
#include "os/win32/windows_api.h"

namespace os::win32 {
namespace {

// The version the system reports at the program's start (GetVersionExW).
std::uint32_t versionAtStart() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!::GetVersionExW(&info)) return 0;
#pragma GCC diagnostic pop
  return (info.dwMajorVersion << 8) | (info.dwMinorVersion & 0xFF);
}

class Win32System final : public SystemInfo {
 public:
  std::uint32_t getWindowsDirectory(char16_t* buffer, std::uint32_t size) override {
    return ::GetWindowsDirectoryW(wide(buffer), size);
  }
  std::uint32_t getWindowsDirectoryA(char* buffer, std::uint32_t size) override {
    return ::GetWindowsDirectoryA(buffer, size);
  }
  std::uint32_t getCurrentDirectory(std::uint32_t size, char16_t* buffer) override {
    return ::GetCurrentDirectoryW(size, wide(buffer));
  }
  std::uint32_t getCurrentDirectoryA(std::uint32_t size, char* buffer) override {
    return ::GetCurrentDirectoryA(size, buffer);
  }
  std::uint32_t windowsVersion() override {
    static const std::uint32_t version = versionAtStart();
    return version;
  }
  bool getEnvironmentVariable(std::u16string_view name, std::u16string* value) override {
    const std::wstring key = terminated(name);
    const DWORD needed = ::GetEnvironmentVariableW(key.c_str(), nullptr, 0);
    if (needed == 0) return false;
    std::wstring text(needed, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(key.c_str(), text.data(), needed);
    if (length == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
    text.resize(length < needed ? length : 0);
    if (value) value->assign(text.begin(), text.end());
    return true;
  }
  std::uint16_t userInterfaceLanguage() override { return ::GetUserDefaultUILanguage(); }
  std::u16string upperCase(std::u16string_view text) override {
    std::u16string upper(text);
    if (!upper.empty()) ::CharUpperBuffW(wide(upper.data()), static_cast<DWORD>(upper.size()));
    return upper;
  }
};

}  // namespace

SystemInfo& system() {
  static Win32System instance;
  return instance;
}

}  // namespace os::win32
