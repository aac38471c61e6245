#pragma once
// The simulated logon's desktop: its top-level windows, of every simulated
// process, in Z order, with their owners, titles, properties, visibility,
// minimised and enabled state, and the window that is active (the foreground
// window). Activating a window records it as its top-level owner's last active
// pop-up, which is what GetLastActivePopup answers while that pop-up lives.
// Any thread may use it.
#include <list>
#include <map>
#include <mutex>
#include <string>

#include "os/windows.h"

namespace sim {

class Windows final : public os::Windows {
 public:
  os::Handle createWindow(os::Handle owner, std::u16string_view title) override;
  bool destroyWindow(os::Handle window) override;
  bool isWindow(os::Handle window) override {
    std::lock_guard lock(mutex_);
    return find(window) != nullptr;
  }
  bool setWindowText(os::Handle window, std::u16string_view text) override;
  std::u16string windowText(os::Handle window) override;
  bool setProp(os::Handle window, std::u16string_view name, os::Handle value) override;
  os::Handle getProp(os::Handle window, std::u16string_view name) override;
  os::Handle removeProp(os::Handle window, std::u16string_view name) override;
  bool showWindow(os::Handle window, int command) override;
  bool isIconic(os::Handle window) override;
  bool isWindowVisible(os::Handle window) override;
  bool enableWindow(os::Handle window, bool enable) override;
  bool isWindowEnabled(os::Handle window) override;
  bool enumWindows(os::EnumWindowsCallback callback, std::intptr_t param) override;
  os::Handle getLastActivePopup(os::Handle window) override;
  os::Handle setActiveWindow(os::Handle window) override;
  bool setForegroundWindow(os::Handle window) override;
  os::Handle getForegroundWindow() override {
    std::lock_guard lock(mutex_);
    return active_;
  }

  os::Handle owner(os::Handle window);
  std::size_t count() const {
    std::lock_guard lock(mutex_);
    return windows_.size();
  }

 private:
  struct Window {
    os::Handle handle = nullptr;
    os::Handle owner = nullptr;
    std::u16string title;
    std::map<std::u16string, os::Handle> props;  // names compare without regard to case
    bool visible = false, iconic = false, enabled = true;
    os::Handle lastActivePopup = nullptr;
  };
  Window* find(os::Handle window);
  os::Handle rootOwner(os::Handle window);
  void activate(Window& w);

  // Windows of every thread meet here: a worker thread posts to a window while the
  // thread that owns it works with it. Recursive: destroying a window destroys
  // the windows it owns.
  mutable std::recursive_mutex mutex_;
  std::list<Window> windows_;  // front: top of the Z order
  os::Handle active_ = nullptr;
  std::uintptr_t next_ = 0x10010;
};

}  // namespace sim
