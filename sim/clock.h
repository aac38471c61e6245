#pragma once
// Virtual time: a sleep advances the clock at once and is recorded, so a test can
// prove that a wait happened, and for how long, without spending it.
#include <cstdint>
#include <vector>

#include "os/clock.h"

namespace sim {

class Clock final : public os::Clock {
 public:
  void sleep(std::uint32_t milliseconds) override {
    now_ += milliseconds;
    sleeps_.push_back(milliseconds);
  }
  std::uint64_t tickCount() override { return now_; }

  // Every sleep so far, in order.
  const std::vector<std::uint32_t>& sleeps() const { return sleeps_; }
  void advance(std::uint64_t milliseconds) { now_ += milliseconds; }

 private:
  std::uint64_t now_ = 0;
  std::vector<std::uint32_t> sleeps_;
};

}  // namespace sim
