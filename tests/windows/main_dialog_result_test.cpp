// The main dialog run in this process on the Win32 window system, so that the result
// it ends with, which the program itself does not look at, can be seen: the stand-in
// access library (bin/fake) is loaded for it, and no wait between library attempts.
#include <atomic>
#include <cstdlib>
#include <memory>
#include <thread>

#include "app/main_dialog.h"
#include "os/platform.h"
#include "tests/windows/check.h"
#include "tests/windows/win32_helpers.h"
#include "ui/application.h"
#include "ui/win32/window_system.h"

namespace {

// Loads the stand-in for the library the dialog asks for by name.
class StandInLibrary : public os::Modules {
 public:
  os::Handle loadLibrary(std::u16string_view name) override {
    if (name != u"Cfgprobe64.Dll") return real().loadLibrary(name);
    const std::wstring path = wintest::builtFile(L"fake\\Cfgprobe64.dll");
    return real().loadLibrary(std::u16string(path.begin(), path.end()));
  }
  os::ProcAddress getProcAddress(os::Handle module, const char* name) override {
    return real().getProcAddress(module, name);
  }
  bool freeLibrary(os::Handle module) override { return real().freeLibrary(module); }

 private:
  static os::Modules& real() { return *os::platform().modules; }
};

// One run of the dialog on a thread of its own; shared, so that a run that never
// ends cannot outlive what it uses.
struct DialogThread {
  StandInLibrary library;
  os::Clock noWaiting;  // the base clock: sleeping takes no time
  std::atomic<bool> ended{false};
  std::intptr_t result = -99;
};

std::shared_ptr<DialogThread> startDialog() {
  auto run = std::make_shared<DialogThread>();
  std::thread([run] {
    ui::win32::WindowSystem windows;
    os::Platform facilities;
    facilities.modules = &run->library;
    facilities.clock = &run->noWaiting;
    ui::Application app(windows, facilities, u"Spanfinder64");
    CTmx4CheckLinkSpeedDlg dialog(app);
    app.setMainWindow(&dialog);
    run->result = dialog.doModal();
    app.setMainWindow(nullptr);
    run->ended = true;
  }).detach();
  return run;
}

// The stand-in, loaded into this process, reads the C runtime's copy of the
// environment, which only _wputenv keeps up to date.
void setVariable(const std::wstring& name, const std::wstring& value) { _wputenv((name + L"=" + value).c_str()); }

bool waitForEnd(const DialogThread& run) {
  for (int i = 0; i < 400 && !run.ended; ++i) ::Sleep(25);
  return run.ended;
}

}  // namespace

// Exit and Enter (the default button is Exit) end it with OK (1); Escape and the
// close box with Cancel (2); a library that never starts, with OK after message 900.
WIN_TEST(MainDialogResult, ExitAndEnterEndWithOkEscapeAndTheCloseBoxWithCancel) {
  const std::wstring folder = wintest::scratchFolder(L"dialog-result");
  setVariable(L"SPANFINDER_FAKE_LOG", folder + L"\\library.log");
  struct Case {
    const char* how;
    UINT message;
    WPARAM wParam;
    int target;  // 0: the dialog, else the control of that id
    std::intptr_t result;
  };
  for (const Case& c : {Case{"Exit", BM_CLICK, 0, 1, IDOK}, Case{"Enter", WM_KEYDOWN, VK_RETURN, 1020, IDOK},
                        Case{"Escape", WM_KEYDOWN, VK_ESCAPE, 1020, IDCANCEL},
                        Case{"close box", WM_SYSCOMMAND, SC_CLOSE, 0, IDCANCEL}}) {
    ::DeleteFileW((folder + L"\\library.log").c_str());
    setVariable(L"SPANFINDER_FAKE_INIT", L"");
    const auto run = startDialog();
    const HWND main = wintest::waitForWindow(
        ::GetCurrentProcessId(),
        [](HWND w) { return wintest::className(w) == L"#32770" && ::GetDlgItem(w, 1019) != nullptr; }, 10000);
    if (!main) wintest::fail(__FILE__, __LINE__, std::string(c.how) + ": no dialog");
    REQUIRE(main != nullptr);
    ::PostMessageW(c.target ? ::GetDlgItem(main, c.target) : main, c.message, c.wParam, 0);
    REQUIRE(waitForEnd(*run));
    if (run->result != c.result)
      wintest::fail(__FILE__, __LINE__,
                    std::string(c.how) + ": ended with " + std::to_string(run->result) + ", want " +
                        std::to_string(c.result));
    CHECK_EQ(wintest::readTextFile(folder + L"\\library.log"), std::string("init\nexit\n"));
  }

  ::DeleteFileW((folder + L"\\library.log").c_str());
  setVariable(L"SPANFINDER_FAKE_INIT", L"2,2,2");
  const auto failing = startDialog();
  const HWND box = wintest::waitForWindow(
      ::GetCurrentProcessId(),
      [](HWND w) {
        return wintest::className(w) == L"#32770" &&
               wintest::allChildTexts(w).find(L"Failed to initialize application.") != std::wstring::npos;
      },
      10000);
  REQUIRE(box != nullptr);
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  REQUIRE(waitForEnd(*failing));
  CHECK_EQ(failing->result, std::intptr_t{IDOK});
  CHECK_EQ(wintest::readTextFile(folder + L"\\library.log"), std::string("init\ninit\ninit\n"));
  setVariable(L"SPANFINDER_FAKE_INIT", L"");
  setVariable(L"SPANFINDER_FAKE_LOG", L"");
}
