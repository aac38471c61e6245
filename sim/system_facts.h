#pragma once
// Facts of the simulated Windows installation: Windows folder, version, current
// directory, environment and user-interface language.
#include <map>
#include <optional>
#include <string>

#include "os/system.h"

namespace sim {

class SystemFacts final : public os::SystemInfo {
 public:
  // Unset (std::nullopt) makes GetWindowsDirectoryW fail.
  std::optional<std::u16string> windowsDirectory = u"C:\\Windows";
  std::uint32_t version = 0x0601;  // Windows 7
  std::u16string currentDirectory = u"C:\\Tools";
  std::map<std::u16string, std::u16string> environment{{u"COMSPEC", u"C:\\Windows\\system32\\cmd.exe"}};
  std::uint16_t language = os::kLangEnglishUS;

  std::uint32_t getWindowsDirectory(char16_t* buffer, std::uint32_t size) override;
  std::uint32_t getWindowsDirectoryA(char* buffer, std::uint32_t size) override;
  std::uint32_t getCurrentDirectory(std::uint32_t size, char16_t* buffer) override;
  std::uint32_t getCurrentDirectoryA(std::uint32_t size, char* buffer) override;
  std::uint32_t windowsVersion() override { return version; }
  bool getEnvironmentVariable(std::u16string_view name, std::u16string* value) override;
  std::uint16_t userInterfaceLanguage() override { return language; }
};

}  // namespace sim
