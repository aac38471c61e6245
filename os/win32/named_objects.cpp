#include "os/win32/adapters.h"
#include "os/win32/windows_api.h"

namespace os::win32 {
namespace {

class Win32NamedObjects final : public NamedObjects {
 public:
  Handle createMutex(std::u16string_view name, bool initialOwner) override {
    if (name.empty()) {
      ::SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    // On success the system leaves 0 or ERROR_ALREADY_EXISTS: that is the answer.
    return ::CreateMutexW(nullptr, initialOwner, terminated(name).c_str());
  }
  bool closeHandle(Handle object) override { return ::CloseHandle(object); }
};

}  // namespace

NamedObjects& namedObjects() {
  static Win32NamedObjects instance;
  return instance;
}

}  // namespace os::win32
