#include "os/win32/adapters.h"
#include "os/win32/windows_api.h"

namespace os::win32 {
namespace {

class Win32Clock final : public Clock {
 public:
  void sleep(std::uint32_t milliseconds) override { ::Sleep(milliseconds); }
  std::uint64_t tickCount() override { return ::GetTickCount64(); }
};

}  // namespace

Clock& clock() {
  static Win32Clock instance;
  return instance;
}

}  // namespace os::win32
