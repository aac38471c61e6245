// The "facility absent" behaviour of every interface: each call fails the way the
// Win32 call fails when the facility is missing.
#include "os/clock.h"
#include "os/files.h"
#include "os/modules.h"
#include "os/system.h"

namespace os {
namespace {
template <typename T>
T fail(T value) {
  setLastError(kErrorNotSupported);
  return value;
}
}  // namespace

Handle Files::createFile(std::u16string_view, std::uint32_t, std::uint32_t, std::uint32_t) {
  return fail(invalidHandle());
}
Handle Files::createFileA(std::string_view, std::uint32_t, std::uint32_t, std::uint32_t) {
  return fail(invalidHandle());
}
bool Files::readFile(Handle, void*, std::uint32_t, std::uint32_t* read) {
  if (read) *read = 0;
  return fail(false);
}
bool Files::writeFile(Handle, const void*, std::uint32_t, std::uint32_t* written) {
  if (written) *written = 0;
  return fail(false);
}
bool Files::fileSize(Handle, std::uint64_t*) { return fail(false); }
bool Files::seekToEnd(Handle) { return fail(false); }
bool Files::closeFile(Handle) { return fail(false); }

std::uint32_t SystemInfo::getWindowsDirectory(char16_t*, std::uint32_t) { return fail(0u); }
std::uint32_t SystemInfo::getCurrentDirectory(std::uint32_t, char16_t*) { return fail(0u); }
std::uint32_t SystemInfo::getCurrentDirectoryA(std::uint32_t, char*) { return fail(0u); }
std::uint32_t SystemInfo::windowsVersion() { return 0; }
bool SystemInfo::getEnvironmentVariable(std::u16string_view, std::u16string*) {
  setLastError(kErrorEnvVarNotFound);
  return false;
}
std::uint16_t SystemInfo::userInterfaceLanguage() { return kLangEnglishUS; }

Handle Modules::loadLibrary(std::u16string_view) {
  setLastError(kErrorModNotFound);
  return nullptr;
}
ProcAddress Modules::getProcAddress(Handle, const char*) {
  setLastError(kErrorProcNotFound);
  return nullptr;
}
bool Modules::freeLibrary(Handle) {
  setLastError(kErrorInvalidHandle);
  return false;
}

void Clock::sleep(std::uint32_t) {}
std::uint64_t Clock::tickCount() { return 0; }

}  // namespace os
