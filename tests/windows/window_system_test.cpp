// The dialog framework on the Win32 window system: a dialog from the program's own
// template, run by the system's dialog manager, and a handler's default processing
// done by DefDlgProcW while the handler runs.
#include <string>

#include "tests/windows/check.h"
#include "tests/windows/win32_helpers.h"
#include "ui/dialog.h"
#include "ui/win32/window_system.h"

namespace {

// The About box template (100), whose title a handler of WM_SETTEXT lets the system
// set, and then reads back.
class TitleDialog : public ui::Dialog {
 public:
  explicit TitleDialog(ui::Application& app) : ui::Dialog(app, 100) {}
  std::wstring titleAfterDefault, titleAtEnd;
  int setTextCalls = 0;
  std::intptr_t defaultResult = -1;

 protected:
  bool OnInitDialog() override {
    setText(u"changed by the program");
    titleAtEnd = wintest::windowText(static_cast<HWND>(handle()));
    endDialog(ui::kIdOk);
    return true;
  }
  std::optional<std::intptr_t> WindowProc(const ui::Message& message) override {
    if (message.id == ui::kWmSetText) return OnSetText();
    return ui::Dialog::WindowProc(message);
  }

 private:
  std::intptr_t OnSetText() {
    ++setTextCalls;
    defaultResult = callDefault();
    titleAfterDefault = wintest::windowText(static_cast<HWND>(handle()));
    return 0;
  }
};

}  // namespace

WIN_TEST(Win32WindowSystem, DefaultProcessingRunsWhileTheHandlerRuns) {
  ui::win32::WindowSystem windows;
  ui::Application app(windows, os::Platform{}, u"Check");
  TitleDialog dialog(app);
  CHECK_EQ(dialog.doModal(), std::intptr_t{ui::kIdOk});
  CHECK_EQ(dialog.setTextCalls, 1);
  CHECK_EQ(dialog.titleAfterDefault, std::wstring(L"changed by the program"));
  CHECK_EQ(dialog.defaultResult, std::intptr_t{TRUE});  // DefWindowProc's answer to WM_SETTEXT
  CHECK_EQ(dialog.titleAtEnd, std::wstring(L"changed by the program"));
}

WIN_TEST(Win32WindowSystem, AMissingTemplateFailsWithMinusOne) {
  ui::win32::WindowSystem windows;
  ui::Application app(windows, os::Platform{}, u"Check");
  ui::Dialog missing(app, 4321);
  CHECK_EQ(missing.doModal(), std::intptr_t{-1});
}
