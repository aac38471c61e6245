// spanfinder.exe capture on the model PC: the real Cfgprobe64.dll, Wine's service
// manager and the model build of the access driver (a KB20 at bus 1 and a SiI3132
// at bus 2, whose chip starts erased), the stand-in msinfo32 for the report. The
// check leaves the profile and what Spanfinder64.exe's own Search showed on the
// same model (its blocks, its message boxes, its INI file) in its folder, where
// run-under-wine.sh has the native tool replay the profile and compare
// (tests/windows/capture-cross-check.sh).
#include <string>

#include "tests/windows/access_driver_session.h"
#include "tests/windows/check.h"
#include "tests/windows/dialog_driver.h"
#include "tests/windows/win32_helpers.h"

namespace {

constexpr int kSearch = 1013, kKB20 = 1015, kResult = 1019, kSpaceSize = 1020;
// Under Wine on a busy 2-core machine each of the capture's two scans of the
// 65,536 bus, device and function numbers takes about a minute.
constexpr DWORD kCaptureTimeoutMs = 480000;

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += static_cast<char>(c);  // the texts here are ASCII
  return out;
}

}  // namespace

WIN_TEST(ToolCapture, TheModelPcIsCapturedAndItsSearchKeptForTheNativeReplay) {
  const std::wstring folder = wintest::scratchFolder(L"tool-capture");
  REQUIRE(wintest::copyFileInto(wintest::builtFile(L"spanfinder.exe"), folder, L"spanfinder.exe") &&
          wintest::copyFileInto(wintest::builtFile(L"Cfgprobe64.dll"), folder, L"Cfgprobe64.dll") &&
          wintest::copyFileInto(wintest::builtFile(L"model\\Cfgprobe64.sys"), folder, L"Cfgprobe64.sys"));
  wintest::Run run =
      wintest::runToEnd(folder + L"\\spanfinder.exe", L"capture model-pc.json --json", folder, {}, kCaptureTimeoutMs);
  REQUIRE(run.ended);
  CHECK_EQ(run.exitCode, DWORD{0});
  CHECK_EQ(run.err, std::string());
  CHECK(has(run.out, "\"functions\": 2,"));
  CHECK(has(run.out, "\"controllers\": 1,"));
  CHECK(!wintest::driverService().exists);
  const std::string profile = wintest::readTextFile(folder + L"\\model-pc.json");
  CHECK(has(profile, "\"0x94\": \"0x01021195\""));  // the KB20's match word, read through 0xCF8/0xCFC
  CHECK(has(profile, "\"portRegisters\": \"0x"));   // the SiI3132, among the controllers
  CHECK(has(profile, "\"systemName\": \"CHECK-PC\""));

  // The program's own Search on the same model, as in the dialog checks.
  wintest::DialogRun search(L"tool-capture-search", L"Cfgprobe64.dll", L"model\\Cfgprobe64.sys");
  REQUIRE(search.main() != nullptr);
  search.click(kKB20);
  search.type(kSpaceSize, L"C00000");
  search.clickLater(kSearch);
  std::string messages;
  for (DWORD wait = 20000; const auto box = search.answerBox(wait); wait = 5000) messages += narrow(box->text) + "\n";
  CHECK(has(messages, "Analysis was completed.\n"));
  std::string shown = narrow(search.text(kResult));  // the blocks, each line ended with CR LF
  for (std::size_t at; (at = shown.find("\r\n")) != std::string::npos;) shown.replace(at, 2, "\n");
  shown += messages;
  REQUIRE(search.close());
  REQUIRE(wintest::writeBinaryFile(folder + L"\\program-search.txt",
                                   std::vector<std::uint8_t>(shown.begin(), shown.end())));
  REQUIRE(::CopyFileW((search.folder() + L"\\KB20.ini").c_str(), (folder + L"\\program-KB20.ini").c_str(), FALSE));
}
