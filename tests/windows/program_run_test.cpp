// Spanfinder64.exe run as a person runs it: started in a folder of its own with a
// library beside it, watched through its windows from this process.
#include <string>

#include "tests/windows/check.h"
#include "tests/windows/win32_helpers.h"

namespace {

constexpr wchar_t kMainTitle[] = L"Nordvale series, resource range automatic search tool";
constexpr wchar_t kSingleInstance[] = L"{2990110F-0660-4b54-8794-0725ADFB96D5}";

// A folder holding the program and, unless told otherwise, the stand-in library;
// the stand-in's answers and log are set for the program's run.
struct ProgramFolder {
  std::wstring folder, log;

  ProgramFolder(const std::wstring& name, const wchar_t* initAnswers, const wchar_t* library = L"fake") {
    folder = wintest::scratchFolder(name);
    log = folder + L"\\library.log";
    wintest::copyFileInto(wintest::builtFile(L"Spanfinder64.exe"), folder, L"Spanfinder64.exe");
    if (std::wstring(library) == L"fake")
      wintest::copyFileInto(wintest::builtFile(L"fake\\Cfgprobe64.dll"), folder, L"Cfgprobe64.dll");
    else if (std::wstring(library) == L"real")
      wintest::copyFileInto(wintest::builtFile(L"Cfgprobe64.dll"), folder, L"Cfgprobe64.dll");
    ::SetEnvironmentVariableW(L"SPANFINDER_FAKE_LOG", log.c_str());
    ::SetEnvironmentVariableW(L"SPANFINDER_FAKE_INIT", initAnswers);
  }
  std::wstring program() const { return folder + L"\\Spanfinder64.exe"; }
  std::string calls() const { return wintest::readTextFile(log); }
};

HWND messageBoxSaying(DWORD process, const std::wstring& text, DWORD timeoutMs) {
  return wintest::waitForWindow(
      process,
      [&](HWND w) {
        return wintest::className(w) == L"#32770" && wintest::allChildTexts(w).find(text) != std::wstring::npos;
      },
      timeoutMs);
}

void pressOk(HWND box) { ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }

}  // namespace

WIN_TEST(ProgramRun, ThreeFailedInitialisationsThreeSecondsApartEndWithMessage900) {
  ProgramFolder f(L"init-fails", L"2,2,2");
  const ULONGLONG started = ::GetTickCount64();
  wintest::Child child(f.program(), f.folder);
  REQUIRE(child.valid());
  const HWND box = messageBoxSaying(child.id(), L"Failed to initialize application.", 30000);
  REQUIRE(box != nullptr);
  CHECK(::GetTickCount64() - started >= 5900);  // two waits of 3000 ms
  CHECK_EQ(wintest::windowText(box), std::wstring(L"Spanfinder64"));  // the program file's name
  CHECK_EQ(f.calls(), std::string("init\ninit\ninit\n"));
  pressOk(box);
  DWORD exitCode = 99;
  CHECK(child.waitForExit(10000, &exitCode));
  CHECK_EQ(exitCode, DWORD{0});
  CHECK_EQ(f.calls(), std::string("init\ninit\ninit\n"));  // never initialised: no exit call
}

WIN_TEST(ProgramRun, WithoutTheLibraryFileTheSameMessageComes) {
  ProgramFolder f(L"no-library", L"", L"none");
  wintest::Child child(f.program(), f.folder);
  REQUIRE(child.valid());
  const HWND box = messageBoxSaying(child.id(), L"Failed to initialize application.", 30000);
  REQUIRE(box != nullptr);
  pressOk(box);
  CHECK(child.waitForExit(10000));
}

// The real library in a folder without the access driver: its start fails, and the
// program says so after its three attempts.
WIN_TEST(ProgramRun, TheRealLibraryWithoutItsDriverEndsWithMessage900) {
  ProgramFolder f(L"real-library", L"", L"real");
  wintest::Child child(f.program(), f.folder);
  REQUIRE(child.valid());
  const HWND box = messageBoxSaying(child.id(), L"Failed to initialize application.", 40000);
  REQUIRE(box != nullptr);
  pressOk(box);
  CHECK(child.waitForExit(10000));
}

