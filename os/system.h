#pragma once
// System facts the program and the library ask for: Windows folder, current
// directory, version, environment and user-interface language. Shaped after
// GetWindowsDirectoryW/A, GetCurrentDirectoryW/A, GetVersionEx, GetEnvironmentVariableW,
// GetUserDefaultUILanguage and CharUpperBuffW. The base class is the "facility
// absent" back end.
// Threads: only the caller's thread calls it, never a BIOS worker thread.
#include <cstdint>
#include <string>
#include <string_view>

#include "os/types.h"

namespace os {

constexpr std::uint16_t kLangEnglishUS = 0x0409;
constexpr std::uint16_t kLangJapanese = 0x0411;

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;

  // GetWindowsDirectoryW: copies the Windows folder (no trailing backslash) with its
  // terminator into buffer. Returns its length without the terminator; the size
  // needed (terminator included) when size is too small; 0 on failure.
  virtual std::uint32_t getWindowsDirectory(char16_t* buffer, std::uint32_t size);
  // GetWindowsDirectoryA: the same in 8-bit (ANSI) text.
  virtual std::uint32_t getWindowsDirectoryA(char* buffer, std::uint32_t size);

  // GetCurrentDirectoryW / GetCurrentDirectoryA: same return convention as above.
  virtual std::uint32_t getCurrentDirectory(std::uint32_t size, char16_t* buffer);
  virtual std::uint32_t getCurrentDirectoryA(std::uint32_t size, char* buffer);

  // Major version * 256 + minor version (0x0601 for Windows 7); 0 when unknown.
  virtual std::uint32_t windowsVersion();

  // GetEnvironmentVariableW: true with the value, false (kErrorEnvVarNotFound) if unset.
  virtual bool getEnvironmentVariable(std::u16string_view name, std::u16string* value);

  // GetUserDefaultUILanguage: a LANGID such as kLangEnglishUS or kLangJapanese.
  virtual std::uint16_t userInterfaceLanguage();

  // CharUpperBuffW: a copy of text in upper case by the system's own rules, unit for
  // unit (the length never changes). Without a system of its own (the base class)
  // only a to z and the Latin-1 letters are upper-cased.
  virtual std::u16string upperCase(std::u16string_view text);
};

}  // namespace os
