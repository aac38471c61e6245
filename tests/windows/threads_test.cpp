// Threads and posted messages through the Win32 adapter: a worker started with
// _beginthread posts one message to the waiting thread's message-only window,
// which waits for it with a timeout; the post is queued, never sent, and reaches
// only the window it names.
#include <cstdint>

#include "os/platform.h"
#include "tests/windows/check.h"
#include "tests/windows/win32_helpers.h"

namespace {

// What a worker posts, and the events by which the test watches it run.
struct Poster {
  HWND window = nullptr;
  HANDLE posted = nullptr;   // set once postMessageA has returned
  HANDLE release = nullptr;  // the worker waits for it before it ends
  HANDLE ended = nullptr;
  bool ok = false;
  DWORD thread = 0;
};

void postOnceAndWait(void* argument) {
  auto* p = static_cast<Poster*>(argument);
  p->thread = ::GetCurrentThreadId();
  p->ok = os::platform().threads->postMessageA(p->window, 0x8123, 3, -205);
  ::SetEvent(p->posted);
  ::WaitForSingleObject(p->release, 20000);
  ::SetEvent(p->ended);
}

void takeMessageWindow(void* argument) {
  auto* p = static_cast<Poster*>(argument);
  p->window = static_cast<HWND>(os::platform().threads->messageWindow());
  ::SetEvent(p->posted);
}

class Events {
 public:
  explicit Events(Poster& p) : p_(p) {
    p.posted = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    p.release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    p.ended = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  }
  ~Events() {
    ::SetEvent(p_.release);
    ::WaitForSingleObject(p_.ended, 20000);
    for (HANDLE h : {p_.posted, p_.release, p_.ended}) ::CloseHandle(h);
  }

 private:
  Poster& p_;
};

}  // namespace

WIN_TEST(Threads, AWorkersOneMessageReachesTheWaitingThreadsMessageWindow) {
  os::Threads& threads = *os::platform().threads;
  const os::Handle window = threads.messageWindow();
  REQUIRE(window != nullptr);
  CHECK(::IsWindow(static_cast<HWND>(window)));
  CHECK_EQ(::GetWindowThreadProcessId(static_cast<HWND>(window), nullptr), ::GetCurrentThreadId());
  CHECK(threads.messageWindow() == window);

  Poster poster;
  poster.window = static_cast<HWND>(window);
  Events events(poster);
  REQUIRE(threads.beginThread(&postOnceAndWait, &poster));
  // Posted, not sent: the call returns while this thread handles no message.
  REQUIRE(::WaitForSingleObject(poster.posted, 20000) == WAIT_OBJECT_0);
  CHECK(poster.ok);
  CHECK(poster.thread != ::GetCurrentThreadId());

  os::PostedMessage message;
  REQUIRE(threads.waitForMessage(window, 10000, &message));
  CHECK(message.window == window);
  CHECK_EQ(message.message, std::uint32_t{0x8123});
  CHECK_EQ(message.wParam, std::uintptr_t{3});
  CHECK_EQ(message.lParam, std::intptr_t{-205});
  // The worker still runs and has posted nothing more.
  CHECK_EQ(::WaitForSingleObject(poster.ended, 0), DWORD{WAIT_TIMEOUT});
  CHECK(!threads.waitForMessage(window, 200, &message));
  CHECK_EQ(os::lastError(), std::uint32_t{1460});
}

WIN_TEST(Threads, AWaitWithoutAMessageEndsAfterItsTimeWithErrorTimeout) {
  os::Threads& threads = *os::platform().threads;
  const os::Handle window = threads.messageWindow();
  REQUIRE(window != nullptr);
  os::PostedMessage message;
  message.message = 77;
  const ULONGLONG start = ::GetTickCount64();
  CHECK(!threads.waitForMessage(window, 300, &message));
  const ULONGLONG spent = ::GetTickCount64() - start;
  CHECK_EQ(os::lastError(), std::uint32_t{1460});
  CHECK_EQ(message.message, std::uint32_t{77});
  // It waited (the tick count moves in steps of some milliseconds).
  if (spent < 250) wintest::fail(__FILE__, __LINE__, "returned after " + std::to_string(spent) + " ms");
  CHECK(!threads.waitForMessage(window, 0, &message));
  CHECK_EQ(os::lastError(), std::uint32_t{1460});
}

