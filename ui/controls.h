#pragma once
// Controls of a dialog, addressed by handle, each call one control message.
#include <cstdint>
#include <string>
#include <string_view>

#include "ui/win32_values.h"
#include "ui/window_system.h"

namespace ui {

class Control {
 public:
  Control(WindowSystem& windows, WindowHandle handle) : windows_(windows), handle_(handle) {}
  WindowHandle handle() const { return handle_; }
  bool exists() const { return handle_ != nullptr; }
  // WM_SETTEXT / WM_GETTEXT.
  void setText(std::u16string_view text) const;
  std::u16string text() const;
  // WM_SETFONT.
  void setFont(FontHandle font, bool redraw) const;

 protected:
  std::intptr_t send(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) const {
    return handle_ ? windows_.sendMessage(handle_, message, wParam, lParam) : 0;
  }
  WindowSystem& windows_;
  WindowHandle handle_;
};

class EditBox : public Control {
 public:
  using Control::Control;
  std::uint32_t getLimitText() const { return static_cast<std::uint32_t>(send(kEmGetLimitText)); }
  // EM_SETLIMITTEXT: the most characters the user or EM_REPLACESEL may put in.
  void setLimitText(std::uint32_t limit) const { send(kEmSetLimitText, limit); }
  void setSel(std::uint32_t start, std::uint32_t end) const { send(kEmSetSel, start, end); }
  void scrollCaret() const { send(kEmScrollCaret); }
  void replaceSel(std::u16string_view text, bool canUndo) const;
};

class Button : public Control {
 public:
  using Control::Control;
  bool isChecked() const { return send(kBmGetCheck) == static_cast<std::intptr_t>(kBstChecked); }
  void setCheck(bool checked) const { send(kBmSetCheck, checked ? kBstChecked : kBstUnchecked); }
};

// A font the program owns: created from a description, deleted with its owner.
class Font {
 public:
  explicit Font(WindowSystem& windows) : windows_(windows) {}
  ~Font() { reset(); }
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  bool create(const FontDescription& description);
  void reset();
  FontHandle handle() const { return handle_; }

 private:
  WindowSystem& windows_;
  FontHandle handle_ = nullptr;
};

}  // namespace ui
