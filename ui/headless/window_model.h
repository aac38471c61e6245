#pragma once
// What the headless window system keeps of each window it made: dialogs built from
// their templates, their controls, system menus and paint records.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/dialog_template.h"
#include "ui/win32_values.h"
#include "ui/headless/edit_control.h"
#include "ui/window_system.h"

namespace ui::headless {

struct ControlWindow {
  WindowHandle handle() const { return const_cast<ControlWindow*>(this); }
  std::uint16_t id = 0;
  ControlClass controlClass = ControlClass::Static;
  std::uint32_t style = 0;
  Rect dialogUnits;  // position and size in dialog units
  std::uint16_t iconId = 0;
  std::u16string text;  // buttons and statics; an edit keeps its text in edit
  EditControl edit;
  bool checked = false;
  bool enabled = true;
  FontHandle font = nullptr;

  bool isPushButton() const {
    const auto type = style & kBsTypeMask;
    return controlClass == ControlClass::Button && (type == kBsPushButton || type == kBsDefPushButton);
  }
  bool isAutoRadio() const {
    return controlClass == ControlClass::Button && (style & kBsTypeMask) == kBsAutoRadioButton;
  }
  const std::u16string& currentText() const { return controlClass == ControlClass::Edit ? edit.text() : text; }
};

struct MenuItem {
  std::uint32_t flags = 0;
  std::uintptr_t id = 0;
  std::u16string text;
};

struct IconDrawing {
  IconHandle icon = nullptr;
  int x = 0, y = 0;
};

struct DialogWindow {
  WindowHandle handle = nullptr;  // the desktop's handle
  WindowHandle owner = nullptr;
  const DialogTemplate* dialogTemplate = nullptr;
  DialogProcedure* procedure = nullptr;
  std::vector<std::unique_ptr<ControlWindow>> controls;  // template order
  bool ended = false;
  std::intptr_t result = 0;
  std::uint16_t focusId = 0;
  std::vector<MenuItem> systemMenu;
  IconHandle bigIcon = nullptr, smallIcon = nullptr;
  // The frame in screen coordinates: a dialog without DS_CENTER starts at its
  // template's position (0, 0 here), in the top-left corner of the screen.
  Rect frame;
  std::vector<IconDrawing> drawnIcons;
  int defaultPaints = 0, iconBackgroundErases = 0, defaultDestroys = 0;

  ControlWindow* control(int id) const {
    for (const auto& c : controls)
      if (c->id == id) return c.get();
    return nullptr;
  }
};

struct MessageBoxRecord {
  WindowHandle window = nullptr;
  WindowHandle owner = nullptr;
  std::u16string text, caption;
  std::uint32_t type = 0;
};

}  // namespace ui::headless
