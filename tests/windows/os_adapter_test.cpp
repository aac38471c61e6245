// The Win32 adapters where they do more than pass a call on, or where the system's
// behaviour is what the program relies on: the command interpreter, the system's
// upper-casing of the Windows folder, and the files' contract that the native back
// ends keep as well.
#include <cstdlib>

#include "os/platform.h"
#include "tests/os/file_contract.h"
#include "tests/windows/check.h"
#include "tests/windows/win32_helpers.h"

WIN_TEST(Interpreter, ReturnsTheCommandsExitStatus) {
  os::Processes& processes = *os::platform().processes;
  CHECK_EQ(processes.runThroughInterpreter(u"exit 0"), 0);
  CHECK_EQ(processes.runThroughInterpreter(u"exit 7"), 7);
  // A command the interpreter cannot find ends it with a failure status.
  CHECK(processes.runThroughInterpreter(u"no-such-program-of-spanfinder.exe") != 0);
}

WIN_TEST(Interpreter, AComSpecThatCannotStartFallsBackToCmd) {
  // The C runtime reads its own copy of the environment.
  const std::wstring before = wintest::environmentSet(L"COMSPEC", L"C:\\no\\such\\interpreter.exe");
  ::_wputenv(L"COMSPEC=C:\\no\\such\\interpreter.exe");
  CHECK_EQ(os::platform().processes->runThroughInterpreter(u"exit 5"), 5);
  wintest::environmentSet(L"COMSPEC", before.c_str());
  ::_wputenv((L"COMSPEC=" + before).c_str());
}

WIN_TEST(SystemInfo, UpperCasesByTheSystemsRulesBeyondLatin1) {
  os::SystemInfo& system = *os::platform().system;
  CHECK_EQ(system.upperCase(u"c:\\windows"), std::u16string(u"C:\\WINDOWS"));
  // Letters the Latin-1 rule leaves alone: ÿ, ā, ж.
  CHECK_EQ(system.upperCase(u"d:\\\u00FF\u0101\u0436"), std::u16string(u"D:\\\u0178\u0100\u0416"));
  CHECK_EQ(system.upperCase(u""), std::u16string());
}

WIN_TEST(SystemInfo, WindowsFolderAndVersionAreTheSystems) {
  os::SystemInfo& system = *os::platform().system;
  char16_t folder[MAX_PATH] = {};
  const std::uint32_t length = system.getWindowsDirectory(folder, MAX_PATH);
  CHECK(length > 0);
  CHECK(system.upperCase(std::u16string_view(folder, length)).find(u"\\WINDOWS") != std::u16string::npos);
  CHECK(system.windowsVersion() >= 0x0600);
  // The 8-bit form names the same folder.
  char narrow[MAX_PATH] = {};
  CHECK_EQ(system.getWindowsDirectoryA(narrow, MAX_PATH), length);
  CHECK_EQ(std::u16string(narrow, narrow + length), std::u16string(folder, length));
  CHECK_EQ(system.getWindowsDirectoryA(narrow, 2), length + 1);  // too small: the size needed
}

WIN_TEST(NamedObjects, ASecondCreationOfTheSameMutexReportsItExists) {
  os::NamedObjects& objects = *os::platform().objects;
  const os::Handle first = objects.createMutex(u"spanfinder-check-mutex", true);
  REQUIRE(first != nullptr);
  CHECK_EQ(os::lastError(), std::uint32_t{0});
  const os::Handle second = objects.createMutex(u"spanfinder-check-mutex", true);
  CHECK(second != nullptr);
  CHECK_EQ(os::lastError(), std::uint32_t{ERROR_ALREADY_EXISTS});
  objects.closeHandle(second);
  objects.closeHandle(first);
}

WIN_TEST(Files, EveryCallKeepsItsContract) {
  const std::wstring folder = wintest::scratchFolder(L"spanfinder-file-contract");
  for (const file_contract::Case& c : file_contract::cases()) {
    const std::string problem =
        file_contract::run(*os::platform().files, std::u16string(folder.begin(), folder.end()), c);
    CHECK_EQ(problem.empty() ? std::string() : c.name + (": " + problem), std::string());
  }
}
