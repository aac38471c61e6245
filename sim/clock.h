#pragma once
// Virtual time: a sleep advances the clock at once and is recorded, so a test can
// prove that a wait happened, and for how long, without spending it. Any thread
// may sleep or read the time.
#include <cstdint>
#include <mutex>
#include <vector>

#include "os/clock.h"

namespace sim {

class Clock final : public os::Clock {
 public:
  void sleep(std::uint32_t milliseconds) override {
    std::lock_guard lock(mutex_);
    now_ += milliseconds;
    sleeps_.push_back(milliseconds);
  }
  std::uint64_t tickCount() override {
    std::lock_guard lock(mutex_);
    return now_;
  }

  // Every sleep so far, in order.
  std::vector<std::uint32_t> sleeps() const {
    std::lock_guard lock(mutex_);
    return sleeps_;
  }
  void advance(std::uint64_t milliseconds) {
    std::lock_guard lock(mutex_);
    now_ += milliseconds;
  }

 private:
  mutable std::mutex mutex_;
  std::uint64_t now_ = 0;
  std::vector<std::uint32_t> sleeps_;
};

}  // namespace sim
