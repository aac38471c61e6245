#include <process.h>

#include <new>

#include "os/win32/adapters.h"
#include "os/win32/windows_api.h"

namespace os::win32 {
namespace {

HWND window(Handle handle) { return static_cast<HWND>(handle); }

// Milliseconds left of a wait that began at start (INFINITE stays INFINITE).
DWORD remaining(DWORD timeoutMs, ULONGLONG start) {
  if (timeoutMs == INFINITE) return INFINITE;
  const ULONGLONG spent = ::GetTickCount64() - start;
  return spent >= timeoutMs ? 0 : static_cast<DWORD>(timeoutMs - spent);
}

// What a module thread is started with; the thread frees it before it runs.
struct ModuleThreadStart {
  ThreadProcedure procedure;
  void* argument;
  HMODULE module;
};

DWORD WINAPI runModuleThread(void* parameter) {
  const ModuleThreadStart start = *static_cast<ModuleThreadStart*>(parameter);
  delete static_cast<ModuleThreadStart*>(parameter);
  start.procedure(start.argument);
  // Never returns into the module's code, which may be unmapped by now.
  ::FreeLibraryAndExitThread(start.module, 0);
}

class Win32Threads final : public Threads {
 public:
  bool beginThread(ThreadProcedure procedure, void* argument) override {
    return ::_beginthread(procedure, 0, argument) != static_cast<std::uintptr_t>(-1);
  }

  bool beginModuleThread(ThreadProcedure procedure, void* argument) override {
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(procedure), &module))
      return false;
    auto* start = new (std::nothrow) ModuleThreadStart{procedure, argument, module};
    const HANDLE thread = start ? ::CreateThread(nullptr, 0, runModuleThread, start, 0, nullptr) : nullptr;
    if (!thread) {
      const DWORD error = start ? ::GetLastError() : ERROR_NOT_ENOUGH_MEMORY;
      delete start;
      ::FreeLibrary(module);
      ::SetLastError(error);
      return false;
    }
    ::CloseHandle(thread);
    return true;
  }

  bool postMessageA(Handle handle, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
    return ::PostMessageA(window(handle), message, wParam, lParam);
  }

  Handle messageWindow() override {
    // A message-only window holds a place in its thread's queue and nothing more.
    // The system destroys a thread's windows when the thread ends.
    thread_local HWND own = nullptr;
    if (!own || !::IsWindow(own))
      own = ::CreateWindowExW(0, plainWindowClass(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              ::GetModuleHandleW(nullptr), nullptr);
    return own;
  }

  bool waitForMessage(Handle handle, std::uint32_t timeoutMs, PostedMessage* message) override {
    const ULONGLONG start = ::GetTickCount64();
    bool timedOut = false;
    for (;;) {
      // Messages sent from other threads are handled by the peek itself.
      MSG posted{};
      if (::PeekMessageW(&posted, window(handle), 0, 0, PM_REMOVE)) {
        if (message) *message = PostedMessage{posted.hwnd, posted.message, posted.wParam, posted.lParam};
        return true;
      }
      if (timedOut) {
        ::SetLastError(ERROR_TIMEOUT);
        return false;
      }
      // Wakes for a message that arrives after the peek above; one for another
      // window of the thread wakes it too and stays in the queue. After the time
      // is up the queue is looked at once more.
      const DWORD left = remaining(timeoutMs, start);
      timedOut = left == 0 ||
                 ::MsgWaitForMultipleObjects(0, nullptr, FALSE, left, QS_POSTMESSAGE | QS_SENDMESSAGE) == WAIT_TIMEOUT;
    }
  }
};

}  // namespace

Threads& threads() {
  static Win32Threads instance;
  return instance;
}

}  // namespace os::win32
