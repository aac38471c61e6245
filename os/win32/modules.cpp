#include "os/win32/adapters.h"
#include "os/win32/windows_api.h"

namespace os::win32 {
namespace {

class Win32Modules final : public Modules {
 public:
  Handle loadLibrary(std::u16string_view name) override { return ::LoadLibraryW(terminated(name).c_str()); }
  ProcAddress getProcAddress(Handle module, const char* name) override {
    return reinterpret_cast<ProcAddress>(::GetProcAddress(static_cast<HMODULE>(module), name));
  }
  bool freeLibrary(Handle module) override { return ::FreeLibrary(static_cast<HMODULE>(module)); }
};

}  // namespace

Modules& modules() {
  static Win32Modules instance;
  return instance;
}

}  // namespace os::win32
