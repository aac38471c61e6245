#include "ui/window.h"

#include <vector>

namespace ui {

std::u16string readWindowText(WindowSystem& windows, WindowHandle window) {
  const std::intptr_t length = windows.sendMessage(window, kWmGetTextLength, 0, 0);
  if (length <= 0) return {};
  std::vector<char16_t> buffer(static_cast<std::size_t>(length) + 1, u'\0');
  const std::intptr_t copied =
      windows.sendMessage(window, kWmGetText, buffer.size(), reinterpret_cast<std::intptr_t>(buffer.data()));
  if (copied <= 0) return {};
  return std::u16string(buffer.data(), std::min<std::size_t>(static_cast<std::size_t>(copied), buffer.size() - 1));
}

std::intptr_t Window::callDefault() {
  if (!currentMessage_ || !handle_) return 0;
  if (defaultResult_) return *defaultResult_;  // it runs once per message
  defaultResult_ = windowSystem().defaultDialogProcessing(handle_, *currentMessage_);
  return *defaultResult_;
}

std::intptr_t Window::sendMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) const {
  return windowSystem().sendMessage(handle_, message, wParam, lParam);
}

void Window::setText(std::u16string_view text) const {
  const std::u16string terminated(text);
  sendMessage(kWmSetText, 0, reinterpret_cast<std::intptr_t>(terminated.c_str()));
}

std::u16string Window::text() const { return readWindowText(windowSystem(), handle_); }

Rect Window::clientRect() const {
  Rect r;
  windowSystem().getClientRect(handle_, &r);
  return r;
}

void Window::setIcon(IconHandle icon, bool big) const {
  sendMessage(kWmSetIcon, big ? kIconBig : kIconSmall, reinterpret_cast<std::intptr_t>(icon));
}

int Window::messageBox(std::u16string_view text, std::uint32_t type) const {
  return windowSystem().messageBox(handle_, text, app_.name(), type);
}

}  // namespace ui
