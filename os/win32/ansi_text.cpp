#include "os/win32/ansi_text.h"

#include "os/win32/windows_api.h"

namespace os::win32 {

bool toAnsiCodePage(std::u16string_view text, std::string& ansi) {
  ansi.clear();
  if (text.empty()) return true;
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int units = static_cast<int>(text.size());
  BOOL usedDefault = FALSE;
  const int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, units, nullptr, 0, nullptr, &usedDefault);
  if (bytes <= 0 || usedDefault) return false;
  ansi.resize(static_cast<std::size_t>(bytes));
  usedDefault = FALSE;
  return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, units, ansi.data(), bytes, nullptr, &usedDefault) ==
             bytes &&
         !usedDefault;
}

}  // namespace os::win32
