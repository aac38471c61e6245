#include "ui/win32/dialog_procedure.h"

#include "ui/win32_values.h"

namespace ui::win32 {

DialogState* dialogState(HWND dialog) {
  return reinterpret_cast<DialogState*>(::GetWindowLongPtrW(dialog, GWLP_USERDATA));
}

INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogState* state = nullptr;
  if (message == WM_INITDIALOG) {
    state = reinterpret_cast<DialogState*>(lParam);
    ::SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
  } else {
    state = dialogState(dialog);
  }
  // Messages before WM_INITDIALOG (WM_SETFONT) are the system's alone.
  if (!state || !state->procedure) return FALSE;
  if (state->defaultProcessingPending) {
    // DefDlgProcW asking the procedure first: the handler wants the system's own
    // processing of this message, so the procedure declines it.
    state->defaultProcessingPending = false;
    return FALSE;
  }

  const Message m{message, wParam, lParam};
  const std::optional<std::intptr_t> result = state->procedure->dialogMessage(dialog, m);
  if (message == WM_NCDESTROY) ::SetWindowLongPtrW(dialog, GWLP_USERDATA, 0);
  if (!result) return FALSE;
  // These two answer through the procedure's own return value; every other message
  // through the dialog's message result.
  if (message == WM_INITDIALOG || message == WM_QUERYDRAGICON) return static_cast<INT_PTR>(*result);
  ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, static_cast<LONG_PTR>(*result));
  return TRUE;
}

}  // namespace ui::win32
