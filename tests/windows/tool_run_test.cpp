// spanfinder.exe, the command-line tool on this PC, run as a person runs it from
// a command prompt: analyze on the sample reports gives the native tool's JSON,
// and search runs the program on the PC's own library (here the KB20 stand-in),
// command interpreter and system-information tool (the stand-in msinfo32).
#include <fstream>
#include <string>
#include <vector>

#include "tests/windows/check.h"
#include "tests/windows/dialog_driver.h"
#include "tests/windows/win32_helpers.h"

namespace {

std::wstring tool() { return wintest::builtFile(L"spanfinder.exe"); }

std::wstring wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }


// The "ini" value cut to the file's name, as tests/data keeps it.
std::string withIniFileNameOnly(std::string json) {
  const std::string key = "\n  \"ini\": \"";
  const auto at = json.find(key);
  if (at == std::string::npos) return json;
  const auto valueStart = at + key.size(), valueEnd = json.find('"', valueStart);
  const auto slash = json.find_last_of("/\\", valueEnd);
  if (slash != std::string::npos && slash >= valueStart) json.erase(valueStart, slash + 1 - valueStart);
  return json;
}

// A case of tests/data: the report (a Windows path into the source tree) and the
// other arguments, one a line, and the JSON the native tool gives.
struct DataCase {
  std::wstring report;
  std::wstring arguments;
  std::string json;
};
DataCase dataCase(const std::wstring& name) {
  std::ifstream in(wintest::sourceFile(L"tests\\data\\" + name + L".args").c_str());
  DataCase c;
  std::string line;
  if (std::getline(in, line)) {
    for (char& ch : line)
      if (ch == '/') ch = '\\';
    c.report = wintest::sourceFile(wide(line));
  }
  while (std::getline(in, line)) c.arguments += L" " + wide(line);
  c.json = wintest::readTextFile(wintest::sourceFile(L"tests\\data\\" + name + L".json"));
  return c;
}

// A folder with the tool and the KB20 stand-in library, and logs for the library
// and the system-information tool.
struct ToolFolder {
  std::wstring folder;
  explicit ToolFolder(const std::wstring& name, bool withLibrary = true) {
    folder = wintest::scratchFolder(name);
    wintest::copyFileInto(wintest::builtFile(L"spanfinder.exe"), folder, L"spanfinder.exe");
    if (withLibrary) wintest::copyFileInto(wintest::builtFile(L"kb20\\Cfgprobe64.dll"), folder, L"Cfgprobe64.dll");
    ::SetEnvironmentVariableW(L"SPANFINDER_FAKE_LOG", (folder + L"\\library.log").c_str());
    ::SetEnvironmentVariableW(L"SPANFINDER_MSINFO_LOG", (folder + L"\\msinfo.log").c_str());
  }
  wintest::Run spanfinder(const std::wstring& arguments) const {
    return wintest::runToEnd(folder + L"\\spanfinder.exe", arguments, folder);
  }
  std::string libraryCalls() const { return wintest::readTextFile(folder + L"\\library.log"); }
  std::string msinfoCalls() const { return wintest::readTextFile(folder + L"\\msinfo.log"); }
  std::string file(const std::wstring& name) const { return wintest::readTextFile(folder + L"\\" + name); }
};

}  // namespace

WIN_TEST(ToolAnalyze, TheSampleReportsGiveTheJsonOfTheNativeTool) {
  for (const wchar_t* name : {L"analyze-msinfo", L"analyze-msinfo-ja"}) {
    const DataCase c = dataCase(name);
    REQUIRE(!c.json.empty());
    const std::wstring folder = wintest::scratchFolder(std::wstring(L"analyze-") + name);
    const wintest::Run run =
        wintest::runToEnd(tool(), L"analyze \"" + c.report + L"\"" + c.arguments + L" --ini-dir \"" + folder + L"\"",
                          folder);
    CHECK(run.ended);
    CHECK_EQ(run.exitCode, DWORD{0});
    CHECK_EQ(run.err, std::string());
    CHECK_EQ(withIniFileNameOnly(wintest::unixLines(run.out)), c.json);
  }
}

// The report's bytes come through standard input unchanged (it is UTF-16: text
// mode would take its CR LF units apart).
WIN_TEST(ToolAnalyze, AReportOnStandardInputIsReadAsItsBytes) {
  const DataCase c = dataCase(L"analyze-msinfo-ja");
  const std::wstring folder = wintest::scratchFolder(L"analyze-stdin");
  const wintest::Run run = wintest::runToEnd(tool(), L"analyze -" + c.arguments + L" --ini-dir \"" + folder + L"\"",
                                             folder, c.report);
  CHECK_EQ(run.exitCode, DWORD{0});
  CHECK_EQ(run.err, std::string());
  CHECK_EQ(withIniFileNameOnly(wintest::unixLines(run.out)), c.json);
}

