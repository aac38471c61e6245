#pragma once
// The library up on a machine with SiI3132 controllers: helpers to add them with a
// flash image, to register a window for the completion messages and wait for
// them, and a gate that holds a BIOS worker at a chosen block request so that a
// test can look at the state while the worker still runs.
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/cfgprobe/library_fixture.h"

namespace cfgprobe_test {

constexpr std::uint32_t kReadBlockCode = 0x9C402434;
constexpr std::uint32_t kWriteBlockCode = 0x9C402430;
constexpr std::uint32_t kBiosMessage = 0x8123;

// An image whose every block differs from every other one.
inline std::vector<std::uint8_t> patternImage(std::size_t size = 131072) {
  std::vector<std::uint8_t> image(size);
  for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<std::uint8_t>(i * 7 + i / 64);
  return image;
}

// Holds the thread that sends request number `at` (from 0, counted since the
// gate was made) of one code until the test opens the gate again.
class RequestGate {
 public:
  RequestGate(sim::AccessDriver& driver, std::uint32_t code, std::vector<std::uint64_t> holds)
      : driver_(driver), state_(std::make_shared<State>()) {
    driver.resetCounts();
    state_->holds = std::move(holds);
    driver.onRequest([state = state_, code](std::uint32_t c, std::uint64_t earlier) {
      if (c != code) return;
      std::unique_lock lock(state->mutex);
      for (std::uint64_t hold : state->holds) {
        if (hold != earlier || state->shut) continue;
        state->heldAt = static_cast<std::int64_t>(earlier);
        state->changed.notify_all();
        state->changed.wait(lock, [&] { return state->heldAt < 0 || state->shut; });
      }
    });
  }
  ~RequestGate() {
    {
      std::lock_guard lock(state_->mutex);
      state_->shut = true;
    }
    state_->changed.notify_all();
    driver_.onRequest(nullptr);
  }
  RequestGate(const RequestGate&) = delete;
  RequestGate& operator=(const RequestGate&) = delete;

  // Waits until a thread is held at request `at`.
  bool waitHeldAt(std::uint64_t at) {
    std::unique_lock lock(state_->mutex);
    return state_->changed.wait_for(lock, std::chrono::seconds(20),
                                    [&] { return state_->heldAt == static_cast<std::int64_t>(at); });
  }
  void release() {
    {
      std::lock_guard lock(state_->mutex);
      state_->heldAt = -1;
    }
    state_->changed.notify_all();
  }

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::uint64_t> holds;
    std::int64_t heldAt = -1;
    bool shut = false;
  };
  sim::AccessDriver& driver_;
  std::shared_ptr<State> state_;
};

class ControllerTest : public LibraryTest {
 public:
  void SetUp() override {
    LibraryTest::SetUp();
    ASSERT_EQ(KX_InitLibrary(), 1);
    window_ = machine().windows.createWindow(nullptr, u"caller");
  }
  // For the set-up steps of table-driven cases.
  sim::Machine& simMachine() { return machine(); }

  sim::SiI3132& addController(std::uint8_t bus, std::uint8_t device, std::uint8_t function,
                              std::vector<std::uint8_t> image = {}) {
    sim::SiI3132Setup setup;
    setup.location = {bus, device, function};
    setup.flashImage = std::move(image);
    sim::SiI3132& controller = machine().addSiI3132(setup);
    controller.flash().setEraseTimes(70, 18);
    return controller;
  }

  // The controllers found, as KX_GetSiI3132Device reports them.
  int search() {
    int count = -1;
    EXPECT_GE(KX_GetSiI3132Device(&count), -100);
    return count;
  }
  void listenForCompletion() { ASSERT_EQ(KX_SetWindowMessage(window_, kBiosMessage), 1); }
  // The one completion message of a worker; false when none came.
  bool completion(os::PostedMessage* message) {
    const bool arrived = machine().threads.waitForMessage(window_, 20000, message);
    if (arrived) {
      EXPECT_EQ(message->message, kBiosMessage);
    }
    return arrived;
  }
  // Waits for the worker to have returned, after its message.
  void workersDone() { machine().threads.joinAll(); }

  std::string hostFile(const std::string& name) const { return (root() / "C" / "Tools" / name).string(); }
  void writeHostFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(hostFile(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                         static_cast<std::streamsize>(bytes.size()));
  }
  std::vector<std::uint8_t> readHostFile(const std::string& name) const {
    std::ifstream in(hostFile(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  os::Handle window_ = nullptr;
};

}  // namespace cfgprobe_test
