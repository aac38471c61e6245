#pragma once
// Spanfinder64.exe started in a folder of its own beside an access library (the KB20
// stand-in, or the real one with a driver),
// its main dialog driven from this process through the window messages a
// person's clicks and typing send it, and its message boxes read and answered.
#include <memory>
#include <optional>
#include <string>

#include "tests/windows/win32_helpers.h"

namespace wintest {

// A message box as it stands on the screen.
struct ShownBox {
  std::wstring caption, text;
  HWND owner = nullptr;
};

class DialogRun {
 public:
  // Makes the folder afresh, starts the program there and waits for its main dialog.
  // The library beside it is the KB20 stand-in unless another file of the build's
  // bin folder is named; a driver named is put into the folder as Cfgprobe64.sys.
  explicit DialogRun(const std::wstring& name, const std::wstring& library = L"kb20\\Cfgprobe64.dll",
                     const std::wstring& driver = L"");
  ~DialogRun();
  DialogRun(const DialogRun&) = delete;
  DialogRun& operator=(const DialogRun&) = delete;

  HWND main() const { return main_; }
  const std::wstring& folder() const { return folder_; }

  // Each of click, clickLater and type first checks that a person could do it: the
  // dialog is shown (visible, not minimised, on the screen) and not disabled by a
  // window it owns, and the control is visible and enabled; a failed check is
  // recorded and the action still sent.
  // BM_CLICK, sent: returns once the dialog has taken the click.
  void click(int id) const;
  // BM_CLICK, posted: for a button whose command does not return at once (Search
  // shows message boxes before it does).
  void clickLater(int id) const;
  // WM_SETTEXT: what typing leaves in a box.
  void type(int id, const std::wstring& text) const;
  std::wstring text(int id) const;
  bool checked(int id) const;

  // The program's next message box, read, answered with OK and gone; nothing when
  // none came within timeoutMs.
  std::optional<ShownBox> answerBox(DWORD timeoutMs = 20000) const;
  // Exit, as the Escape key sends it, and the process's end; its exit code.
  bool close(DWORD* exitCode = nullptr);

  // What the stand-in library logged: its calls, the texts put into the boxes,
  // the message boxes as they came up.
  std::string libraryLog() const;

 private:
  void checkDrivable(int id, const char* action) const;

  std::wstring folder_;
  std::unique_ptr<Child> child_;
  HWND main_ = nullptr;
};

}  // namespace wintest
