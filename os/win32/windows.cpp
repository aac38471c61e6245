#include <set>

#include "os/win32/adapters.h"
#include "os/win32/windows_api.h"

namespace os::win32 {
namespace {

HWND window(Handle handle) { return static_cast<HWND>(handle); }

struct Enumeration {
  EnumWindowsCallback callback;
  std::intptr_t param;
};

BOOL CALLBACK enumerate(HWND found, LPARAM param) {
  const auto* e = reinterpret_cast<const Enumeration*>(param);
  return e->callback(found, e->param) ? TRUE : FALSE;
}

class Win32Windows : public Windows {
 public:
  Handle createWindow(Handle owner, std::u16string_view title) override {
    return ::CreateWindowExW(0, plainWindowClass(), terminated(title).c_str(), WS_POPUP | WS_CAPTION, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window(owner), nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
  }
  bool destroyWindow(Handle handle) override { return ::DestroyWindow(window(handle)); }
  bool isWindow(Handle handle) override { return ::IsWindow(window(handle)); }
  bool setWindowText(Handle handle, std::u16string_view text) override {
    return ::SetWindowTextW(window(handle), terminated(text).c_str());
  }
  std::u16string windowText(Handle handle) override {
    const int length = ::GetWindowTextLengthW(window(handle));
    if (length <= 0) return {};
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    const int copied = ::GetWindowTextW(window(handle), wide(text.data()), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
  }
  bool setProp(Handle handle, std::u16string_view name, Handle value) override {
    return ::SetPropW(window(handle), terminated(name).c_str(), value);
  }
  Handle getProp(Handle handle, std::u16string_view name) override {
    return ::GetPropW(window(handle), terminated(name).c_str());
  }
  Handle removeProp(Handle handle, std::u16string_view name) override {
    return ::RemovePropW(window(handle), terminated(name).c_str());
  }
  bool showWindow(Handle handle, int command) override { return ::ShowWindow(window(handle), command); }
  bool isIconic(Handle handle) override { return ::IsIconic(window(handle)); }
  bool isWindowVisible(Handle handle) override { return ::IsWindowVisible(window(handle)); }
  bool enableWindow(Handle handle, bool enable) override { return ::EnableWindow(window(handle), enable); }
  bool isWindowEnabled(Handle handle) override { return ::IsWindowEnabled(window(handle)); }
  bool enumWindows(EnumWindowsCallback callback, std::intptr_t param) override {
    Enumeration e{callback, param};
    return ::EnumWindows(&enumerate, reinterpret_cast<LPARAM>(&e));
  }
  Handle getLastActivePopup(Handle handle) override { return ::GetLastActivePopup(window(handle)); }
  Handle setActiveWindow(Handle handle) override { return ::SetActiveWindow(window(handle)); }
  bool setForegroundWindow(Handle handle) override { return ::SetForegroundWindow(window(handle)); }
  Handle getForegroundWindow() override { return ::GetForegroundWindow(); }
};

class UnseenWindows final : public Win32Windows {
 public:
  Handle createWindow(Handle, std::u16string_view title) override {
    return ::CreateWindowExW(0, plainWindowClass(), terminated(title).c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
  }
  bool destroyWindow(Handle handle) override {
    shown_.erase(handle);
    iconic_.erase(handle);
    return Win32Windows::destroyWindow(handle);
  }
  // A message-only window stays out of sight: showing, minimising or activating it
  // changes nothing on the screen. Whether it counts as shown or minimised is kept
  // here, for the window system that drives it.
  bool showWindow(Handle handle, int command) override {
    if (!isMessageOnly(handle)) return Win32Windows::showWindow(handle, command);
    const bool wasShown = shown_.count(handle) != 0;
    if (command == kSwHide) {
      shown_.erase(handle);
      return wasShown;
    }
    shown_.insert(handle);
    if (command == kSwMinimize || command == kSwShowMinimized) iconic_.insert(handle);
    if (command == kSwRestore || command == kSwShowNormal) iconic_.erase(handle);
    return wasShown;
  }
  bool isWindowVisible(Handle handle) override {
    return isMessageOnly(handle) ? shown_.count(handle) != 0 : Win32Windows::isWindowVisible(handle);
  }
  bool isIconic(Handle handle) override {
    return isMessageOnly(handle) ? iconic_.count(handle) != 0 : Win32Windows::isIconic(handle);
  }
  Handle setActiveWindow(Handle handle) override {
    return isMessageOnly(handle) ? nullptr : Win32Windows::setActiveWindow(handle);
  }
  bool setForegroundWindow(Handle handle) override {
    return isMessageOnly(handle) ? ::IsWindow(window(handle)) != FALSE : Win32Windows::setForegroundWindow(handle);
  }

 private:
  std::set<Handle> shown_, iconic_;

  static bool isMessageOnly(Handle handle) {
    static const HWND root = [] {
      const HWND probe = ::CreateWindowExW(0, plainWindowClass(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                           ::GetModuleHandleW(nullptr), nullptr);
      const HWND parent = probe ? ::GetAncestor(probe, GA_PARENT) : nullptr;
      if (probe) ::DestroyWindow(probe);
      return parent;
    }();
    return root && ::GetAncestor(window(handle), GA_PARENT) == root;
  }
};

}  // namespace

// A class whose windows do nothing of their own. Another module of the process with
// these adapters may have registered it first, which serves as well.
const wchar_t* plainWindowClass() {
  static const bool registered = [] {
    WNDCLASSW description{};
    description.lpfnWndProc = ::DefWindowProcW;
    description.hInstance = ::GetModuleHandleW(nullptr);
    description.lpszClassName = L"SpanfinderPlainWindow";
    return ::RegisterClassW(&description) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered ? L"SpanfinderPlainWindow" : nullptr;
}

Windows& windows() {
  static Win32Windows instance;
  return instance;
}

Windows& unseenWindows() {
  static UnseenWindows instance;
  return instance;
}

}  // namespace os::win32
