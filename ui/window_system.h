#pragma once
// The back end the dialog framework runs on: the few window-system calls a
// dialog program makes, each shaped after one Win32 call so that the Win32 back
// end is a pass-through and the headless back end models exactly this much.
// Handles are opaque; a null handle is the failure value, with os::lastError().
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "os/types.h"
#include "ui/dialog_template.h"

namespace ui {

using WindowHandle = os::Handle;
using MenuHandle = os::Handle;
using IconHandle = os::Handle;
using FontHandle = os::Handle;
using PaintContext = os::Handle;

struct Message {
  std::uint32_t id = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

// The arguments of CreateFontW.
struct FontDescription {
  std::u16string face;
  int height = 0, width = 0, escapement = 0, orientation = 0, weight = 400;
  bool italic = false, underline = false, strikeOut = false;
  std::uint8_t charSet = 0, outPrecision = 0, clipPrecision = 0, quality = 0, pitchAndFamily = 0;
};

// The framework's dialog procedure: the back end hands it every message of a
// dialog it created. It returns the message's result, or nothing when the
// message is left to the system's default dialog processing. It never throws.
class DialogProcedure {
 public:
  virtual ~DialogProcedure() = default;
  virtual std::optional<std::intptr_t> dialogMessage(WindowHandle dialog, const Message& message) noexcept = 0;
};

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // InitCommonControlsEx with a description of the given size and class set.
  virtual bool initCommonControls(std::uint32_t size, std::uint32_t classes) = 0;

  // DialogBoxParamW: creates the dialog of template templateId owned by owner,
  // sends it WM_INITDIALOG, runs it modally (the owner disabled meanwhile) until
  // endDialog, destroys it (WM_DESTROY, WM_NCDESTROY) and returns endDialog's
  // result; -1 when the dialog could not be created (no such template).
  virtual std::intptr_t dialogBox(std::uint16_t templateId, WindowHandle owner, DialogProcedure& procedure) = 0;
  // EndDialog: ends the modal run of dialog with result once the current message
  // is handled (also from within WM_INITDIALOG). false for a handle that is not a
  // running dialog.
  virtual bool endDialog(WindowHandle dialog, std::intptr_t result) = 0;

  // DefDlgProcW for a message of a dialog the back end created: the system's default
  // dialog processing of that message, run now, from within the dialog's procedure
  // (the procedure is not asked about the message again). Returns its result; 0 for
  // a handle that is not a dialog.
  virtual std::intptr_t defaultDialogProcessing(WindowHandle dialog, const Message& message) = 0;

  // GetDlgItem: the control of dialog with that id, or nullptr.
  virtual WindowHandle getDlgItem(WindowHandle dialog, int id) = 0;
  // SendMessageW to a dialog (through its dialog procedure, then the default
  // processing) or to a control. Text parameters are const char16_t* / char16_t*.
  virtual std::intptr_t sendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam) = 0;

  // MessageBoxW: a modal box owned by owner (may be null); returns the button
  // chosen (kIdOkAnswer for OK), 0 when it could not be shown.
  virtual int messageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption,
                         std::uint32_t type) = 0;

  // GetSystemMenu(window, revert) and AppendMenuW.
  virtual MenuHandle getSystemMenu(WindowHandle window, bool revert) = 0;
  virtual bool appendMenu(MenuHandle menu, std::uint32_t flags, std::uintptr_t id, std::u16string_view text) = 0;

  // SetThreadUILanguage(langId), then LoadStringW(program instance, id): the text of
  // string resource id in the STRINGTABLE of that language; empty when it lacks it.
  virtual std::u16string loadString(std::uint16_t id, std::uint16_t langId) = 0;
  // LoadIconW(program instance, MAKEINTRESOURCE(id)): nullptr when the program has no such icon.
  virtual IconHandle loadIcon(std::uint16_t id) = 0;
  // CreateFontW / DeleteObject.
  virtual FontHandle createFont(const FontDescription& description) = 0;
  virtual bool deleteFont(FontHandle font) = 0;

  // IsIconic, IsWindowVisible, GetClientRect, GetSystemMetrics.
  virtual bool isIconic(WindowHandle window) = 0;
  virtual bool isWindowVisible(WindowHandle window) = 0;
  virtual bool getClientRect(WindowHandle window, Rect* rect) = 0;
  virtual int systemMetric(int index) = 0;
  // GetDeviceCaps(screen, LOGPIXELSY): the screen's pixels per logical inch the
  // program was started with (96 at 100% scaling, 144 at 150%).
  virtual int screenDpi() = 0;
  // BeginPaint / EndPaint / DrawIcon.
  virtual PaintContext beginPaint(WindowHandle window) = 0;
  virtual void endPaint(WindowHandle window, PaintContext context) = 0;
  virtual bool drawIcon(PaintContext context, int x, int y, IconHandle icon) = 0;

  // SetPropW on a window.
  virtual bool setProp(WindowHandle window, std::u16string_view name, os::Handle value) = 0;

  // GetWindowRect: the window's frame in screen coordinates.
  virtual bool getWindowRect(WindowHandle window, Rect* rect) = 0;
  // SetWindowPos with SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE: moves the window's
  // frame to x, y in screen coordinates.
  virtual bool moveWindow(WindowHandle window, int x, int y) = 0;
  // MonitorFromWindow(MONITOR_DEFAULTTONEAREST) and GetMonitorInfoW: the work area
  // (the screen without the taskbar) of the monitor the window is on.
  virtual bool monitorWorkArea(WindowHandle window, Rect* rect) = 0;
};

}  // namespace ui
