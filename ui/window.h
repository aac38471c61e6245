#pragma once
// A window of the program and the calls the program makes on it. Every call goes
// to the window system as the Win32 message or function it stands for.
#include <cstdint>
#include <string>
#include <string_view>

#include "ui/application.h"
#include "ui/window_system.h"

namespace ui {

class Window {
 public:
  explicit Window(Application& app) : app_(app) {}
  virtual ~Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  WindowHandle handle() const { return handle_; }
  Application& application() const { return app_; }
  WindowSystem& windowSystem() const { return app_.windowSystem(); }

  std::intptr_t sendMessage(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) const;
  // WM_SETTEXT / WM_GETTEXTLENGTH + WM_GETTEXT.
  void setText(std::u16string_view text) const;
  std::u16string text() const;

  bool isIconic() const { return windowSystem().isIconic(handle_); }
  Rect clientRect() const;
  // WM_SETICON.
  void setIcon(IconHandle icon, bool big) const;
  bool setProperty(std::u16string_view name, os::Handle value) const {
    return windowSystem().setProp(handle_, name, value);
  }
  MenuHandle systemMenu(bool revert = false) const { return windowSystem().getSystemMenu(handle_, revert); }

  // The dialog message box: owned by this window, caption the application's
  // name, OK and no icon unless type says otherwise.
  int messageBox(std::u16string_view text, std::uint32_t type = kMbOk) const;

 protected:
  // Called from a message handler: runs the system's default processing of the
  // message being handled, now, and returns its result, which becomes the message's
  // result. What the handler does after the call happens after the default: a
  // destroy handler that shuts something down after callDefault() does so once the
  // system has done its part of the destruction. Outside a handler it does nothing.
  std::intptr_t callDefault();

  Application& app_;
  WindowHandle handle_ = nullptr;
  // The message whose handler runs now (null outside a handler), and the result of
  // its default processing once a handler asked for it.
  const Message* currentMessage_ = nullptr;
  std::optional<std::intptr_t> defaultResult_;
};

// Reads a window's text through WM_GETTEXTLENGTH and WM_GETTEXT into a buffer
// made for this one read, so that no earlier text can show through.
std::u16string readWindowText(WindowSystem& windows, WindowHandle window);

}  // namespace ui
