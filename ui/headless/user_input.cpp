// What the scripted user can do, and how the system turns it into messages to
// the dialog: the dialog manager's handling of clicks, Enter, Escape and Space,
// automatic radio groups, typing into edit controls and the system menu.
#include "ui/headless/window_system.h"

namespace ui::headless {

bool WindowSystem::acceptsInput(WindowHandle dialog) const {
  return findDialogWindow(dialog) && desktop_.isWindowEnabled(dialog) && desktop_.isWindowVisible(dialog);
}

void WindowSystem::sendCommand(DialogWindow& d, std::uint16_t id, std::uint16_t code) {
  ControlWindow* c = d.control(id);
  sendMessage(d.handle, kWmCommand, makeWParam(id, code), reinterpret_cast<std::intptr_t>(c ? c->handle() : nullptr));
}

void WindowSystem::focusFirstTabStop(DialogWindow& d) {
  for (const auto& c : d.controls)
    if ((c->style & kWsTabStop) && c->enabled) {
      d.focusId = c->id;
      return;
    }
}

bool WindowSystem::focus(WindowHandle dialog, int id) {
  DialogWindow* d = findDialogWindow(dialog);
  ControlWindow* c = d ? d->control(id) : nullptr;
  if (!c || !c->enabled || !acceptsInput(dialog)) return false;
  d->focusId = c->id;
  return true;
}

bool WindowSystem::click(WindowHandle dialog, int id) {
  if (!focus(dialog, id)) return false;
  DialogWindow& d = *findDialogWindow(dialog);
  ControlWindow& c = *d.control(id);
  if (c.controlClass != ControlClass::Button || (c.style & kBsTypeMask) == kBsGroupBox) return true;
  if (c.isAutoRadio()) {
    // The group runs from the control that starts it (WS_GROUP) to the next one that does.
    std::size_t at = 0;
    while (d.controls[at].get() != &c) ++at;
    std::size_t first = at;
    while (first > 0 && !(d.controls[first]->style & kWsGroup)) --first;
    for (std::size_t i = first; i < d.controls.size(); ++i) {
      if (i > first && (d.controls[i]->style & kWsGroup)) break;
      if (d.controls[i]->isAutoRadio()) d.controls[i]->checked = d.controls[i].get() == &c;
    }
  }
  sendCommand(d, c.id, kBnClicked);
  return true;
}

bool WindowSystem::pressKey(WindowHandle dialog, Key key) {
  if (!acceptsInput(dialog)) return false;
  DialogWindow& d = *findDialogWindow(dialog);
  ControlWindow* focused = d.control(d.focusId);
  switch (key) {
    case Key::Escape:
      sendCommand(d, kIdCancel, kBnClicked);
      return true;
    case Key::Space:
      return focused && focused->controlClass == ControlClass::Button ? click(dialog, focused->id) : false;
    case Key::Enter: {
      // A focused push button takes Enter itself; anywhere else Enter goes to the
      // dialog's default button (IDOK when it names none).
      if (focused && focused->isPushButton()) {
        sendCommand(d, focused->id, kBnClicked);
        return true;
      }
      const std::intptr_t defId = sendMessage(dialog, kDmGetDefId, 0, 0);
      const std::uint16_t id = highWord(static_cast<std::uintptr_t>(defId)) == kDcHasDefId
                                   ? lowWord(static_cast<std::uintptr_t>(defId))
                                   : kIdOk;
      sendCommand(d, id, kBnClicked);
      return true;
    }
  }
  return false;
}

bool WindowSystem::type(WindowHandle dialog, int id, std::u16string_view text) {
  if (!focus(dialog, id)) return false;
  ControlWindow& c = *findDialogWindow(dialog)->control(id);
  if (c.controlClass != ControlClass::Edit || c.edit.readOnly) return false;
  // Typing over the whole text, within the text limit, as the keyboard would.
  c.edit.setSel(0, -1);
  c.edit.replaceSel(text, true);
  return true;
}

bool WindowSystem::chooseSystemMenuItem(WindowHandle dialog, std::uintptr_t command) {
  if (!acceptsInput(dialog)) return false;
  const DialogWindow& d = *findDialogWindow(dialog);
  for (const MenuItem& item : d.systemMenu) {
    if (item.flags & kMfSeparator || item.id != command) continue;
    sendMessage(dialog, kWmSysCommand, command, 0);
    return true;
  }
  return false;
}

void WindowSystem::minimise(WindowHandle window) {
  desktop_.showWindow(window, os::kSwMinimize);
  paint(window);
}

void WindowSystem::restore(WindowHandle window) {
  desktop_.showWindow(window, os::kSwRestore);
  paint(window);
}

void WindowSystem::paint(WindowHandle window) {
  if (findDialogWindow(window)) sendMessage(window, kWmPaint, 0, 0);
}

}  // namespace ui::headless
