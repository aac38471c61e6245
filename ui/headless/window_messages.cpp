// The messages the headless window system answers itself: a dialog's default
// processing (what DefDlgProc does for the messages the program leaves to it) and
// the control messages of buttons, statics and edit controls.
#include <algorithm>
#include <cstring>

#include "ui/headless/window_system.h"

namespace ui::headless {
namespace {

std::u16string_view textParam(std::intptr_t lParam) {
  const auto* text = reinterpret_cast<const char16_t*>(lParam);
  return text ? std::u16string_view(text) : std::u16string_view();
}

// WM_GETTEXT: copies what fits (terminator included) and returns the units copied.
std::intptr_t copyText(const std::u16string& text, std::uintptr_t size, std::intptr_t lParam) {
  auto* buffer = reinterpret_cast<char16_t*>(lParam);
  if (!buffer || size == 0) return 0;
  const std::size_t n = std::min<std::size_t>(text.size(), size - 1);
  std::memcpy(buffer, text.data(), n * sizeof(char16_t));
  buffer[n] = u'\0';
  return static_cast<std::intptr_t>(n);
}

}  // namespace

std::intptr_t WindowSystem::dialogDefault(DialogWindow& d, const Message& m) {
  switch (m.id) {
    case kWmClose:
      sendCommand(d, kIdCancel, kBnClicked);
      return 0;
    case kWmSysCommand:
      switch (m.wParam & 0xFFF0) {
        case kScClose:
          sendMessage(d.handle, kWmClose, 0, 0);
          break;
        case kScMinimize:
          desktop_.showWindow(d.handle, os::kSwMinimize);
          break;
        case kScRestore:
          desktop_.showWindow(d.handle, os::kSwRestore);
          break;
        default:
          break;
      }
      return 0;
    case kWmSetText:
      return desktop_.setWindowText(d.handle, textParam(m.lParam)) ? 1 : 0;
    case kWmGetTextLength:
      return static_cast<std::intptr_t>(desktop_.windowText(d.handle).size());
    case kWmGetText:
      return copyText(desktop_.windowText(d.handle), m.wParam, m.lParam);
    case kWmSetIcon: {
      IconHandle& slot = m.wParam == kIconBig ? d.bigIcon : d.smallIcon;
      const IconHandle previous = slot;
      slot = reinterpret_cast<IconHandle>(m.lParam);
      return reinterpret_cast<std::intptr_t>(previous);
    }
    case kWmGetIcon:
      return reinterpret_cast<std::intptr_t>(m.wParam == kIconBig ? d.bigIcon : d.smallIcon);
    case kWmPaint:
      ++d.defaultPaints;
      return 0;
    case kWmDestroy:
      // The dialog manager lets go of the dialog's focus control.
      ++d.defaultDestroys;
      d.focusId = 0;
      return 0;
    case kWmIconEraseBkgnd:
      ++d.iconBackgroundErases;
      return 1;
    case kDmGetDefId:
      for (const auto& c : d.controls)
        if (c->controlClass == ControlClass::Button && (c->style & kBsTypeMask) == kBsDefPushButton)
          return static_cast<std::intptr_t>(makeWParam(c->id, kDcHasDefId));
      return 0;
    default:
      return 0;
  }
}

std::intptr_t WindowSystem::controlMessage(ControlWindow& c, const Message& m) {
  const bool isEdit = c.controlClass == ControlClass::Edit;
  switch (m.id) {
    case kWmSetText:
      if (isEdit)
        c.edit.setText(textParam(m.lParam));
      else
        c.text.assign(textParam(m.lParam));
      return 1;
    case kWmGetTextLength:
      return static_cast<std::intptr_t>(c.currentText().size());
    case kWmGetText:
      return copyText(c.currentText(), m.wParam, m.lParam);
    case kWmSetFont:
      c.font = reinterpret_cast<FontHandle>(m.wParam);
      return 0;
    case kWmGetFont:
      return reinterpret_cast<std::intptr_t>(c.font);
    default:
      break;
  }
  if (isEdit) {
    switch (m.id) {
      case kEmGetLimitText:
        return static_cast<std::intptr_t>(c.edit.getLimitText());
      case kEmSetLimitText:
        c.edit.setLimitText(static_cast<std::uint32_t>(m.wParam));
        return 0;
      case kEmSetSel:
        c.edit.setSel(static_cast<std::int32_t>(m.wParam), static_cast<std::int32_t>(m.lParam));
        return 0;
      case kEmGetSel:
        return static_cast<std::intptr_t>(makeWParam(static_cast<std::uint16_t>(c.edit.selStart()),
                                                     static_cast<std::uint16_t>(c.edit.selEnd())));
      case kEmScrollCaret:
        c.edit.scrollCaret();
        return 1;
      case kEmReplaceSel:
        if (onReplaceSel) onReplaceSel(c.id, textParam(m.lParam));
        c.edit.replaceSel(textParam(m.lParam), m.wParam != 0);
        return 0;
      default:
        return 0;
    }
  }
  if (c.controlClass == ControlClass::Button) {
    switch (m.id) {
      case kBmGetCheck:
        return c.checked ? static_cast<std::intptr_t>(kBstChecked) : 0;
      case kBmSetCheck:
        c.checked = m.wParam == kBstChecked;
        return 0;
      default:
        return 0;
    }
  }
  return 0;
}

}  // namespace ui::headless