// A message for another window of the thread stays where it is for a wait on the
// message window; a wait for any window takes it.
WIN_TEST(Threads, AWaitOnOneWindowLeavesAnotherWindowsMessage) {
  os::Threads& threads = *os::platform().threads;
  os::Windows& windows = *os::platform().windows;
  const os::Handle mine = threads.messageWindow();
  const os::Handle other = windows.createWindow(nullptr, u"other");
  REQUIRE(mine != nullptr && other != nullptr);
  REQUIRE(threads.postMessageA(other, 0x8124, 1, 2));
  os::PostedMessage message;
  CHECK(!threads.waitForMessage(mine, 100, &message));
  CHECK_EQ(os::lastError(), std::uint32_t{1460});
  REQUIRE(threads.postMessageA(mine, 0x8125, 0, 0));
  REQUIRE(threads.waitForMessage(mine, 1000, &message));
  CHECK_EQ(message.message, std::uint32_t{0x8125});
  REQUIRE(threads.waitForMessage(nullptr, 1000, &message));
  CHECK(message.window == other);
  CHECK_EQ(message.message, std::uint32_t{0x8124});
  windows.destroyWindow(other);
}

WIN_TEST(Threads, EveryThreadHasItsOwnMessageWindowWhichNoEnumerationLists) {
  os::Threads& threads = *os::platform().threads;
  const os::Handle mine = threads.messageWindow();
  Poster other;
  other.posted = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  REQUIRE(threads.beginThread(&takeMessageWindow, &other));
  CHECK_EQ(::WaitForSingleObject(other.posted, 20000), DWORD{WAIT_OBJECT_0});
  ::CloseHandle(other.posted);
  CHECK(other.window != nullptr);
  CHECK(other.window != mine);

  struct Search {
    HWND wanted;
    bool found;
  } search{static_cast<HWND>(mine), false};
  ::EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        if (window == s->wanted) s->found = true;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  CHECK(!search.found);
  CHECK(!::IsWindowVisible(static_cast<HWND>(mine)));
}

// PostMessageA's own answer for a window that is not there: 1400.
WIN_TEST(Threads, APostToAWindowThatIsGoneFailsWithInvalidWindowHandle) {
  os::Threads& threads = *os::platform().threads;
  os::Windows& windows = *os::platform().windows;
  const os::Handle destroyed = windows.createWindow(nullptr, u"gone");
  REQUIRE(destroyed != nullptr);
  windows.destroyWindow(destroyed);

  // The message window of a thread that has ended went with it.
  Poster ended;
  ended.posted = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  REQUIRE(threads.beginThread(&takeMessageWindow, &ended));
  ::WaitForSingleObject(ended.posted, 20000);
  ::CloseHandle(ended.posted);
  for (int i = 0; i < 100 && ::IsWindow(ended.window); ++i) ::Sleep(20);

  for (const os::Handle window :
       {destroyed, static_cast<os::Handle>(ended.window), reinterpret_cast<os::Handle>(std::uintptr_t{0x1234567})}) {
    ::SetLastError(0);
    CHECK(!threads.postMessageA(window, 0x8123, 0, 0));
    CHECK_EQ(os::lastError(), std::uint32_t{1400});
  }
}

// A library's worker: the thread holds its module (here the program's own) while it
// runs and ends through FreeLibraryAndExitThread once the procedure has returned.
WIN_TEST(Threads, AModuleThreadRunsItsProcedureAndEnds) {
  os::Threads& threads = *os::platform().threads;
  const os::Handle window = threads.messageWindow();
  REQUIRE(window != nullptr);
  Poster poster;
  poster.window = static_cast<HWND>(window);
  Events events(poster);
  REQUIRE(threads.beginModuleThread(&postOnceAndWait, &poster));
  REQUIRE(::WaitForSingleObject(poster.posted, 20000) == WAIT_OBJECT_0);
  CHECK(poster.ok);
  CHECK(poster.thread != ::GetCurrentThreadId());
  os::PostedMessage message;
  REQUIRE(threads.waitForMessage(window, 10000, &message));
  CHECK_EQ(message.wParam, std::uintptr_t{3});
  const HANDLE thread = ::OpenThread(SYNCHRONIZE, FALSE, poster.thread);
  REQUIRE(thread != nullptr);
  ::SetEvent(poster.release);
  CHECK_EQ(::WaitForSingleObject(thread, 20000), DWORD{WAIT_OBJECT_0});
  ::CloseHandle(thread);
  CHECK(::GetModuleHandleW(nullptr) != nullptr);  // the program's own reference is untouched
}
