#include "ui/win32/window_system.h"

#include "os/win32/windows_api.h"
#include "ui/win32/dialog_procedure.h"

namespace ui::win32 {

using os::win32::terminated;

namespace {

HWND window(WindowHandle handle) { return static_cast<HWND>(handle); }
HINSTANCE program() { return ::GetModuleHandleW(nullptr); }

}  // namespace

struct WindowSystem::PaintRecord {
  PAINTSTRUCT paint;
};

void WindowSystem::PaintRecordDeleter::operator()(PaintRecord* record) const { delete record; }

bool WindowSystem::initCommonControls(std::uint32_t size, std::uint32_t classes) {
  INITCOMMONCONTROLSEX description{};
  description.dwSize = size;
  description.dwICC = classes;
  return ::InitCommonControlsEx(&description);
}

std::intptr_t WindowSystem::dialogBox(std::uint16_t templateId, WindowHandle owner, DialogProcedure& procedure) {
  DialogState state;
  state.procedure = &procedure;
  return ::DialogBoxParamW(program(), MAKEINTRESOURCEW(templateId), window(owner), &dialogProcedure,
                           reinterpret_cast<LPARAM>(&state));
}

bool WindowSystem::endDialog(WindowHandle dialog, std::intptr_t result) { return ::EndDialog(window(dialog), result); }

std::intptr_t WindowSystem::defaultDialogProcessing(WindowHandle dialog, const Message& message) {
  DialogState* state = dialogState(window(dialog));
  if (!state) {
    ::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  state->defaultProcessingPending = true;
  const LRESULT result = ::DefDlgProcW(window(dialog), message.id, message.wParam, message.lParam);
  // The dialog may be gone by now (WM_NCDESTROY cleared its state).
  if (DialogState* still = dialogState(window(dialog))) still->defaultProcessingPending = false;
  return result;
}

WindowHandle WindowSystem::getDlgItem(WindowHandle dialog, int id) { return ::GetDlgItem(window(dialog), id); }

std::intptr_t WindowSystem::sendMessage(WindowHandle target, std::uint32_t message, std::uintptr_t wParam,
                                        std::intptr_t lParam) {
  return ::SendMessageW(window(target), message, wParam, lParam);
}

int WindowSystem::messageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption,
                             std::uint32_t type) {
  return ::MessageBoxW(window(owner), terminated(text).c_str(), terminated(caption).c_str(), type);
}

MenuHandle WindowSystem::getSystemMenu(WindowHandle target, bool revert) {
  return ::GetSystemMenu(window(target), revert);
}

bool WindowSystem::appendMenu(MenuHandle menu, std::uint32_t flags, std::uintptr_t id, std::u16string_view text) {
  if (flags & MF_SEPARATOR) return ::AppendMenuW(static_cast<HMENU>(menu), flags, id, nullptr);
  return ::AppendMenuW(static_cast<HMENU>(menu), flags, id, terminated(text).c_str());
}

std::u16string WindowSystem::loadString(std::uint16_t id, std::uint16_t langId) {
  // The resource loader picks the STRINGTABLE of the thread's user-interface
  // language first; the program's language rule (Japanese, else English) has
  // chosen langId, which may differ from what Windows would pick by itself.
  ::SetThreadUILanguage(langId);
  // With no buffer LoadStringW gives the resource's own text, which is not
  // terminated, and its length: texts are taken whole, trailing blanks included.
  const wchar_t* text = nullptr;
  const int length = ::LoadStringW(program(), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || !text) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(text), static_cast<std::size_t>(length));
}

IconHandle WindowSystem::loadIcon(std::uint16_t id) { return ::LoadIconW(program(), MAKEINTRESOURCEW(id)); }

FontHandle WindowSystem::createFont(const FontDescription& d) {
  return ::CreateFontW(d.height, d.width, d.escapement, d.orientation, d.weight, d.italic, d.underline, d.strikeOut,
                       d.charSet, d.outPrecision, d.clipPrecision, d.quality, d.pitchAndFamily,
                       terminated(d.face).c_str());
}

bool WindowSystem::deleteFont(FontHandle font) { return ::DeleteObject(static_cast<HFONT>(font)); }

bool WindowSystem::isIconic(WindowHandle target) { return ::IsIconic(window(target)); }

bool WindowSystem::isWindowVisible(WindowHandle target) { return ::IsWindowVisible(window(target)); }

bool WindowSystem::getClientRect(WindowHandle target, Rect* rect) {
  RECT r{};
  if (!::GetClientRect(window(target), &r)) return false;
  if (rect) *rect = Rect{r.left, r.top, r.right, r.bottom};
  return true;
}

int WindowSystem::systemMetric(int index) { return ::GetSystemMetrics(index); }

int WindowSystem::screenDpi() {
  const HDC screen = ::GetDC(nullptr);
  const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

PaintContext WindowSystem::beginPaint(WindowHandle target) {
  std::unique_ptr<PaintRecord, PaintRecordDeleter> record(new PaintRecord{});
  const HDC context = ::BeginPaint(window(target), &record->paint);
  if (!context) return nullptr;
  std::lock_guard lock(paintMutex_);
  paints_[target] = std::move(record);
  return context;
}

void WindowSystem::endPaint(WindowHandle target, PaintContext) {
  std::unique_ptr<PaintRecord, PaintRecordDeleter> record;
  {
    std::lock_guard lock(paintMutex_);
    const auto it = paints_.find(target);
    if (it == paints_.end()) return;
    record = std::move(it->second);
    paints_.erase(it);
  }
  ::EndPaint(window(target), &record->paint);
}

bool WindowSystem::drawIcon(PaintContext context, int x, int y, IconHandle icon) {
  return ::DrawIcon(static_cast<HDC>(context), x, y, static_cast<HICON>(icon));
}

bool WindowSystem::setProp(WindowHandle target, std::u16string_view name, os::Handle value) {
  return ::SetPropW(window(target), terminated(name).c_str(), value);
}

bool WindowSystem::getWindowRect(WindowHandle target, Rect* rect) {
  RECT r{};
  if (!::GetWindowRect(window(target), &r)) return false;
  if (rect) *rect = Rect{r.left, r.top, r.right, r.bottom};
  return true;
}

bool WindowSystem::moveWindow(WindowHandle target, int x, int y) {
  return ::SetWindowPos(window(target), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool WindowSystem::monitorWorkArea(WindowHandle target, Rect* rect) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!::GetMonitorInfoW(::MonitorFromWindow(window(target), MONITOR_DEFAULTTONEAREST), &info)) return false;
  if (rect) *rect = Rect{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
  return true;
}

}  // namespace ui::win32
