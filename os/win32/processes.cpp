// The command interpreter through the C runtime's _wsystem, which starts COMSPEC
// (or cmd.exe when COMSPEC is unset or cannot be started) with "/c" and waits.
#include <cerrno>
#include <cstdlib>

#include "os/win32/adapters.h"
#include "os/win32/windows_api.h"

namespace os::win32 {
namespace {

class Win32Processes final : public Processes {
 public:
  int runThroughInterpreter(std::u16string_view commandLine) override {
    const std::wstring command = terminated(commandLine);
    errno = 0;
    const int status = ::_wsystem(command.c_str());
    if (status == -1 && errno != 0) {
      ::SetLastError(ERROR_FILE_NOT_FOUND);
      return kInterpreterNotStarted;
    }
    return status;
  }
};

}  // namespace

Processes& processes() {
  static Win32Processes instance;
  return instance;
}

}  // namespace os::win32
