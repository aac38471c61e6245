#pragma once
// Threads and posted window messages, shaped after _beginthread, PostMessageA and
// a caller that waits for a posted message (MsgWaitForMultipleObjects followed by
// PeekMessage with PM_REMOVE). Each call states what it does and what it returns
// on failure. The base class is the "facility absent" back end: no thread starts,
// no message is posted, none arrives.
// Threads: a BIOS worker thread posts its completion message (postMessageA) while
// the caller's thread waits for it; every call may come from any thread.
#include <cstdint>

#include "os/types.h"

namespace os {

// ERROR_TIMEOUT: the wait ended without a message.
constexpr std::uint32_t kErrorTimeout = 1460;

// A message as PostMessageA queued it.
struct PostedMessage {
  Handle window = nullptr;
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

using ThreadProcedure = void (*)(void* argument);

class Threads {
 public:
  virtual ~Threads() = default;

  // _beginthread(procedure, 0, argument): runs procedure(argument) on a new thread
  // with the default stack size. The thread ends by itself when the procedure
  // returns; the caller keeps no handle and never waits for it. true once the
  // thread exists, or false with the system's error (kErrorNotEnoughMemory when no
  // thread could be created).
  virtual bool beginThread(ThreadProcedure procedure, void* argument);

  // beginThread for a library's own worker: the thread holds a reference to the
  // module whose code holds procedure from before it starts until after procedure
  // has returned, so that a caller that frees the library meanwhile (FreeLibrary
  // once the worker has said it is done) does not unmap code the thread still
  // runs; the module then goes when the thread ends. Failure as beginThread.
  // @note Windows: GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) before
  // the thread starts, and the thread ends with FreeLibraryAndExitThread. A
  // procedure of the program itself (no library) holds nothing.
  virtual bool beginModuleThread(ThreadProcedure procedure, void* argument);

  // PostMessageA: places the message in the queue of the thread that owns window
  // and returns at once, without waiting for it to be handled. A null window posts
  // to the calling thread's own queue (no window receives it). false with
  // kErrorInvalidWindowHandle for a window that does not exist.
  virtual bool postMessageA(Handle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

  // The calling thread's message window: a window that is never shown and that
  // exists only to receive posted messages (on Windows a message-only window,
  // HWND_MESSAGE). The first call on a thread creates it; later calls on the same
  // thread return the same handle, other threads get windows of their own. It
  // lives as long as the thread. A caller that wants to learn of a worker's end
  // takes this handle before starting the work, hands it to whoever posts (for
  // example KX_SetWindowMessage) and waits on it with waitForMessage. null with
  // the system's error when no window can be created.
  virtual Handle messageWindow();

  // Waits up to timeoutMs milliseconds for a message posted to window (null: to any
  // window of the calling thread), removes the oldest one from the queue and
  // returns it in *message. window must belong to the calling thread (its
  // messageWindow(), say): a thread waits only on its own queue. false with
  // kErrorTimeout when none arrived in time.
  virtual bool waitForMessage(Handle window, std::uint32_t timeoutMs, PostedMessage* message);
};

}  // namespace os
