#pragma once
// Time, shaped after Sleep and GetTickCount64. The simulated back end keeps virtual
// time, so that tests can prove a wait happened without spending it.
// Threads: no BIOS worker thread calls it; any thread may (the simulated clock locks).
#include <cstdint>

namespace os {

class Clock {
 public:
  virtual ~Clock() = default;
  // Sleep: suspends the calling thread for milliseconds.
  virtual void sleep(std::uint32_t milliseconds);
  // GetTickCount64: milliseconds since an arbitrary start.
  virtual std::uint64_t tickCount();
};

}  // namespace os
