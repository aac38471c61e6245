#include "ui/dialog.h"

#include <algorithm>

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
  owner_ = owner;
  const std::intptr_t result = windowSystem().dialogBox(templateId_, owner, *this);
  owner_ = nullptr;
  return result;
}

std::intptr_t Dialog::initDialog() {
  Rect before, after;
  const bool placed = windowSystem().getWindowRect(handle_, &before);
  const bool focus = OnInitDialog();
  // Left where the template put it (the top-left corner of the screen, or of the
  // owner's client area): centred, as the user of a dialog program expects.
  if (placed && windowSystem().getWindowRect(handle_, &after) && after == before) centre();
  return focus ? 1 : 0;
}

void Dialog::centre() const {
  WindowSystem& ws = windowSystem();
  Rect frame, area, over;
  if (!ws.getWindowRect(handle_, &frame)) return;
  // An owner that is minimised (or gone) gives no place to centre over.
  if (owner_ && !ws.isIconic(owner_) && ws.getWindowRect(owner_, &over)) {
    if (!ws.monitorWorkArea(owner_, &area)) return;
  } else {
    if (!ws.monitorWorkArea(handle_, &area)) return;
    over = area;
  }
  int x = over.left + (over.width() - frame.width()) / 2;
  int y = over.top + (over.height() - frame.height()) / 2;
  // Kept inside the work area, its top-left corner first when it is larger.
  x = std::max(area.left, std::min(x, area.right - frame.width()));
  y = std::max(area.top, std::min(y, area.bottom - frame.height()));
  ws.moveWindow(handle_, x, y);
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

std::optional<std::intptr_t> Dialog::WindowProc(const Message& message) {
  for (const std::uint16_t id : {kIdOk, kIdCancel}) {
    if (isCommand(message.id, message.wParam, id)) {
      endDialog(id);
      return 0;
    }
  }
  if (message.id == kWmCommand) return app_.OnCommand(message);
  return std::nullopt;
}

std::optional<std::intptr_t> Dialog::route(const Message& message) {
  if (message.id == kWmInitDialog) return initDialog();
  const std::optional<std::intptr_t> result = WindowProc(message);
  // A handler that ran the default processing has the default's result; the
  // system must not process the message a second time.
  if (defaultResult_) return defaultResult_;
  return result;
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
    try {
      OnMessageFailed(message);
    } catch (...) {
    }
  }
  currentMessage_ = outerMessage;
  defaultResult_ = outerDefault;
  if (message.id == kWmNcDestroy) handle_ = nullptr;
  return result;
}

}  // namespace ui
