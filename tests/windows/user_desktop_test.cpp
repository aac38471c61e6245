// What a user of the Windows program meets that Wine would let pass: where the
// dialogs come up, the result box's lines and limit, the texts read from the
// program's own string resources, the command interpreter it starts, and the
// tool's windows that nobody is to see.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "os/platform.h"
#include "os/win32/adapters.h"
#include "tests/windows/check.h"
#include "tests/windows/dialog_driver.h"
#include "tests/windows/win32_helpers.h"

namespace {

using wintest::DialogRun;

constexpr int kSearch = 1013, kKB20 = 1015, kResult = 1019, kSpaceSize = 1020;

RECT windowRect(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return r;
}

// Centres agree to the pixel the halving may lose.
bool centredOver(const RECT& inner, const RECT& outer) {
  const auto within = [](long a, long b) { return a - b <= 1 && b - a <= 1; };
  return within(inner.left + inner.right, outer.left + outer.right) &&
         within(inner.top + inner.bottom, outer.top + outer.bottom);
}

std::vector<std::wstring> crLfLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  for (std::size_t at = text.find(L"\r\n"); at != std::wstring::npos; at = text.find(L"\r\n", start)) {
    lines.push_back(text.substr(start, at - start));
    start = at + 2;
  }
  lines.push_back(text.substr(start));
  return lines;
}

std::size_t occurrences(const std::string& bytes, const std::u16string& text) {
  const std::string needle(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  std::size_t count = 0;
  for (std::size_t at = bytes.find(needle); at != std::string::npos; at = bytes.find(needle, at + 1)) ++count;
  return count;
}

}  // namespace

WIN_TEST(UserDesktop, TheMainDialogIsCentredOnItsWorkAreaAndTheAboutBoxOverIt) {
  DialogRun run(L"user-centred");
  REQUIRE(run.main() != nullptr);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  REQUIRE(::GetMonitorInfoW(::MonitorFromWindow(run.main(), MONITOR_DEFAULTTONEAREST), &monitor));
  const RECT main = windowRect(run.main());
  CHECK(main.left > monitor.rcWork.left);
  CHECK(centredOver(main, monitor.rcWork));

  ::PostMessageW(run.main(), WM_SYSCOMMAND, 0x0010, 0);
  DWORD process = 0;
  ::GetWindowThreadProcessId(run.main(), &process);
  const HWND about = wintest::waitForWindow(
      process,
      [&](HWND w) { return ::GetWindow(w, GW_OWNER) == run.main() && wintest::className(w) == L"#32770"; },
      10000);
  REQUIRE(about != nullptr);
  CHECK(centredOver(windowRect(about), main));
  ::PostMessageW(about, WM_COMMAND, IDOK, 0);
  CHECK(run.close());
}

// Without its library the program shows message 900 while its dialog is still
// hidden: the box is nobody's (so it has a taskbar button) and in front.
WIN_TEST(UserDesktop, TheFailedStartsBoxStandsOnItsOwnInFront) {
  const std::wstring folder = wintest::scratchFolder(L"user-failed-start");
  REQUIRE(wintest::copyFileInto(wintest::programFolder() + L"\\Spanfinder64.exe", folder, L"Spanfinder64.exe"));
  wintest::Child child(folder + L"\\Spanfinder64.exe", folder);
  REQUIRE(child.valid());
  const HWND box = wintest::waitForWindow(
      child.id(),
      [](HWND w) {
        return wintest::className(w) == L"#32770" &&
               wintest::allChildTexts(w).find(L"Failed to initialize application.") != std::wstring::npos;
      },
      30000);
  REQUIRE(box != nullptr);
  CHECK(::GetWindow(box, GW_OWNER) == nullptr);
  CHECK(::GetForegroundWindow() == box);
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  CHECK(child.waitForExit(10000));
}

