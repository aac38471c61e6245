#include "ui/headless/window_system.h"

#include <algorithm>

namespace ui::headless {
namespace {

constexpr std::uint32_t kErrorResourceNameNotFound = 1814;
constexpr std::uint32_t kErrorControlIdNotFound = 1421;

}  // namespace

WindowSystem::WindowSystem(const ResourceSet& resources, os::Windows& desktop)
    : resources_(resources), desktop_(desktop) {}

WindowSystem::~WindowSystem() = default;

DialogWindow* WindowSystem::findDialogWindow(WindowHandle handle) const {
  for (const auto& d : dialogs_)
    if (d->handle == handle) return d.get();
  return nullptr;
}

ControlWindow* WindowSystem::findControl(WindowHandle handle, DialogWindow** owner) const {
  for (const auto& d : dialogs_)
    for (const auto& c : d->controls)
      if (c->handle() == handle) {
        if (owner) *owner = d.get();
        return c.get();
      }
  return nullptr;
}

bool WindowSystem::initCommonControls(std::uint32_t size, std::uint32_t classes) {
  if (size != 8) {
    os::setLastError(os::kErrorInvalidParameter);
    return false;
  }
  commonControlClasses_ |= classes;
  return true;
}

std::unique_ptr<DialogWindow> WindowSystem::build(const DialogTemplate& t, WindowHandle owner,
                                                  DialogProcedure& procedure) {
  auto d = std::make_unique<DialogWindow>();
  d->handle = desktop_.createWindow(owner, t.title);
  if (!d->handle) return nullptr;
  d->owner = owner;
  d->dialogTemplate = &t;
  // The template's position (0, 0) is relative to the owner's client area, or to
  // the screen for a dialog without an owner.
  Rect origin;
  if (const DialogWindow* o = findDialogWindow(owner))
    origin = Rect{o->frame.left + frameWidth, o->frame.top + captionHeight + frameWidth, 0, 0};
  d->frame = Rect{origin.left, origin.top, origin.left + t.cx * baseUnitX / 4 + 2 * frameWidth,
                  origin.top + t.cy * baseUnitY / 8 + captionHeight + 2 * frameWidth};
  d->procedure = &procedure;
  if (t.style & kWsSysMenu) {
    // A dialog frame without minimise and maximise boxes: the system menu offers
    // Move and Close.
    d->systemMenu = {{kMfString, kScMove, u"&Move"}, {kMfSeparator, 0, u""}, {kMfString, kScClose, u"&Close"}};
  }
  for (const ControlTemplate& ct : t.controls) {
    auto c = std::make_unique<ControlWindow>();
    c->id = ct.id;
    c->controlClass = ct.controlClass;
    c->style = ct.style;
    c->dialogUnits = Rect{ct.x, ct.y, ct.x + ct.cx, ct.y + ct.cy};
    c->iconId = ct.iconId;
    if (ct.controlClass == ControlClass::Edit) {
      c->edit.readOnly = (ct.style & kEsReadOnly) != 0;
      c->edit.multiLine = (ct.style & kEsMultiLine) != 0;
      c->edit.setText(ct.text);
    } else {
      c->text.assign(ct.text);
    }
    d->controls.push_back(std::move(c));
  }
  return d;
}

std::intptr_t WindowSystem::dialogBox(std::uint16_t templateId, WindowHandle owner, DialogProcedure& procedure) {
  const DialogTemplate* t = resources_.dialog(templateId);
  if (!t) {
    os::setLastError(kErrorResourceNameNotFound);
    return -1;
  }
  auto built = build(*t, owner, procedure);
  if (!built) return -1;
  dialogs_.push_back(std::move(built));
  DialogWindow& d = *dialogs_.back();
  const bool ownerWasEnabled = owner && desktop_.isWindowEnabled(owner);
  if (ownerWasEnabled) desktop_.enableWindow(owner, false);

  const std::intptr_t focusDefault = sendMessage(d.handle, kWmInitDialog, 0, 0);
  if (!d.ended) {
    if (focusDefault) focusFirstTabStop(d);
    desktop_.showWindow(d.handle, os::kSwShow);
    desktop_.setActiveWindow(d.handle);
    runModalLoop(d);
  }
  if (ownerWasEnabled) desktop_.enableWindow(owner, true);
  const std::intptr_t result = d.result;
  destroy(d);
  return result;
}

void WindowSystem::runModalLoop(DialogWindow& d) {
  while (!d.ended) {
    if (script.empty()) {
      // The user has nothing more to do: the dialog is closed as its close box does.
      sendMessage(d.handle, kWmSysCommand, kScClose, 0);
      if (!d.ended) {
        d.ended = true;
        d.result = kIdCancel;
      }
      break;
    }
    auto action = std::move(script.front());
    script.pop_front();
    action();
  }
}

void WindowSystem::destroy(DialogWindow& d) {
  desktop_.showWindow(d.handle, os::kSwHide);
  sendMessage(d.handle, kWmDestroy, 0, 0);
  sendMessage(d.handle, kWmNcDestroy, 0, 0);
  const WindowHandle handle = d.handle;
  desktop_.destroyWindow(handle);
  dialogs_.erase(std::remove_if(dialogs_.begin(), dialogs_.end(),
                                [handle](const auto& x) { return x->handle == handle; }),
                 dialogs_.end());
}

bool WindowSystem::endDialog(WindowHandle dialog, std::intptr_t result) {
  DialogWindow* d = findDialogWindow(dialog);
  if (!d) {
    os::setLastError(os::kErrorInvalidWindowHandle);
    return false;
  }
  d->ended = true;
  d->result = result;
  return true;
}

std::intptr_t WindowSystem::defaultDialogProcessing(WindowHandle dialog, const Message& message) {
  DialogWindow* d = findDialogWindow(dialog);
  if (!d) {
    os::setLastError(os::kErrorInvalidWindowHandle);
    return 0;
  }
  return dialogDefault(*d, message);
}

WindowHandle WindowSystem::getDlgItem(WindowHandle dialog, int id) {
  DialogWindow* d = findDialogWindow(dialog);
  if (!d) {
    os::setLastError(os::kErrorInvalidWindowHandle);
    return nullptr;
  }
  ControlWindow* c = d->control(id);
  if (!c) {
    os::setLastError(kErrorControlIdNotFound);
    return nullptr;
  }
  return c->handle();
}

std::intptr_t WindowSystem::sendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                        std::intptr_t lParam) {
  const Message m{message, wParam, lParam};
  if (DialogWindow* d = findDialogWindow(window)) {
    if (auto handled = d->procedure->dialogMessage(window, m)) return *handled;
    // The procedure may have ended and destroyed nothing; the window still exists here.
    return dialogDefault(*d, m);
  }
  if (ControlWindow* c = findControl(window)) return controlMessage(*c, m);
  os::setLastError(os::kErrorInvalidWindowHandle);
  return 0;
}

