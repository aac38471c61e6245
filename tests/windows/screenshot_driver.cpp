// screenshot_driver.exe PLACE_FILE: brings the main dialog of Spanfinder64.exe to
// what the screenshots show (tests/windows/screenshot.sh): KB20 checked, a Search
// run to its end on the KB20 stand-in and the stand-in msinfo32, its messages
// answered. Then it writes the dialog's place on the screen, "x y width height",
// to PLACE_FILE, keeps the dialog up until PLACE_FILE.done appears (two minutes
// at most) and closes it. Exit status 0 when the Search came through.
#include <cstdio>
#include <string>

#include "tests/windows/check.h"
#include "tests/windows/dialog_driver.h"

// The dialog driver reports through wintest::fail what a person could not have done;
// the screenshot driver, which has no test runner, says it on its standard error.
void wintest::fail(const char* file, int line, const std::string& what) {
  std::fprintf(stderr, "%s:%d: %s\n", file, line, what.c_str());
}

extern "C" int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  const std::wstring place = argv[1];
  wintest::DialogRun run(L"screenshot");
  if (!run.main()) return 1;
  run.click(1015);  // KB20
  run.clickLater(1013);
  int answered = 0;
  while (run.answerBox(answered == 0 ? 30000 : 2000)) ++answered;
  // The caret and focus where a person leaves them: on the Search button.
  ::PostMessageW(run.main(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(run.main(), 1013)), TRUE);
  ::Sleep(500);
  RECT r{};
  ::GetWindowRect(run.main(), &r);
  if (std::FILE* out = _wfopen(place.c_str(), L"wb")) {
    std::fprintf(out, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    std::fclose(out);
  }
  const std::wstring done = place + L".done";
  for (int i = 0; i < 1200 && ::GetFileAttributesW(done.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) ::Sleep(100);
  return answered == 2 && run.close() ? 0 : 1;
}