WIN_TEST(UserDesktop, EveryListedBlockIsALineOfItsOwnEndedByCrLfAsInTheIniFile) {
  DialogRun run(L"user-many-blocks");
  REQUIRE(run.main() != nullptr);
  run.click(kKB20);
  // 44 KB blocks: 721 from each of the two 31 MB holes, 1,442 lines of 23
  // characters, just more than the edit control's default limit holds (Wine's edit
  // control takes long over each further line).
  run.type(kSpaceSize, L"B000");
  run.clickLater(kSearch);
  std::vector<std::wstring> texts;
  while (const auto box = run.answerBox(texts.empty() ? 300000 : 5000)) texts.push_back(box->text);
  CHECK_EQ(texts.size(), std::size_t{2});  // 503 and 509
  REQUIRE(texts.size() >= 2u);
  CHECK_EQ(texts[texts.size() - 2], std::wstring(L"Analysis was completed."));

  // The blocks in the INI file, in order: "0x...-0x..." from each pair.
  const std::string bytes = wintest::readTextFile(run.folder() + L"\\KB20.ini");
  std::string ini;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) ini += bytes[i];
  std::vector<std::wstring> blocks;
  for (std::size_t at = ini.find("StartAdrs="); at != std::string::npos; at = ini.find("StartAdrs=", at)) {
    const std::string start = ini.substr(at + 10, 10);
    at = ini.find("EndAdrs=", at);
    if (at == std::string::npos) break;
    const std::string block = start + "-" + ini.substr(at + 8, 10);
    blocks.emplace_back(block.begin(), block.end());
  }
  CHECK_EQ(blocks.size(), std::size_t{1442});

  const HWND result = ::GetDlgItem(run.main(), kResult);
  CHECK(::SendMessageW(result, EM_GETLIMITTEXT, 0, 0) >= 4096 * 23);
  std::wstring text(static_cast<std::size_t>(::SendMessageW(result, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      ::SendMessageW(result, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  std::vector<std::wstring> lines = crLfLines(text);
  CHECK_EQ(lines.back(), std::wstring());
  lines.pop_back();
  CHECK_EQ(lines.size(), blocks.size());
  CHECK(lines == blocks);
  CHECK_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), L'\n')), blocks.size());  // CR LF only
  CHECK_EQ(static_cast<std::size_t>(::SendMessageW(result, EM_GETLINECOUNT, 0, 0)), blocks.size() + 1);
  CHECK(run.close());
}

WIN_TEST(UserDesktop, TheProgramHoldsItsTextsOnlyInItsStringTables) {
  const std::string program = wintest::readTextFile(wintest::programFolder() + L"\\Spanfinder64.exe");
  REQUIRE(!program.empty());
  // A STRINGTABLE holds each text once per language, without a terminator; a
  // compiled-in table would hold it a second time.
  CHECK_EQ(occurrences(program, u"Analyze failed."), std::size_t{1});
  CHECK_EQ(occurrences(program, u"解析に失敗しました。"), std::size_t{1});
  CHECK_EQ(occurrences(program, u"Failed to initialize application."), std::size_t{1});
}

WIN_TEST(UserDesktop, TheInterpreterFallbackIsTheSystemFoldersCmdWithoutAConsole) {
  // A cmd.exe in the current folder that would answer 2 (the tool refuses "/c").
  const std::wstring folder = wintest::scratchFolder(L"user-cmd");
  REQUIRE(wintest::copyFileInto(wintest::programFolder() + L"\\spanfinder.exe", folder, L"cmd.exe"));
  wchar_t before[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, before);
  REQUIRE(::SetCurrentDirectoryW(folder.c_str()));
  const std::wstring comSpec = wintest::environmentSet(L"COMSPEC", nullptr);
  CHECK_EQ(os::platform().processes->runThroughInterpreter(u"exit 5"), 5);
  wintest::environmentSet(L"COMSPEC", L"C:\\no\\such\\interpreter.exe");
  CHECK_EQ(os::platform().processes->runThroughInterpreter(u"exit 6"), 6);
  wintest::environmentSet(L"COMSPEC", comSpec.empty() ? nullptr : comSpec.c_str());
  ::SetCurrentDirectoryW(before);
}

WIN_TEST(UserDesktop, TheToolsDialogWindowsAreNeverShownActivatedOrListed) {
  os::Windows& unseen = os::win32::unseenWindows();
  const os::Handle window = unseen.createWindow(nullptr, u"unseen");
  REQUIRE(window != nullptr);
  const HWND foreground = ::GetForegroundWindow();
  unseen.showWindow(window, os::kSwShow);
  unseen.setActiveWindow(window);
  CHECK(!::IsWindowVisible(static_cast<HWND>(window)));
  CHECK(unseen.isWindowVisible(window));  // shown as far as the tool's dialogs go
  CHECK(::GetForegroundWindow() == foreground);
  CHECK(unseen.setProp(window, u"mark", window));
  CHECK(unseen.getProp(window, u"mark") == window);
  std::pair<os::Handle, bool> search{window, false};
  unseen.enumWindows(
      [](os::Handle w, std::intptr_t param) {
        auto* found = reinterpret_cast<std::pair<os::Handle, bool>*>(param);
        if (w == found->first) found->second = true;
        return true;
      },
      reinterpret_cast<std::intptr_t>(&search));
  CHECK(!search.second);
  CHECK(unseen.destroyWindow(window));
}
