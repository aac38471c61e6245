#include "ui/headless/edit_control.h"

#include <algorithm>

namespace ui {

void EditControl::setText(std::u16string_view text) {
  text_.assign(text);
  selStart_ = selEnd_ = 0;
  canUndo_ = false;
}

void EditControl::setLimitText(std::uint32_t limit) {
  limit_ = limit == 0 ? (multiLine ? 0xFFFFFFFFu : 0x7FFFFFFEu) : limit;
}

void EditControl::setSel(std::int64_t start, std::int64_t end) {
  const auto length = static_cast<std::int64_t>(text_.size());
  if (start == -1) {  // remove the selection, keep the caret
    selStart_ = selEnd_;
    return;
  }
  if (end == -1) end = length;
  start = std::clamp<std::int64_t>(start, 0, length);
  end = std::clamp<std::int64_t>(end, 0, length);
  selStart_ = static_cast<std::uint32_t>(std::min(start, end));
  selEnd_ = static_cast<std::uint32_t>(std::max(start, end));
}

std::vector<std::u16string> EditControl::lines() const {
  if (!multiLine) return {text_};
  std::vector<std::u16string> shown;
  std::size_t start = 0;
  for (std::size_t at = text_.find(u"\r\n"); at != std::u16string::npos; at = text_.find(u"\r\n", start)) {
    shown.emplace_back(text_, start, at - start);
    start = at + 2;
  }
  shown.emplace_back(text_, start);
  return shown;
}

void EditControl::replaceSel(std::u16string_view text, bool canUndo) {
  const std::size_t kept = text_.size() - (selEnd_ - selStart_);
  const std::size_t room = kept >= limit_ ? 0 : limit_ - kept;
  if (text.size() > room) {
    text = text.substr(0, room);
    ++maxText_;
  }
  text_.replace(selStart_, selEnd_ - selStart_, text);
  selStart_ = selEnd_ = selStart_ + static_cast<std::uint32_t>(text.size());
  canUndo_ = canUndo;
}

}  // namespace ui
