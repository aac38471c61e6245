#include "ui/application.h"

#include "ui/window.h"

namespace ui {

std::u16string applicationNameFromPath(std::u16string_view path) {
  const auto slash = path.find_last_of(u"\\/:");
  std::u16string_view name = slash == path.npos ? path : path.substr(slash + 1);
  const auto dot = name.find_last_of(u'.');
  if (dot != name.npos) name = name.substr(0, dot);
  return std::u16string(name);
}

Application::Application(WindowSystem& windows, const os::Platform& facilities, std::u16string_view name)
    : windows_(windows), facilities_(os::completed(facilities, os::platform())), name_(name) {
  if (name_.empty()) {
    char16_t path[os::kMaxPath] = {};
    facilities_.versions->getModuleFileName(path, os::kMaxPath);
    name_ = applicationNameFromPath(path);
  }
}

bool Application::initApplication() { return true; }

int Application::run() {
  try {
    InitInstance();
  } catch (...) {
    // Nothing of the program's may leave through the framework's entry.
    return 1;
  }
  return 0;
}

int Application::messageBox(std::u16string_view text, std::uint32_t type) {
  WindowHandle owner = mainWindow_ ? mainWindow_->handle() : nullptr;
  // A main window not shown yet (its initialisation failed) would own a box without
  // a taskbar button that can stay behind other windows: the box stands on its own
  // (with a button of its own) and comes to the front.
  if (owner && !windows_.isWindowVisible(owner)) {
    owner = nullptr;
    type |= kMbSetForeground;
  }
  return windows_.messageBox(owner, text, name_, type);
}

std::optional<std::intptr_t> Application::OnCommand(const Message& message) {
  if (isCommand(message.id, message.wParam, kIdHelp, 0)) return 0;
  return std::nullopt;
}

}  // namespace ui