WIN_TEST(ProgramRun, SecondAttemptBringsTheDialogUpAndTheAboutLineComesFromTheVersionBlock) {
  ProgramFolder f(L"about", L"0");
  const ULONGLONG started = ::GetTickCount64();
  wintest::Child child(f.program(), f.folder);
  REQUIRE(child.valid());
  const HWND main = wintest::waitForDialog(child.id(), kMainTitle, 30000);
  REQUIRE(main != nullptr);
  CHECK(::GetTickCount64() - started >= 2900);  // one wait of 3000 ms
  CHECK_EQ(f.calls(), std::string("init\ninit\n"));
  CHECK_EQ(::SendMessageW(::GetDlgItem(main, 1014), BM_GETCHECK, 0, 0), LRESULT{BST_CHECKED});
  CHECK_EQ(wintest::windowText(::GetDlgItem(main, 1020)), std::wstring(L"600000"));
  CHECK(::GetPropW(main, kSingleInstance) == reinterpret_cast<HANDLE>(1));

  // The About item as a person reaches it from the keyboard: Alt+Space opens the
  // system menu (the system command SC_KEYMENU with a blank), Up goes from its first
  // item round to its last, the About item, and Enter chooses it.
  ::PostMessageW(main, WM_SYSCOMMAND, SC_KEYMENU, ' ');
  const HWND menu = wintest::waitForWindow(
      child.id(), [](HWND w) { return wintest::className(w) == L"#32768"; }, 10000);
  REQUIRE(menu != nullptr);
  ::PostMessageW(main, WM_KEYDOWN, VK_UP, 0);
  ::PostMessageW(main, WM_KEYDOWN, VK_RETURN, 0);
  const HWND about = wintest::waitForDialog(child.id(), L"About...", 10000);
  REQUIRE(about != nullptr);
  CHECK_EQ(wintest::windowText(::GetDlgItem(about, 1010)),
           std::wstring(L"Nordvale series, resource range automatic search tool Version 2.00"));
  CHECK_EQ(wintest::windowText(::GetDlgItem(about, 1011)),
           std::wstring(L"Copyright (C) Nordvale. All rights reserved."));
  pressOk(about);
  ::Sleep(300);
  ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  DWORD exitCode = 99;
  CHECK(child.waitForExit(10000, &exitCode));
  CHECK_EQ(exitCode, DWORD{0});
  CHECK_EQ(f.calls(), std::string("init\ninit\nexit\n"));
}

WIN_TEST(ProgramRun, ASecondCopyRestoresTheFirstBringsItToTheFrontAndShowsNoWindow) {
  ProgramFolder f(L"single-instance", L"");
  wintest::Child first(f.program(), f.folder);
  REQUIRE(first.valid());
  const HWND main = wintest::waitForDialog(first.id(), kMainTitle, 30000);
  REQUIRE(main != nullptr);
  const HANDLE mutex = ::OpenMutexW(SYNCHRONIZE, FALSE, kSingleInstance);
  CHECK(mutex != nullptr);
  if (mutex) ::CloseHandle(mutex);
  // The window is another process's: on a busy machine it may take a moment, and
  // a minimise that comes while the dialog is still being shown can be lost, so
  // it is asked for again now and then.
  for (int i = 0; i < 100 && !::IsIconic(main); ++i) {
    if (i % 20 == 0) ::ShowWindow(main, SW_MINIMIZE);
    ::Sleep(50);
  }
  CHECK(::IsIconic(main));
  // A window of this process is in front when the second copy starts.
  const HWND front = ::CreateWindowExW(0, L"Static", L"in front", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 100, 100,
                                       nullptr, nullptr, nullptr, nullptr);
  REQUIRE(front != nullptr);
  ::SetForegroundWindow(front);
  CHECK(::GetForegroundWindow() == front);

  wintest::Child second(f.program(), f.folder);
  REQUIRE(second.valid());
  // Watched while it runs: it must not show a window of its own.
  DWORD exitCode = 99;
  bool ended = false, showedWindow = false;
  for (int i = 0; i < 1500 && !ended; ++i) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    showedWindow = showedWindow || wintest::waitForWindow(second.id(), [](HWND) { return true; }, 0) != nullptr;
    ended = second.waitForExit(10, &exitCode);
  }
  CHECK(ended);
  CHECK(!showedWindow);
  CHECK_EQ(exitCode, DWORD{0});
  CHECK(!::IsIconic(main));
  CHECK(::GetForegroundWindow() == main);
  ::DestroyWindow(front);
  CHECK_EQ(f.calls(), std::string("init\n"));  // the second copy never loaded the library

  ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  CHECK(first.waitForExit(10000));
  // The mutex went with the first copy: the next start runs normally.
  CHECK(::OpenMutexW(SYNCHRONIZE, FALSE, kSingleInstance) == nullptr);
  wintest::Child third(f.program(), f.folder);
  const HWND again = wintest::waitForDialog(third.id(), kMainTitle, 30000);
  CHECK(again != nullptr);
  if (again) ::PostMessageW(again, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  CHECK(third.waitForExit(10000));
}

// Any window that carries the property, here one of this process, counts as the
// running copy, as long as the mutex exists.
WIN_TEST(ProgramRun, AWindowOfAnotherProgramWithThePropertyIsTakenForTheRunningCopy) {
  ProgramFolder f(L"foreign-window", L"");
  const HANDLE mutex = ::CreateMutexW(nullptr, TRUE, kSingleInstance);
  REQUIRE(mutex != nullptr);
  const HWND window = ::CreateWindowExW(0, L"Static", L"stand-in", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 100,
                                        100, nullptr, nullptr, nullptr, nullptr);
  REQUIRE(window != nullptr);
  ::SetPropW(window, kSingleInstance, reinterpret_cast<HANDLE>(1));
  ::ShowWindow(window, SW_MINIMIZE);
  wintest::Child child(f.program(), f.folder);
  DWORD exitCode = 99;
  // The restore is sent to this thread's window: keep its messages flowing while waiting.
  bool ended = false;
  for (int i = 0; i < 300 && !ended; ++i) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    ended = child.waitForExit(50, &exitCode);
  }
  CHECK(ended);
  CHECK_EQ(exitCode, DWORD{0});
  CHECK(!::IsIconic(window));
  CHECK_EQ(f.calls(), std::string());
  ::DestroyWindow(window);
  ::CloseHandle(mutex);
}
