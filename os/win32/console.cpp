#include "os/win32/console.h"

#include "os/win32/windows_api.h"

namespace os::win32 {

Utf8Console::Utf8Console() : previous_(::GetConsoleOutputCP()) {
  if (previous_ != 0) ::SetConsoleOutputCP(CP_UTF8);
}

Utf8Console::~Utf8Console() {
  if (previous_ != 0) ::SetConsoleOutputCP(previous_);
}

}  // namespace os::win32
