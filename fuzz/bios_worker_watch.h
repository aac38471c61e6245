#pragma once
// Follows the BIOS worker threads of the access library on a simulated machine for
// a fuzz target: holds a worker before a chosen block request, so that the calls
// the input makes next meet a library that is certainly busy, and waits (for a
// bounded time) for a worker's one completion message and for its thread to
// return, so that no worker outlives the input that started it.
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "os/threads.h"
#include "sim/machine.h"

namespace fuzz {

class BiosWorkerWatch {
 public:
  explicit BiosWorkerWatch(sim::Machine& machine);
  // Lets a held worker go and takes the hook away; the machine joins the thread.
  ~BiosWorkerWatch();
  BiosWorkerWatch(const BiosWorkerWatch&) = delete;
  BiosWorkerWatch& operator=(const BiosWorkerWatch&) = delete;

  // Before an operation is started: the worker it may start is held before its
  // block request number `block` (from 0); a negative block holds nothing.
  void holdBefore(std::int64_t block);
  // After a start that returned 1: waits until the worker is held or has posted
  // its message. false when neither happened in time.
  bool settle();
  bool held() const;

  // Messages posted by workers so far, to a window or to no window.
  int completions() const;
  // Lets the worker go and waits until it has posted its message (given in *message
  // when it went to a window; *toWindow says whether it did; *idleAtMessage whether
  // the library was idle as the message was seen) and its thread has returned.
  // false when either did not happen in time.
  bool awaitEnd(os::PostedMessage* message, bool* toWindow, bool* idleAtMessage);

 private:
  struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    std::int64_t holdAt = -1;
    bool holding = false;
    bool open = true;
  };
  bool waitFor(int milliseconds, bool (BiosWorkerWatch::*done)() const) const;
  bool endedOrHeld() const;
  bool ended() const;
  bool idle() const;

  sim::Machine& machine_;
  std::shared_ptr<Gate> gate_ = std::make_shared<Gate>();
  int completionsBefore_ = 0;
  std::size_t toWindowsBefore_ = 0;
};

}  // namespace fuzz
