#include "ui/dialog.h"

namespace ui {

void DataExchange::text(int id, std::u16string& value) {
  if (saving_)
    value = dialog_.itemText(id);
  else
    dialog_.setItemText(id, value);
}

std::intptr_t Dialog::doModal() {
  WindowHandle owner = nullptr;
  if (parent_)
    owner = parent_->handle();
  else if (Window* main = app_.mainWindow(); main && main != this)
    owner = main->handle();
  return windowSystem().dialogBox(templateId_, owner, *this);
}

void Dialog::endDialog(std::intptr_t result) { windowSystem().endDialog(handle_, result); }

void Dialog::checkRadioButton(int first, int last, int check) const {
  for (int id = first; id <= last; ++id) button(id).setCheck(id == check);
}

bool Dialog::updateData(bool save) {
  DataExchange exchange(*this, save);
  DoDataExchange(exchange);
  return true;
}

std::optional<std::intptr_t> Dialog::route(const Message& message) {
  if (message.id == kWmInitDialog) return OnInitDialog() ? 1 : 0;
  if (const MessageMap::Handler* handler = messageMap().find(message)) {
    const std::intptr_t result = (*handler)(*this, message);
    // A handler that ran the default processing has the default's result; the
    // system must not process the message a second time.
    return defaultResult_ ? *defaultResult_ : result;
  }
  if (message.id == kWmCommand) {
    const std::uint16_t id = lowWord(message.wParam);
    if (id == kIdOk && highWord(message.wParam) == kBnClicked) {
      OnOK();
      return 0;
    }
    if (id == kIdCancel && highWord(message.wParam) == kBnClicked) {
      OnCancel();
      return 0;
    }
    if (const MessageMap::Handler* handler = app_.messageMap().find(message)) return (*handler)(app_, message);
  }
  return std::nullopt;
}

std::optional<std::intptr_t> Dialog::dialogMessage(WindowHandle dialog, const Message& message) noexcept {
  if (!handle_) handle_ = dialog;
  // Messages nest (a handler's own calls send further messages): keep the outer one's.
  const Message* outerMessage = currentMessage_;
  const std::optional<std::intptr_t> outerDefault = defaultResult_;
  currentMessage_ = &message;
  defaultResult_.reset();
  std::optional<std::intptr_t> result;
  try {
    result = route(message);
  } catch (...) {
    result = 0;
  }
  currentMessage_ = outerMessage;
  defaultResult_ = outerDefault;
  if (message.id == kWmNcDestroy) handle_ = nullptr;
  return result;
}

}  // namespace ui
