#include "ui/controls.h"

#include "ui/window.h"

namespace ui {

void Control::setText(std::u16string_view text) const {
  const std::u16string terminated(text);
  send(kWmSetText, 0, reinterpret_cast<std::intptr_t>(terminated.c_str()));
}

std::u16string Control::text() const { return handle_ ? readWindowText(windows_, handle_) : std::u16string(); }

void Control::setFont(FontHandle font, bool redraw) const {
  send(kWmSetFont, reinterpret_cast<std::uintptr_t>(font), redraw ? 1 : 0);
}

void EditBox::replaceSel(std::u16string_view text, bool canUndo) const {
  const std::u16string terminated(text);
  send(kEmReplaceSel, canUndo ? 1 : 0, reinterpret_cast<std::intptr_t>(terminated.c_str()));
}

bool Font::create(const FontDescription& description) {
  reset();
  handle_ = windows_.createFont(description);
  return handle_ != nullptr;
}

void Font::reset() {
  if (handle_) windows_.deleteFont(handle_);
  handle_ = nullptr;
}

}  // namespace ui
