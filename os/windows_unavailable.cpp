#include "os/windows.h"

namespace os {
namespace {
template <typename T>
T noWindow(T value) {
  setLastError(kErrorInvalidWindowHandle);
  return value;
}
}  // namespace

Handle Windows::createWindow(Handle, std::u16string_view) {
  setLastError(kErrorNotSupported);
  return nullptr;
}
bool Windows::destroyWindow(Handle) { return noWindow(false); }
bool Windows::isWindow(Handle) { return false; }
bool Windows::setWindowText(Handle, std::u16string_view) { return noWindow(false); }
std::u16string Windows::windowText(Handle) { return noWindow(std::u16string()); }
bool Windows::setProp(Handle, std::u16string_view, Handle) { return noWindow(false); }
Handle Windows::getProp(Handle, std::u16string_view) { return nullptr; }
Handle Windows::removeProp(Handle, std::u16string_view) { return nullptr; }
bool Windows::showWindow(Handle, int) { return noWindow(false); }
bool Windows::isIconic(Handle) { return false; }
bool Windows::isWindowVisible(Handle) { return false; }
bool Windows::enableWindow(Handle, bool) { return noWindow(false); }
bool Windows::isWindowEnabled(Handle) { return false; }
bool Windows::enumWindows(EnumWindowsCallback, std::intptr_t) { return noWindow(false); }
Handle Windows::getLastActivePopup(Handle) { return noWindow(Handle{}); }
Handle Windows::setActiveWindow(Handle) { return noWindow(Handle{}); }
bool Windows::setForegroundWindow(Handle) { return noWindow(false); }
Handle Windows::getForegroundWindow() { return nullptr; }

}  // namespace os
