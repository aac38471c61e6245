#pragma once
// Threads of the simulated machine's processes and the message queues of its
// windows. A thread runs on a host thread of its own; the machine keeps it (as
// Windows keeps a thread object) so that a test can wait for every thread it
// started to have returned before the machine goes away. A message posted to a
// window waits in the queue until someone takes it; a message posted without a
// window goes to the posting thread's own queue, where no window sees it. Each
// thread that asks gets a message window of its own, which no window enumeration
// lists; it stays for the machine's life.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "os/threads.h"

namespace sim {

class Windows;

class Threads final : public os::Threads {
 public:
  explicit Threads(Windows& windows) : windows_(windows) {}
  ~Threads() override { joinAll(); }
  Threads(const Threads&) = delete;
  Threads& operator=(const Threads&) = delete;

  bool beginThread(os::ThreadProcedure procedure, void* argument) override;
  // The module reference is one of the host's loader (a library the machine loads
  // through it, as the native access library), dropped after procedure returns.
  bool beginModuleThread(os::ThreadProcedure procedure, void* argument) override;
  bool postMessageA(os::Handle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
  os::Handle messageWindow() override;
  bool waitForMessage(os::Handle window, std::uint32_t timeoutMs, os::PostedMessage* message) override;

  // Fault: the next count thread starts fail (count < 0: every one, 0: none).
  void failStarts(int count);

  // Waits until every thread started so far has returned.
  void joinAll();
  int started() const;  // threads started over the machine's life
  int running() const;  // threads whose procedure has not returned yet

  // Every message posted to a window so far, in order, taken or not.
  std::vector<os::PostedMessage> posted() const;
  std::size_t pending() const;         // posted to a window and not taken yet
  int postedWithoutWindow() const;     // posts to the posting thread's own queue

 private:
  bool isMessageWindow(os::Handle window) const;  // mutex_ held
  // module: a host loader reference the thread drops when procedure has returned.
  bool start(os::ThreadProcedure procedure, void* argument, void* module);

  Windows& windows_;
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<std::thread> threads_;
  int started_ = 0;
  int running_ = 0;
  int startFailures_ = 0;
  std::deque<os::PostedMessage> queue_;
  std::vector<os::PostedMessage> history_;
  int withoutWindow_ = 0;
  std::map<std::thread::id, os::Handle> messageWindows_;
  // Message windows take handles of their own range, apart from the desktop's.
  std::uintptr_t nextMessageWindow_ = 0x40000010;
};

}  // namespace sim
