// The Search of Spanfinder64.exe on the Win32 dialog, driven as a person drives
// it: a board button clicked, a size typed into the Space Size box, Search
// pressed, each message box read and answered. The KB20 stand-in library answers
// for the board and notes what the program puts into its boxes; the stand-in
// msinfo32 in the prefix's system32 writes the report, run through the real cmd.exe.
#include <string>

#include "app/system_info_tool.h"
#include "os/platform.h"
#include "tests/windows/access_driver_session.h"
#include "tests/windows/check.h"
#include "tests/windows/dialog_driver.h"

namespace {

using wintest::DialogRun;

constexpr int kSearch = 1013, kKA10 = 1014, kKB20 = 1015, kKB40 = 1016;
constexpr int kStart = 1017, kEnd = 1018, kResult = 1019, kSpaceSize = 1020;

const std::wstring kCompleted = L"Analysis was completed.";
const std::wstring kWorking = L"Nordvale products are working. There is no need to change the resource range.";
const std::wstring kNotDetected =
    L"The specified device was not detected.\nCheck that the board is seated correctly, then run again.";

// The stand-in's lines for one Search that runs to its end on the KB20 at 0xF2000000
// with Space Size C00000, from the boxes being emptied to the closing messages.
const std::string kKb20Search =
    "settext 1017 \n"
    "settext 1018 \n"
    "settext 1019 \n"
    "config 01021195 01021195 00000010: 1\n"
    "config 01021195 01021195 0000001C: 1\n"
    "settext 1017 F0000000\n"
    "settext 1018 F3FFFFFF\n"
    "replacesel 1019 0xF1400000-0xF1FFFFFF\\r\\n\n"
    "replacesel 1019 0xF0800000-0xF13FFFFF\\r\\n\n"
    "replacesel 1019 0xF3400000-0xF3FFFFFF\\r\\n\n"
    "replacesel 1019 0xF2800000-0xF33FFFFF\\r\\n\n"
    "box owner=main icon=none caption=Spanfinder64 text=Analysis was completed.\n"
    "box owner=main icon=none caption=Spanfinder64 text=Nordvale products are working. There is no need to "
    "change the resource range.\n";

const std::wstring kKb20Blocks =
    L"0xF1400000-0xF1FFFFFF\r\n0xF0800000-0xF13FFFFF\r\n0xF3400000-0xF3FFFFFF\r\n0xF2800000-0xF33FFFFF\r\n";
const std::string kKb20Ini =
    "[USE]\r\nVer=1011\r\nSATA1=1\r\nSATA2=1\r\nPCCard=1\r\nSxS=1\r\nI/O=0\r\nUSB=1\r\n"
    "PayloadSize=0\r\nSataSSC=0\r\n"
    "StartAdrs=0xF1400000\r\nEndAdrs=0xF1FFFFFF\r\n"
    ";StartAdrs=0xF0800000\r\n;EndAdrs=0xF13FFFFF\r\n"
    ";StartAdrs=0xF3400000\r\n;EndAdrs=0xF3FFFFFF\r\n"
    ";StartAdrs=0xF2800000\r\n;EndAdrs=0xF33FFFFF\r\n";

std::string iniText(const std::wstring& file) {
  const std::string bytes = wintest::readTextFile(file);
  std::string text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) text += bytes[i];  // ASCII in UTF-16LE
  return text;
}

// What a completed Search of the KB20 with Space Size C00000 leaves: the memory
// window in Start and End, four blocks in the result box and in KB20.ini.
void checkKb20Results(const DialogRun& run) {
  CHECK_EQ(run.text(kStart), std::wstring(L"F0000000"));
  CHECK_EQ(run.text(kEnd), std::wstring(L"F3FFFFFF"));
  CHECK_EQ(run.text(kResult), kKb20Blocks);
  CHECK_EQ(iniText(run.folder() + L"\\KB20.ini"), kKb20Ini);
}

}  // namespace