WIN_TEST(ToolAnalyze, AReportThatCannotBeReadIsNamedWithExitStatus2) {
  const std::wstring folder = wintest::scratchFolder(L"analyze-missing");
  const std::vector<std::pair<std::wstring, std::string>> cases = {
      {L"no-such-report.txt", "spanfinder: no-such-report.txt: cannot read the report: No such file or directory\n"},
      {L".", "spanfinder: .: cannot read the report: Is a directory\n"},
  };
  for (const auto& [report, error] : cases) {
    const wintest::Run run = wintest::runToEnd(tool(), L"analyze " + report + L" --board KB20 --memory-address 0", folder);
    CHECK_EQ(run.exitCode, DWORD{2});
    CHECK_EQ(wintest::unixLines(run.err), error);
    CHECK_EQ(run.out, std::string());
  }
}

WIN_TEST(ToolSearch, FindsTheBoardThroughThePcsLibraryAndSystemInformationTool) {
  ToolFolder f(L"tool-search");
  const wintest::Run run = f.spanfinder(L"search --board kb20 --size C00000");
  CHECK_EQ(run.exitCode, DWORD{0});
  std::string folder;
  for (wchar_t c : f.folder) folder += static_cast<char>(c);
  CHECK_EQ(wintest::unixLines(run.out),
           "Board: memory address 0xF2000000, I/O address 0x0000C001\n"
           "I/O window: 0x00000D00-0x0000FFFF, 0x3000 free bytes: found\n"
           "Memory window: 0xF0000000-0xF3FFFFFF\n"
           "0xF1400000-0xF1FFFFFF\n0xF0800000-0xF13FFFFF\n0xF3400000-0xF3FFFFFF\n0xF2800000-0xF33FFFFF\n"
           "Free blocks: 4 of 0xC00000 bytes\n"
           "INI: " + folder + "\\KB20.ini (active block 0xF1400000-0xF1FFFFFF)\n"
           "503: Analysis was completed.\n"
           "509: Nordvale products are working. There is no need to change the resource range.\n");
  CHECK_EQ(run.err, std::string());
  CHECK_EQ(f.libraryCalls(), std::string("init\n"
                                         "config 01021195 01021195 00000010: 1\n"
                                         "config 01021195 01021195 0000001C: 1\n"
                                         "exit\n"));
  CHECK_EQ(f.msinfoCalls(),
           std::string("/categories +ResourcesIO+ResourcesMemory+ComponentsProblemDevices /report C:\\msinfo.txt\n"));
  const std::string ini = f.file(L"KB20.ini");
  const std::wstring text(reinterpret_cast<const wchar_t*>(ini.data()), ini.size() / 2);
  CHECK(text.find(L"\r\nStartAdrs=0xF1400000\r\nEndAdrs=0xF1FFFFFF\r\n;StartAdrs=0xF0800000\r\n") !=
        std::wstring::npos);
}

// How a Search that does not get through ends: the message on standard error,
// exit status 1, and what the tool adds.
WIN_TEST(ToolSearch, ASearchThatStopsSaysWhy) {
  struct Case {
    const wchar_t* name;
    const wchar_t* arguments;
    const wchar_t* msinfoExit;
    bool library;
    std::string err;
  };
  const Case cases[] = {
      {L"tool-ka10", L"search", L"0", true,
       "spanfinder: 504: The specified device was not detected. Check that the board is seated correctly, then "
       "run again.\n"},
      {L"tool-msinfo-3", L"search --board KB20", L"3", true,
       "spanfinder: 701: An error occurred during the execution of the command.\n"},
      {L"tool-no-library", L"search --board KB20", L"0", false,
       "spanfinder: Cfgprobe64.Dll: 900: Failed to initialize application.\n"
       "spanfinder: the access library did not load: Cfgprobe64.Dll was not found beside spanfinder.exe or on "
       "the search path (Windows error 126)\n"},
  };
  for (const Case& c : cases) {
    ToolFolder f(c.name, c.library);
    ::SetEnvironmentVariableW(L"SPANFINDER_MSINFO_EXIT", c.msinfoExit);
    const wintest::Run run = f.spanfinder(c.arguments);
    ::SetEnvironmentVariableW(L"SPANFINDER_MSINFO_EXIT", nullptr);
    CHECK_EQ(run.exitCode, DWORD{1});
    CHECK_EQ(wintest::unixLines(run.err), c.err);
  }
}

// One copy of the program per logon: while the dialog runs, the tool's program
// hands over to it and the tool says so.
WIN_TEST(ToolSearch, WhileTheProgramRunsTheToolLeavesThePcToIt) {
  wintest::DialogRun program(L"tool-beside-program");
  REQUIRE(program.main() != nullptr);
  const wintest::Run run = wintest::runToEnd(tool(), L"search --board KB20", program.folder());
  CHECK_EQ(run.exitCode, DWORD{1});
  CHECK_EQ(wintest::unixLines(run.err),
           std::string("spanfinder: the program is running already on this logon: close it, then search again\n"));
  CHECK(program.close());
  CHECK_EQ(program.libraryLog(), std::string("init\nexit\n"));  // the tool's program never loaded it
}
