#include "sim/windows.h"

#include "sim/fold_case.h"

#include <algorithm>
#include <vector>

namespace sim {

Windows::Window* Windows::find(os::Handle window) {
  if (!window) return nullptr;
  for (auto& w : windows_)
    if (w.handle == window) return &w;
  return nullptr;
}

os::Handle Windows::rootOwner(os::Handle window) {
  os::Handle root = window;
  for (Window* w = find(window); w && w->owner; w = find(w->owner)) root = w->owner;
  return root;
}

os::Handle Windows::createWindow(os::Handle owner, std::u16string_view title) {
  std::lock_guard lock(mutex_);
  if (owner && !find(owner)) {
    os::setLastError(os::kErrorInvalidWindowHandle);
    return nullptr;
  }
  Window w;
  w.handle = reinterpret_cast<os::Handle>(next_);
  next_ += 4;
  w.owner = owner;
  w.title.assign(title);
  windows_.push_front(std::move(w));
  return windows_.front().handle;
}

bool Windows::destroyWindow(os::Handle window) {
  std::lock_guard lock(mutex_);
  if (!find(window)) {
    os::setLastError(os::kErrorInvalidWindowHandle);
    return false;
  }
  // Owned windows go first, as the system destroys them before their owner.
  std::vector<os::Handle> owned;
  for (const auto& w : windows_)
    if (w.owner == window) owned.push_back(w.handle);
  for (os::Handle h : owned) destroyWindow(h);
  Window* w = find(window);
  const os::Handle owner = w->owner;
  windows_.remove_if([window](const Window& x) { return x.handle == window; });
  if (active_ == window) {
    active_ = nullptr;
    // The system activates the owner of an active window that goes away, or else
    // the next visible window in the Z order.
    Window* next = find(owner);
    for (auto it = windows_.begin(); !next && it != windows_.end(); ++it)
      if (it->visible) next = &*it;
    if (next) activate(*next);
  }
  return true;
}

bool Windows::setWindowText(os::Handle window, std::u16string_view text) {
  std::lock_guard lock(mutex_);
  Window* w = find(window);
  if (!w) {
    os::setLastError(os::kErrorInvalidWindowHandle);
    return false;
  }
  w->title.assign(text);
  return true;
}

std::u16string Windows::windowText(os::Handle window) {
  std::lock_guard lock(mutex_);
  Window* w = find(window);
  return w ? w->title : std::u16string();
}

bool Windows::setProp(os::Handle window, std::u16string_view name, os::Handle value) {
  std::lock_guard lock(mutex_);
  Window* w = find(window);
  if (!w) {
    os::setLastError(os::kErrorInvalidWindowHandle);
    return false;
  }
  w->props[foldCase(name)] = value;
  return true;
}

os::Handle Windows::getProp(os::Handle window, std::u16string_view name) {
  std::lock_guard lock(mutex_);
  Window* w = find(window);
  if (!w) return nullptr;
  const auto it = w->props.find(foldCase(name));
  return it == w->props.end() ? nullptr : it->second;
}

os::Handle Windows::removeProp(os::Handle window, std::u16string_view name) {
  std::lock_guard lock(mutex_);
  Window* w = find(window);
  if (!w) return nullptr;
  const auto it = w->props.find(foldCase(name));
  if (it == w->props.end()) return nullptr;
  const os::Handle value = it->second;
  w->props.erase(it);
  return value;
}

bool Windows::showWindow(os::Handle window, int command) {
  std::lock_guard lock(mutex_);
  Window* w = find(window);
  if (!w) {
    os::setLastError(os::kErrorInvalidWindowHandle);
    return false;
  }
  const bool wasVisible = w->visible;
  switch (command) {
    case os::kSwHide:
      w->visible = false;
      break;
    case os::kSwMinimize:
    case os::kSwShowMinimized:
      w->visible = true;
      w->iconic = true;
      break;
    case os::kSwRestore:
    case os::kSwShowNormal:
      w->visible = true;
      w->iconic = false;
      break;
    default:
      w->visible = true;
      break;
  }
  return wasVisible;
}

bool Windows::isIconic(os::Handle window) {
  std::lock_guard lock(mutex_);
  Window* w = find(window);
  return w && w->iconic;
}

bool Windows::isWindowVisible(os::Handle window) {
  std::lock_guard lock(mutex_);
  Window* w = find(window);
  return w && w->visible;
}

bool Windows::enableWindow(os::Handle window, bool enable) {
  std::lock_guard lock(mutex_);
  Window* w = find(window);
  if (!w) return false;
  const bool wasDisabled = !w->enabled;
  w->enabled = enable;
  return wasDisabled;
}

bool Windows::isWindowEnabled(os::Handle window) {
  std::lock_guard lock(mutex_);
  Window* w = find(window);
  return w && w->enabled;
}

bool Windows::enumWindows(os::EnumWindowsCallback callback, std::intptr_t param) {
  // A snapshot: the callback may activate windows and so reorder the list.
  std::vector<os::Handle> order;
  {
    std::lock_guard lock(mutex_);
    for (const auto& w : windows_) order.push_back(w.handle);
  }
  for (os::Handle h : order)
    if (isWindow(h) && !callback(h, param)) return false;
  return true;
}

os::Handle Windows::getLastActivePopup(os::Handle window) {
  std::lock_guard lock(mutex_);
  Window* w = find(window);
  if (!w) {
    os::setLastError(os::kErrorInvalidWindowHandle);
    return nullptr;
  }
  Window* popup = find(w->lastActivePopup);
  return popup && popup->visible && rootOwner(popup->handle) == window ? popup->handle : window;
}

void Windows::activate(Window& w) {
  active_ = w.handle;
  if (Window* root = find(rootOwner(w.handle))) root->lastActivePopup = w.handle;
  windows_.splice(windows_.begin(), windows_, std::find_if(windows_.begin(), windows_.end(),
                                                           [&](const Window& x) { return x.handle == w.handle; }));
}

os::Handle Windows::setActiveWindow(os::Handle window) {
  std::lock_guard lock(mutex_);
  Window* w = find(window);
  const os::Handle before = active_;
  if (!w) {
    os::setLastError(os::kErrorInvalidWindowHandle);
    return nullptr;
  }
  activate(*w);
  return before;
}

bool Windows::setForegroundWindow(os::Handle window) {
  std::lock_guard lock(mutex_);
  Window* w = find(window);
  if (!w) {
    os::setLastError(os::kErrorInvalidWindowHandle);
    return false;
  }
  activate(*w);
  return true;
}

os::Handle Windows::owner(os::Handle window) {
  std::lock_guard lock(mutex_);
  Window* w = find(window);
  return w ? w->owner : nullptr;
}

}  // namespace sim
