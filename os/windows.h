#pragma once
// Top-level windows of the logon's desktop, shaped after CreateWindowExW,
// DestroyWindow, SetWindowTextW, SetPropW/GetPropW/RemovePropW, ShowWindow,
// IsIconic, IsWindowVisible, EnableWindow, IsWindowEnabled, EnumWindows,
// GetLastActivePopup, SetActiveWindow, SetForegroundWindow and
// GetForegroundWindow. Windows of every process on the desktop are visible here;
// that is how a second copy of the program finds the first.
// The base class is the "facility absent" back end: there is no desktop, every
// call fails with kErrorInvalidWindowHandle (creation with kErrorNotSupported).
// Threads: only the program's own thread calls it, never a BIOS worker thread.
#include <cstdint>
#include <string>
#include <string_view>

#include "os/types.h"

namespace os {

// ERROR_INVALID_WINDOW_HANDLE.
constexpr std::uint32_t kErrorInvalidWindowHandle = 1400;

// ShowWindow commands (Win32 values).
constexpr int kSwHide = 0, kSwShowNormal = 1, kSwShowMinimized = 2, kSwShow = 5, kSwMinimize = 6,
              kSwRestore = 9;

// Enumeration callback: return true to go on, false to stop (EnumWindows' WNDENUMPROC).
using EnumWindowsCallback = bool (*)(Handle window, std::intptr_t param);

class Windows {
 public:
  virtual ~Windows() = default;

  // CreateWindowExW for a top-level window (owner may be null), created hidden, on
  // top of the Z order. Returns its handle, or nullptr (kErrorInvalidWindowHandle
  // for an owner that does not exist).
  virtual Handle createWindow(Handle owner, std::u16string_view title);
  // DestroyWindow: also destroys the windows it owns. false for a handle that is
  // not a window.
  virtual bool destroyWindow(Handle window);
  virtual bool isWindow(Handle window);

  // SetWindowTextW / GetWindowTextW (empty for a handle that is not a window).
  virtual bool setWindowText(Handle window, std::u16string_view text);
  virtual std::u16string windowText(Handle window);

  // SetPropW: false when the window does not exist. GetPropW: the value, or
  // nullptr when the window lacks the property. RemovePropW: the value removed.
  virtual bool setProp(Handle window, std::u16string_view name, Handle value);
  virtual Handle getProp(Handle window, std::u16string_view name);
  virtual Handle removeProp(Handle window, std::u16string_view name);

  // ShowWindow with a kSw... command: returns whether the window was visible before.
  // kSwMinimize/kSwShowMinimized make it iconic, kSwRestore/kSwShowNormal undo that.
  virtual bool showWindow(Handle window, int command);
  virtual bool isIconic(Handle window);
  virtual bool isWindowVisible(Handle window);

  // EnableWindow: returns whether the window was disabled before.
  virtual bool enableWindow(Handle window, bool enable);
  virtual bool isWindowEnabled(Handle window);

  // EnumWindows: calls callback for each top-level window, top of the Z order
  // first, until it returns false. Returns false when the callback stopped it
  // (as EnumWindows does) or there is no desktop.
  virtual bool enumWindows(EnumWindowsCallback callback, std::intptr_t param);

  // GetLastActivePopup: the window owned by window that was active most recently,
  // or window itself when it was, or when that pop-up is gone or hidden.
  virtual Handle getLastActivePopup(Handle window);

  // SetActiveWindow / SetForegroundWindow: activate the window and bring it to the
  // top of the Z order. SetActiveWindow returns the window active before (or
  // nullptr); SetForegroundWindow returns false when the window does not exist.
  virtual Handle setActiveWindow(Handle window);
  virtual bool setForegroundWindow(Handle window);
  virtual Handle getForegroundWindow();
};

}  // namespace os
