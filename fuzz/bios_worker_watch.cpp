#include "fuzz/bios_worker_watch.h"

#include <chrono>
#include <thread>

#include "cfgprobe/library_state.h"

namespace fuzz {
namespace {

// Long enough for a worker of 2048 blocks under the sanitizers on a busy machine.
constexpr int kWorkerTimeoutMs = 30000;

bool isBlockRequest(std::uint32_t code) { return code == sim::access::kReadBlock || code == sim::access::kWriteBlock; }

}  // namespace

BiosWorkerWatch::BiosWorkerWatch(sim::Machine& machine) : machine_(machine) {}

BiosWorkerWatch::~BiosWorkerWatch() {
  {
    std::lock_guard lock(gate_->mutex);
    gate_->open = true;
  }
  gate_->changed.notify_all();
  machine_.accessDriver.onRequest(nullptr);
}

void BiosWorkerWatch::holdBefore(std::int64_t block) {
  // Block requests are counted from here on: the caller's thread makes none.
  machine_.accessDriver.resetCounts();
  completionsBefore_ = completions();
  toWindowsBefore_ = machine_.threads.posted().size();
  {
    std::lock_guard lock(gate_->mutex);
    gate_->holdAt = block;
    gate_->open = block < 0;
  }
  // Only a worker to be held has its requests watched: the searches' many requests
  // go by unhooked.
  if (block < 0) return machine_.accessDriver.onRequest(nullptr);
  machine_.accessDriver.onRequest([gate = gate_](std::uint32_t code, std::uint64_t earlier) {
    if (!isBlockRequest(code)) return;
    std::unique_lock lock(gate->mutex);
    if (gate->open || static_cast<std::int64_t>(earlier) != gate->holdAt) return;
    gate->holding = true;
    gate->changed.notify_all();
    gate->changed.wait(lock, [&] { return gate->open; });
    gate->holding = false;
  });
}

bool BiosWorkerWatch::held() const {
  std::lock_guard lock(gate_->mutex);
  return gate_->holding;
}

int BiosWorkerWatch::completions() const {
  return static_cast<int>(machine_.threads.posted().size()) + machine_.threads.postedWithoutWindow();
}

bool BiosWorkerWatch::ended() const { return completions() > completionsBefore_; }
bool BiosWorkerWatch::endedOrHeld() const { return ended() || held(); }
bool BiosWorkerWatch::idle() const {
  return cfgprobe::currentStatus() == kStatusIdle && machine_.threads.running() == 0;
}

bool BiosWorkerWatch::waitFor(int milliseconds, bool (BiosWorkerWatch::*done)() const) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!(this->*done)()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

bool BiosWorkerWatch::settle() { return waitFor(kWorkerTimeoutMs, &BiosWorkerWatch::endedOrHeld); }

bool BiosWorkerWatch::awaitEnd(os::PostedMessage* message, bool* toWindow, bool* idleAtMessage) {
  {
    std::lock_guard lock(gate_->mutex);
    gate_->open = true;
  }
  gate_->changed.notify_all();
  if (!waitFor(kWorkerTimeoutMs, &BiosWorkerWatch::ended)) return false;
  // The library is idle by the time its message can be taken.
  *idleAtMessage = cfgprobe::currentStatus() == kStatusIdle;
  if (!waitFor(kWorkerTimeoutMs, &BiosWorkerWatch::idle)) return false;
  const auto posted = machine_.threads.posted();
  *toWindow = posted.size() > toWindowsBefore_;
  if (*toWindow) *message = posted.back();
  machine_.threads.joinAll();
  return true;
}

}  // namespace fuzz