WIN_TEST(DialogSearch, ABoardButtonATypedSizeAndSearchFillTheBoxesAndTheIniFile) {
  DialogRun run(L"dialog-search");
  REQUIRE(run.main() != nullptr);
  run.click(kKB20);
  CHECK(run.checked(kKB20));
  CHECK(!run.checked(kKA10));
  CHECK(!run.checked(kKB40));
  run.type(kSpaceSize, L"C00000");
  run.clickLater(kSearch);

  const auto completed = run.answerBox();
  REQUIRE(completed.has_value());
  CHECK_EQ(completed->text, kCompleted);
  CHECK_EQ(completed->caption, std::wstring(L"Spanfinder64"));
  CHECK(completed->owner == run.main());
  const auto working = run.answerBox();
  REQUIRE(working.has_value());
  CHECK_EQ(working->text, kWorking);
  CHECK(!run.answerBox(1500).has_value());

  checkKb20Results(run);
  DWORD exitCode = 99;
  CHECK(run.close(&exitCode));
  CHECK_EQ(exitCode, DWORD{0});
  CHECK_EQ(run.libraryLog(), "init\nsettext 1020 C00000\n" + kKb20Search + "exit\n");
}

// The same Search with nothing standing in for the library: the real
// Cfgprobe64.dll installs the model build of the access driver through Wine's
// service manager, and the board is found by scanning the model's PCI functions
// through the driver's port requests. Closing the program stops and removes it.
WIN_TEST(DialogSearch, TheRealLibraryAndTheModelDriverFindTheBoard) {
  DialogRun run(L"dialog-model-driver", L"Cfgprobe64.dll", L"model\\Cfgprobe64.sys");
  REQUIRE(run.main() != nullptr);
  const wintest::ServiceState service = wintest::driverService();
  CHECK_EQ(service.state, DWORD{SERVICE_RUNNING});
  CHECK(service.binaryPath.find("dialog-model-driver\\Cfgprobe64.sys") != std::string::npos);
  run.click(kKB20);
  run.type(kSpaceSize, L"C00000");
  run.clickLater(kSearch);
  CHECK_EQ(run.answerBox().value_or(wintest::ShownBox{}).text, kCompleted);
  CHECK_EQ(run.answerBox().value_or(wintest::ShownBox{}).text, kWorking);
  checkKb20Results(run);
  DWORD exitCode = 99;
  CHECK(run.close(&exitCode));
  CHECK_EQ(exitCode, DWORD{0});
  CHECK(!wintest::driverService().exists);
  CHECK(wintest::deviceGone(5000));
}

// The stand-in points its export at a function that finds nothing once a Search
// has read the board: the next Search meets it only if it looks the entry up again.
// Before, KA10, the button the dialog starts with, is not on the bus.
WIN_TEST(DialogSearch, EverySearchLooksTheLibrarysEntryUpAgain) {
  DialogRun run(L"dialog-lookups");
  REQUIRE(run.main() != nullptr);
  run.clickLater(kSearch);
  const auto absent = run.answerBox();
  REQUIRE(absent.has_value());
  CHECK_EQ(absent->text, kNotDetected);
  CHECK(absent->owner == run.main());

  run.click(kKB20);
  run.type(kSpaceSize, L"C00000");
  run.clickLater(kSearch);
  CHECK_EQ(run.answerBox().value_or(wintest::ShownBox{}).text, kCompleted);
  CHECK_EQ(run.answerBox().value_or(wintest::ShownBox{}).text, kWorking);

  run.clickLater(kSearch);
  const auto gone = run.answerBox();
  REQUIRE(gone.has_value());
  CHECK_EQ(gone->text, kNotDetected);
  // The boxes were emptied before anything else.
  CHECK_EQ(run.text(kStart), std::wstring());
  CHECK_EQ(run.text(kEnd), std::wstring());
  CHECK_EQ(run.text(kResult), std::wstring());
  CHECK(run.close());
  const std::string notDetected =
      "box owner=main icon=exclamation caption=Spanfinder64 text=The specified device was not detected.\\nCheck "
      "that the board is seated correctly, then run again.\n";
  CHECK_EQ(run.libraryLog(), "init\n"
                             "settext 1017 \nsettext 1018 \nsettext 1019 \n"
                             "config 02E01217 51011195 00000020: 0\n" +
                                 notDetected + "settext 1020 C00000\n" + kKb20Search +
                                 "settext 1017 \nsettext 1018 \nsettext 1019 \n"
                                 "second config 01021195 01021195 00000010: 0\n" +
                                 notDetected + "exit\n");
}

