#pragma once
// The Win32 window system: every WindowSystem call is the Win32 call it stands for.
// Dialogs come from the program's own dialog resources (the .rc templates made
// from the program's template rows), run by the system's dialog manager.
#include <map>
#include <memory>
#include <mutex>

#include "ui/window_system.h"

namespace ui::win32 {

class WindowSystem final : public ui::WindowSystem {
 public:
  WindowSystem() = default;
  WindowSystem(const WindowSystem&) = delete;
  WindowSystem& operator=(const WindowSystem&) = delete;

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
  std::u16string loadString(std::uint16_t id, std::uint16_t langId) override;
  IconHandle loadIcon(std::uint16_t id) override;
  FontHandle createFont(const FontDescription& description) override;
  bool deleteFont(FontHandle font) override;
  bool isIconic(WindowHandle window) override;
  bool isWindowVisible(WindowHandle window) override;
  bool getClientRect(WindowHandle window, Rect* rect) override;
  int systemMetric(int index) override;
  int screenDpi() override;
  PaintContext beginPaint(WindowHandle window) override;
  void endPaint(WindowHandle window, PaintContext context) override;
  bool drawIcon(PaintContext context, int x, int y, IconHandle icon) override;
  bool setProp(WindowHandle window, std::u16string_view name, os::Handle value) override;
  bool getWindowRect(WindowHandle window, Rect* rect) override;
  bool moveWindow(WindowHandle window, int x, int y) override;
  bool monitorWorkArea(WindowHandle window, Rect* rect) override;

 private:
  // The PAINTSTRUCT of each window between beginPaint and endPaint (declared in the
  // source, so that this header needs no Win32 header).
  struct PaintRecord;
  struct PaintRecordDeleter {
    void operator()(PaintRecord* record) const;
  };
  std::mutex paintMutex_;
  std::map<WindowHandle, std::unique_ptr<PaintRecord, PaintRecordDeleter>> paints_;
};

}  // namespace ui::win32
