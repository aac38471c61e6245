#include "tests/windows/dialog_driver.h"

#include "tests/windows/check.h"

namespace wintest {
namespace {

// The texts of a message box: its static controls that are not icons.
std::wstring boxText(HWND box) {
  std::wstring text;
  for (HWND child : childWindows(box)) {
    if (className(child) != L"Static" || (::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) continue;
    const std::wstring t = windowText(child);
    if (!t.empty()) text += (text.empty() ? L"" : L"|") + t;
  }
  return text;
}

}  // namespace

DialogRun::DialogRun(const std::wstring& name, const std::wstring& library, const std::wstring& driver) {
  folder_ = scratchFolder(name);
  copyFileInto(builtFile(L"Spanfinder64.exe"), folder_, L"Spanfinder64.exe");
  copyFileInto(builtFile(library), folder_, L"Cfgprobe64.dll");
  if (!driver.empty()) copyFileInto(builtFile(driver), folder_, L"Cfgprobe64.sys");
  ::SetEnvironmentVariableW(L"SPANFINDER_FAKE_LOG", (folder_ + L"\\library.log").c_str());
  ::SetEnvironmentVariableW(L"SPANFINDER_MSINFO_LOG", (folder_ + L"\\msinfo.log").c_str());
  child_ = std::make_unique<Child>(folder_ + L"\\Spanfinder64.exe", folder_);
  // Found by its result box, whatever language its title is in.
  if (child_->valid())
    main_ = waitForWindow(
        child_->id(), [](HWND w) { return className(w) == L"#32770" && ::GetDlgItem(w, 1019) != nullptr; }, 30000);
}

DialogRun::~DialogRun() {
  if (main_) close();
}

void DialogRun::checkDrivable(int id, const char* action) const {
  const HWND control = ::GetDlgItem(main_, id);
  RECT place{}, screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}, shown{};
  ::GetWindowRect(main_, &place);
  const bool onScreen = ::IntersectRect(&shown, &place, &screen);
  if (!::IsWindowVisible(main_) || ::IsIconic(main_) || !onScreen || !::IsWindowEnabled(main_) || !control ||
      !::IsWindowVisible(control) || !::IsWindowEnabled(control))
    fail(__FILE__, __LINE__,
         std::string(action) + " " + std::to_string(id) + ": the dialog or the control is not there for a person to use");
}

void DialogRun::click(int id) const {
  checkDrivable(id, "click");
  DWORD_PTR unused = 0;
  ::SendMessageTimeoutW(::GetDlgItem(main_, id), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 10000, &unused);
}

void DialogRun::clickLater(int id) const {
  checkDrivable(id, "click");
  ::PostMessageW(::GetDlgItem(main_, id), BM_CLICK, 0, 0);
}

void DialogRun::type(int id, const std::wstring& text) const {
  checkDrivable(id, "type into");
  DWORD_PTR unused = 0;
  ::SendMessageTimeoutW(::GetDlgItem(main_, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, 10000, &unused);
}

std::wstring DialogRun::text(int id) const { return windowText(::GetDlgItem(main_, id)); }

bool DialogRun::checked(int id) const {
  DWORD_PTR state = 0;
  ::SendMessageTimeoutW(::GetDlgItem(main_, id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 10000, &state);
  return state == BST_CHECKED;
}

std::optional<ShownBox> DialogRun::answerBox(DWORD timeoutMs) const {
  const HWND box = waitForWindow(
      child_->id(), [&](HWND w) { return w != main_ && className(w) == L"#32770"; }, timeoutMs);
  if (!box) return std::nullopt;
  ShownBox shown{windowText(box), boxText(box), ::GetWindow(box, GW_OWNER)};
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  for (int i = 0; i < 200 && ::IsWindow(box); ++i) ::Sleep(25);
  return shown;
}

bool DialogRun::close(DWORD* exitCode) {
  if (!main_) return false;
  ::PostMessageW(main_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  main_ = nullptr;
  return child_->waitForExit(10000, exitCode);
}

std::string DialogRun::libraryLog() const { return readTextFile(folder_ + L"\\library.log"); }

}  // namespace wintest