int WindowSystem::messageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption,
                             std::uint32_t type) {
  MessageBoxRecord record;
  record.window = desktop_.createWindow(owner, caption);
  if (!record.window) return 0;
  record.owner = owner;
  record.text.assign(text);
  record.caption.assign(caption);
  record.type = type;
  const bool ownerWasEnabled = owner && desktop_.isWindowEnabled(owner);
  if (ownerWasEnabled) desktop_.enableWindow(owner, false);
  desktop_.showWindow(record.window, os::kSwShow);
  desktop_.setActiveWindow(record.window);
  boxes_.push_back(record);
  const int answer = onMessageBox ? onMessageBox(record) : kIdOkAnswer;
  if (ownerWasEnabled) desktop_.enableWindow(owner, true);
  desktop_.destroyWindow(record.window);
  return answer;
}

MenuHandle WindowSystem::getSystemMenu(WindowHandle window, bool) {
  DialogWindow* d = findDialogWindow(window);
  if (!d || !(d->dialogTemplate->style & kWsSysMenu)) return nullptr;
  return &d->systemMenu;
}

bool WindowSystem::appendMenu(MenuHandle menu, std::uint32_t flags, std::uintptr_t id, std::u16string_view text) {
  for (const auto& d : dialogs_) {
    if (&d->systemMenu != menu) continue;
    d->systemMenu.push_back(MenuItem{flags, flags & kMfSeparator ? 0 : id, std::u16string(text)});
    return true;
  }
  os::setLastError(os::kErrorInvalidHandle);
  return false;
}

