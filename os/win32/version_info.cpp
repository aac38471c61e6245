#include "os/win32/adapters.h"
#include "os/win32/windows_api.h"

namespace os::win32 {
namespace {

class Win32VersionInfo final : public VersionInfo {
 public:
  std::uint32_t getModuleFileName(char16_t* buffer, std::uint32_t size) override {
    return ::GetModuleFileNameW(nullptr, wide(buffer), size);
  }
  std::uint32_t getFileVersionInfoSize(std::u16string_view path) override {
    DWORD unused = 0;
    return ::GetFileVersionInfoSizeW(terminated(path).c_str(), &unused);
  }
  bool getFileVersionInfo(std::u16string_view path, std::uint32_t size, void* block) override {
    return ::GetFileVersionInfoW(terminated(path).c_str(), 0, size, block);
  }
  bool queryValue(const void* block, std::u16string_view subBlock, const char16_t** value,
                  std::uint32_t* length) override {
    void* found = nullptr;
    UINT units = 0;
    const bool ok = ::VerQueryValueW(block, terminated(subBlock).c_str(), &found, &units) && found;
    if (value) *value = ok ? static_cast<const char16_t*>(found) : nullptr;
    if (length) *length = ok ? units : 0;
    return ok;
  }
};

}  // namespace

VersionInfo& versions() {
  static Win32VersionInfo instance;
  return instance;
}

}  // namespace os::win32
