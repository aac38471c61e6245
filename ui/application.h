#pragma once
// The application object: one per program run. It knows the window system and
// the operating-system facilities the program uses, the application's name (the
// caption of every message box), and its main window. A program derives from it
// and overrides InitInstance.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "os/platform.h"
#include "ui/win32_values.h"
#include "ui/window_system.h"

namespace ui {

class Window;

class Application {
 public:
  // facilities: null members take the process's installed ones (os::platform()).
  // name: the application's name; empty takes the program file's name without
  // folder and extension, as the framework does for an application that names
  // none of its own.
  Application(WindowSystem& windows, const os::Platform& facilities, std::u16string_view name = {});
  virtual ~Application() = default;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Starts the program: InitInstance, whose false ends it. The framework runs no
  // modeless main window, so run() ends in every case; it returns the exit code:
  // 0, or 1 when InitInstance failed with an exception (which stops there).
  int run();
  virtual bool InitInstance() { return true; }

  // The framework's base initialisation, hosting of controls in dialogs, and the
  // key under which settings would be kept (remembered; nothing is stored).
  bool initApplication();
  void enableControlContainer() { controlContainer_ = true; }
  void setRegistryKey(std::u16string_view key) { registryKey_.assign(key); }
  const std::u16string& registryKey() const { return registryKey_; }

  const std::u16string& name() const { return name_; }
  Window* mainWindow() const { return mainWindow_; }
  void setMainWindow(Window* window) { mainWindow_ = window; }

  // The application message box: owned by the main window, caption the
  // application's name; OK and the exclamation icon unless type says otherwise.
  // While the main window is still hidden the box has no owner and takes the
  // foreground (MB_SETFOREGROUND).
  int messageBox(std::u16string_view text, std::uint32_t type = kMbOk | kMbIconExclamation);

  WindowSystem& windowSystem() const { return windows_; }
  const os::Platform& facilities() const { return facilities_; }

  // The commands no window handled (WM_COMMAND), in a switch as a window's
  // WindowProc: the result, or nothing for a command the application does not take.
  // The framework's own is Help (kIdHelp), which opens the application's help file;
  // a program without one (like this framework's) gets nothing.
  virtual std::optional<std::intptr_t> OnCommand(const Message& message);

 private:
  WindowSystem& windows_;
  os::Platform facilities_;
  std::u16string name_;
  std::u16string registryKey_;
  Window* mainWindow_ = nullptr;
  bool controlContainer_ = false;
};

// The program file's name without folder and extension, from its full path.
std::u16string applicationNameFromPath(std::u16string_view path);

}  // namespace ui
