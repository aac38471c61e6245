// The program's entry on Windows: the Win32 window system and the Win32 facilities.
// Declared without the Win32 headers, which only the adapters include; the
// system's types are handles and a wide text here.
#include "app/program.h"
#include "os/platform.h"
#include "ui/win32/window_system.h"

extern "C" int __stdcall wWinMain(void* /*instance*/, void* /*previous*/, wchar_t* /*commandLine*/, int /*show*/) {
  ui::win32::WindowSystem windows;
  return app::runProgram(windows, os::platform());
}
