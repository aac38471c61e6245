#pragma once
// A lock for a table that every driver request takes several times and holds only
// for a lookup (the device table: the request's event and its device handle): an
// uncontended take is one atomic exchange, with no call into the C library. A
// thread that finds it taken lets others run until it is free.
#include <atomic>
#include <thread>

namespace sim {

class SpinLock {
 public:
  void lock() {
    while (taken_.exchange(true, std::memory_order_acquire)) std::this_thread::yield();
  }
  void unlock() { taken_.store(false, std::memory_order_release); }

 private:
  std::atomic<bool> taken_{false};
};

}  // namespace sim
