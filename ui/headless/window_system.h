#pragma once
// The headless window system: the WindowSystem calls modelled as far as the
// program relies on them, with a scripted user. Its top-level windows (dialogs
// and message boxes) live on a desktop shared with other processes (os::Windows),
// so another copy of the program can find, restore and activate them.
//
// The user is a script: a queue of actions run one at a time by the innermost
// modal dialog's loop, each acting on the windows as a person would (clicks,
// keys, the system menu). A dialog whose script has run out is closed as its
// close box closes it. Message boxes are answered by onMessageBox (OK when unset).
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "os/windows.h"
#include "ui/headless/window_model.h"
#include "ui/window_system.h"

namespace ui::headless {

enum class Key { Enter, Escape, Space };

class WindowSystem final : public ui::WindowSystem {
 public:
  WindowSystem(const ResourceSet& resources, os::Windows& desktop);
  ~WindowSystem() override;

  // ---- The scripted user ----
  std::deque<std::function<void()>> script;
  void then(std::function<void()> action) { script.push_back(std::move(action)); }
  std::function<int(const MessageBoxRecord&)> onMessageBox;

  // User actions; each returns false when the window or control could not take
  // it (missing, disabled, or behind a modal window).
  bool click(WindowHandle dialog, int id);
  bool focus(WindowHandle dialog, int id);
  bool pressKey(WindowHandle dialog, Key key);
  bool type(WindowHandle dialog, int id, std::u16string_view text);
  bool chooseSystemMenuItem(WindowHandle dialog, std::uintptr_t command);
  bool clickCloseBox(WindowHandle dialog) { return chooseSystemMenuItem(dialog, kScClose); }
  // The shell minimises or restores the window (as from the taskbar), then it repaints.
  void minimise(WindowHandle window);
  void restore(WindowHandle window);
  void paint(WindowHandle window);

  // ---- What a test can see ----
  WindowHandle findDialog(std::uint16_t templateId) const;
  const DialogWindow* dialog(WindowHandle handle) const;
  const ControlWindow* control(WindowHandle dialog, int id) const;
  std::u16string textOf(WindowHandle dialog, int id) const;
  const std::vector<MessageBoxRecord>& messageBoxes() const { return boxes_; }
  // Called with every text an edit control is asked to insert (EM_REPLACESEL),
  // before the control's limit cuts it: what a person watching the box saw go by.
  std::function<void(int controlId, std::u16string_view text)> onReplaceSel;
  const FontDescription* fontDescription(FontHandle font) const;
  std::uint16_t iconIdOf(IconHandle icon) const;
  std::uint32_t commonControlClasses() const { return commonControlClasses_; }
  os::Windows& desktop() const { return desktop_; }

  // Metrics: icon size, dialog base units, and the client area of a minimised window.
  int iconSize = 32;
  int dpi = 96;
  int baseUnitX = 6, baseUnitY = 12;
  int minimisedClientWidth = 36, minimisedClientHeight = 36;
  // The one monitor's work area, and what a dialog's frame adds to its client area.
  Rect workArea{0, 0, 1024, 768};
  int frameWidth = 3, captionHeight = 22;

  // ---- ui::WindowSystem ----
  bool initCommonControls(std::uint32_t size, std::uint32_t classes) override;
  std::intptr_t dialogBox(std::uint16_t templateId, WindowHandle owner, DialogProcedure& procedure) override;
  bool endDialog(WindowHandle dialog, std::intptr_t result) override;
  std::intptr_t defaultDialogProcessing(WindowHandle dialog, const Message& message) override;
  WindowHandle getDlgItem(WindowHandle dialog, int id) override;
  std::intptr_t sendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam) override;
  int messageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption,
                 std::uint32_t type) override;
  MenuHandle getSystemMenu(WindowHandle window, bool revert) override;
  bool appendMenu(MenuHandle menu, std::uint32_t flags, std::uintptr_t id, std::u16string_view text) override;
  std::u16string loadString(std::uint16_t id, std::uint16_t langId) override {
    return resources_.strings ? resources_.strings(id, langId) : std::u16string();
  }
  IconHandle loadIcon(std::uint16_t id) override;
  FontHandle createFont(const FontDescription& description) override;
  bool deleteFont(FontHandle font) override;
  bool isIconic(WindowHandle window) override { return desktop_.isIconic(window); }
  bool isWindowVisible(WindowHandle window) override { return desktop_.isWindowVisible(window); }
  bool getClientRect(WindowHandle window, Rect* rect) override;
  int systemMetric(int index) override;
  int screenDpi() override { return dpi; }
  PaintContext beginPaint(WindowHandle window) override;
  void endPaint(WindowHandle window, PaintContext context) override;
  bool drawIcon(PaintContext context, int x, int y, IconHandle icon) override;
  bool setProp(WindowHandle window, std::u16string_view name, os::Handle value) override {
    return desktop_.setProp(window, name, value);
  }
  bool getWindowRect(WindowHandle window, Rect* rect) override;
  bool moveWindow(WindowHandle window, int x, int y) override;
  bool monitorWorkArea(WindowHandle window, Rect* rect) override;

 private:
  DialogWindow* findDialogWindow(WindowHandle handle) const;
  ControlWindow* findControl(WindowHandle handle, DialogWindow** owner = nullptr) const;
  std::unique_ptr<DialogWindow> build(const DialogTemplate& t, WindowHandle owner, DialogProcedure& procedure);
  void runModalLoop(DialogWindow& d);
  void destroy(DialogWindow& d);
  std::intptr_t dialogDefault(DialogWindow& d, const Message& m);
  std::intptr_t controlMessage(ControlWindow& c, const Message& m);
  bool acceptsInput(WindowHandle dialog) const;
  void sendCommand(DialogWindow& d, std::uint16_t id, std::uint16_t code);
  void focusFirstTabStop(DialogWindow& d);

  const ResourceSet& resources_;
  os::Windows& desktop_;
  std::vector<std::unique_ptr<DialogWindow>> dialogs_;  // live dialogs, oldest first
  std::vector<MessageBoxRecord> boxes_;
  std::map<FontHandle, std::unique_ptr<FontDescription>> fonts_;
  std::map<std::uint16_t, std::unique_ptr<std::uint16_t>> icons_;
  std::uint32_t commonControlClasses_ = 0;
};

}  // namespace ui::headless
