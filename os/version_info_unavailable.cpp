#include "os/version_info.h"

namespace os {

std::uint32_t VersionInfo::getModuleFileName(char16_t* buffer, std::uint32_t size) {
  if (buffer && size) buffer[0] = u'\0';
  setLastError(kErrorNotSupported);
  return 0;
}

std::uint32_t VersionInfo::getFileVersionInfoSize(std::u16string_view) {
  setLastError(kErrorResourceTypeNotFound);
  return 0;
}

bool VersionInfo::getFileVersionInfo(std::u16string_view, std::uint32_t, void*) {
  setLastError(kErrorResourceTypeNotFound);
  return false;
}

bool VersionInfo::queryValue(const void*, std::u16string_view, const char16_t** value, std::uint32_t* length) {
  if (value) *value = nullptr;
  if (length) *length = 0;
  return false;
}

}  // namespace os
