#pragma once
// What the Windows checks do with real processes, windows and resources: folders of
// their own, programs started there, windows of a process waited for and read.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "os/win32/windows_api.h"

namespace wintest {

// The folder of the running test program (where the deliverables were built).
std::wstring programFolder();
// A file the build made, by its path under bin/. The shipped files (a bare name)
// come from the unpacked release package when the checks run on one (its folder in
// SPANFINDER_PACKAGE); the checks' own files (stand-ins, the model driver) and,
// without a package, the shipped ones too, from programFolder().
std::wstring builtFile(const std::wstring& relative);
// An empty folder of the given name under the temporary folder.
std::wstring scratchFolder(const std::wstring& name);
bool copyFileInto(const std::wstring& source, const std::wstring& folder, const std::wstring& name);
std::string readTextFile(const std::wstring& path);
// The file made afresh with exactly these bytes; false when it could not be.
bool writeBinaryFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
// Text-mode output with its Windows line ends made bare line feeds; a CR that was
// not part of a line end stays and shows.
std::string unixLines(std::string text);
// An ASCII path as the library's ANSI calls take it.
std::string narrow(const std::wstring& path);

// A started program; ended (if still running) and its handles closed with the object.
class Child {
 public:
  // Starts program with folder as its current directory; valid() tells whether it started.
  Child(const std::wstring& program, const std::wstring& folder);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  bool valid() const { return process_ != nullptr; }
  DWORD id() const { return id_; }
  // Waits for the end; true with its exit code, false when still running after timeoutMs.
  bool waitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

// A program run to its end with its standard output and error in files of folder
// (and its standard input from inputFile when one is given).
struct Run {
  bool ended = false;  // it started and ended within the time given
  DWORD exitCode = 0;
  std::string out, err;  // as written, line ends and all
};
Run runToEnd(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder,
             const std::wstring& inputFile = {}, DWORD timeoutMs = 60000);

// A file of the source tree (relative with backslashes), as Wine shows the host's
// root: drive Z:. SPANFINDER_SOURCE_DIR is the tree's host path.
std::wstring sourceFile(const std::wstring& relative);

// The first top-level window of process that is visible and matches, polled until
// timeoutMs; null when none came.
HWND waitForWindow(DWORD process, const std::function<bool(HWND)>& matches, DWORD timeoutMs);
// A dialog box (class "#32770") of process with exactly that title.
HWND waitForDialog(DWORD process, const std::wstring& title, DWORD timeoutMs);

// A window's text, also an edit control's of another process.
std::wstring windowText(HWND window);
std::wstring className(HWND window);
std::vector<HWND> childWindows(HWND parent);
// Every child's text, joined with line breaks: what a message box says.
std::wstring allChildTexts(HWND parent);

// A resource of module as bytes; empty when there is none.
std::vector<std::uint8_t> resourceBytes(HMODULE module, const wchar_t* type, const wchar_t* name,
                                        WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));

std::wstring environmentSet(const wchar_t* name, const wchar_t* value);  // returns the value before

}  // namespace wintest