WIN_TEST(DialogSearch, ASystemInformationToolEndingWith3Gives701) {
  ::SetEnvironmentVariableW(L"SPANFINDER_MSINFO_EXIT", L"3");
  DialogRun run(L"dialog-msinfo-fails");
  ::SetEnvironmentVariableW(L"SPANFINDER_MSINFO_EXIT", nullptr);
  REQUIRE(run.main() != nullptr);
  run.click(kKB20);
  run.clickLater(kSearch);
  const auto failed = run.answerBox();
  REQUIRE(failed.has_value());
  CHECK_EQ(failed->text, std::wstring(L"An error occurred during the execution of the command."));
  CHECK_EQ(run.text(kStart), std::wstring());
  CHECK(run.close());
  const std::string log = run.libraryLog();
  CHECK(log.find("box owner=main icon=exclamation caption=Spanfinder64 text=An error occurred during the execution "
                 "of the command.\n") != std::string::npos);
  CHECK(log.find("0000001C") == std::string::npos);  // the Search stopped before the I/O register
}

// RunSystemInfoTool's command line through the real cmd.exe: the stand-in gets the
// arguments, and its exit status comes back as the interpreter's.
WIN_TEST(SystemInfoTool, TheCommandRunsThroughCmdAndItsStatusComesBack) {
  const std::wstring folder = wintest::scratchFolder(L"msinfo-status");
  ::SetEnvironmentVariableW(L"SPANFINDER_MSINFO_LOG", (folder + L"\\msinfo.log").c_str());
  os::SystemInfo& system = *os::platform().system;
  char16_t windows[MAX_PATH] = {};
  const std::u16string_view directory(windows, system.getWindowsDirectory(windows, MAX_PATH));
  const auto command = app::systemInfoCommand(directory, system.upperCase(directory), system.windowsVersion());
  REQUIRE(command.has_value());
  CHECK_EQ(command->reportPath, std::u16string(u"C:\\msinfo.txt"));
  for (const auto& [status, exitCode] : {std::pair{L"0", 0}, std::pair{L"3", 3}, std::pair{L"255", 255}}) {
    ::SetEnvironmentVariableW(L"SPANFINDER_MSINFO_EXIT", status);
    CHECK_EQ(os::platform().processes->runThroughInterpreter(command->commandLine), exitCode);
  }
  ::SetEnvironmentVariableW(L"SPANFINDER_MSINFO_EXIT", nullptr);
  const std::string arguments =
      "/categories +ResourcesIO+ResourcesMemory+ComponentsProblemDevices /report C:\\msinfo.txt\n";
  CHECK_EQ(wintest::readTextFile(folder + L"\\msinfo.log"), arguments + arguments + arguments);
}

// The same Search with a Japanese user interface: the title and the closing messages
// come from the Japanese table, and the report's sections are found by their
// Japanese headings (the stand-in msinfo32 writes them in the same language).
JAPANESE_WIN_TEST(DialogSearch, AJapaneseUserInterfaceShowsTheJapaneseTitleAndMessages) {
  DialogRun run(L"dialog-japanese");
  REQUIRE(run.main() != nullptr);
  CHECK_EQ(wintest::windowText(run.main()), std::wstring(L"Nordvaleシリーズ リソース範囲自動検索ツール"));
  run.click(kKB20);
  run.type(kSpaceSize, L"C00000");
  run.clickLater(kSearch);
  const auto completed = run.answerBox();
  REQUIRE(completed.has_value());
  CHECK_EQ(completed->text, std::wstring(L"解析が完了しました。"));
  CHECK_EQ(completed->caption, std::wstring(L"Spanfinder64"));
  const auto working = run.answerBox();
  REQUIRE(working.has_value());
  CHECK_EQ(working->text, std::wstring(L"Nordvale製品は動作しています。リソース範囲を変更する必要はありません。"));
  checkKb20Results(run);
  CHECK(run.close());
}
