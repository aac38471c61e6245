#pragma once
// The DLGPROC of every dialog the Win32 back end runs, and what it keeps per dialog:
// the framework's procedure, and whether the next call is the one DefDlgProcW makes
// back into the procedure while a handler runs the default processing.
#include "os/win32/windows_api.h"
#include "ui/window_system.h"

namespace ui::win32 {

struct DialogState {
  DialogProcedure* procedure = nullptr;
  bool defaultProcessingPending = false;
};

INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The state of a dialog the back end runs, or null for any other window.
DialogState* dialogState(HWND dialog);

}  // namespace ui::win32