IconHandle WindowSystem::loadIcon(std::uint16_t id) {
  if (std::find(resources_.icons.begin(), resources_.icons.end(), id) == resources_.icons.end()) {
    os::setLastError(kErrorResourceNameNotFound);
    return nullptr;
  }
  auto& slot = icons_[id];
  if (!slot) slot = std::make_unique<std::uint16_t>(id);
  return slot.get();
}

std::uint16_t WindowSystem::iconIdOf(IconHandle icon) const {
  for (const auto& [id, slot] : icons_)
    if (slot.get() == icon) return id;
  return 0;
}

FontHandle WindowSystem::createFont(const FontDescription& description) {
  auto owned = std::make_unique<FontDescription>(description);
  FontHandle handle = owned.get();
  fonts_.emplace(handle, std::move(owned));
  return handle;
}

bool WindowSystem::deleteFont(FontHandle font) { return fonts_.erase(font) == 1; }

const FontDescription* WindowSystem::fontDescription(FontHandle font) const {
  const auto it = fonts_.find(font);
  return it == fonts_.end() ? nullptr : it->second.get();
}

bool WindowSystem::getClientRect(WindowHandle window, Rect* rect) {
  DialogWindow* d = findDialogWindow(window);
  if (!d || !rect) {
    os::setLastError(os::kErrorInvalidWindowHandle);
    return false;
  }
  if (desktop_.isIconic(window))
    *rect = Rect{0, 0, minimisedClientWidth, minimisedClientHeight};
  else
    *rect = Rect{0, 0, d->dialogTemplate->cx * baseUnitX / 4, d->dialogTemplate->cy * baseUnitY / 8};
  return true;
}

int WindowSystem::systemMetric(int index) {
  return index == kSmCxIcon || index == kSmCyIcon ? iconSize : 0;
}

PaintContext WindowSystem::beginPaint(WindowHandle window) { return findDialogWindow(window); }

void WindowSystem::endPaint(WindowHandle, PaintContext) {}

bool WindowSystem::drawIcon(PaintContext context, int x, int y, IconHandle icon) {
  for (const auto& d : dialogs_) {
    if (d.get() != context) continue;
    d->drawnIcons.push_back(IconDrawing{icon, x, y});
    return icon != nullptr;
  }
  return false;
}

bool WindowSystem::getWindowRect(WindowHandle window, Rect* rect) {
  const DialogWindow* d = findDialogWindow(window);
  if (!d || !rect) {
    os::setLastError(os::kErrorInvalidWindowHandle);
    return false;
  }
  *rect = d->frame;
  return true;
}

bool WindowSystem::moveWindow(WindowHandle window, int x, int y) {
  DialogWindow* d = findDialogWindow(window);
  if (!d) {
    os::setLastError(os::kErrorInvalidWindowHandle);
    return false;
  }
  d->frame = Rect{x, y, x + d->frame.width(), y + d->frame.height()};
  return true;
}

bool WindowSystem::monitorWorkArea(WindowHandle window, Rect* rect) {
  if (!findDialogWindow(window) || !rect) {
    os::setLastError(os::kErrorInvalidWindowHandle);
    return false;
  }
  *rect = workArea;
  return true;
}

WindowHandle WindowSystem::findDialog(std::uint16_t templateId) const {
  for (auto it = dialogs_.rbegin(); it != dialogs_.rend(); ++it)
    if ((*it)->dialogTemplate->id == templateId) return (*it)->handle;
  return nullptr;
}

const DialogWindow* WindowSystem::dialog(WindowHandle handle) const { return findDialogWindow(handle); }

const ControlWindow* WindowSystem::control(WindowHandle dialog, int id) const {
  const DialogWindow* d = findDialogWindow(dialog);
  return d ? d->control(id) : nullptr;
}

std::u16string WindowSystem::textOf(WindowHandle dialog, int id) const {
  const ControlWindow* c = control(dialog, id);
  return c ? c->currentText() : std::u16string();
}

}  // namespace ui::headless
