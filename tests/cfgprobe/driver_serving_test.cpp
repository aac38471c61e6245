// The access driver serves one request at a time: two threads that program the
// flash through the library's one handle at once cannot interleave their byte
// program sequences (AA 55 A0, data), each of which a cycle of the other would break.
#include <cstring>
#include <mutex>
#include <condition_variable>
#include <thread>

#include "tests/cfgprobe/controller_fixture.h"

namespace cfgprobe_test {
namespace {

class DriverServing : public ControllerTest {};

TEST_F(DriverServing, TwoThreadsProgrammingOnOneHandleAreServedOneAtATime) {
  sim::SiI3132& controller = addController(3, 0, 0);
  ASSERT_EQ(search(), 1);
  const os::Handle device = TheLibrary->hKXDriver;
  const std::uint32_t commandRegister = controller.globalBase() + 0x70;
  // Both threads are inside the driver's request code before either is served.
  std::mutex mutex;
  std::condition_variable arrived;
  int inside = 0;
  machine().accessDriver.onRequest([&](std::uint32_t code, std::uint64_t) {
    if (code != kWriteBlockCode) return;
    std::unique_lock lock(mutex);
    if (++inside <= 2) arrived.wait_for(lock, std::chrono::seconds(5), [&] { return inside >= 2; });
    arrived.notify_all();
  });
  // While one thread's request waits for a flash cycle, the other runs on.
  machine().accessDriver.onStall([] { std::this_thread::yield(); });
  constexpr int kBlocks = 8;
  const auto program = [&](int first, std::uint8_t seed, std::uint32_t* failures) {
    for (int block = first; block < first + kBlocks; ++block) {
      std::uint8_t record[76] = {};
      const std::uint32_t command = 0x02000000u | static_cast<std::uint32_t>(block) * 64;
      std::memcpy(record, &commandRegister, 4);
      std::memcpy(record + 4, &command, 4);
      for (int i = 0; i < 64; ++i) record[12 + i] = static_cast<std::uint8_t>(seed + block * 3 + i);
      std::uint32_t result = 0;
      os::platform().devices->deviceIoControl(device, kWriteBlockCode, record, 76, &result, 4, nullptr, nullptr);
      if (result != 1) ++*failures;
    }
  };
  std::uint32_t failuresA = 0, failuresB = 0;
  std::thread a(program, 0, 0x11, &failuresA), b(program, kBlocks, 0x80, &failuresB);
  a.join();
  b.join();
  machine().accessDriver.onRequest(nullptr);
  machine().accessDriver.onStall(nullptr);
  EXPECT_EQ(failuresA, 0u);
  EXPECT_EQ(failuresB, 0u);
  const std::vector<std::uint8_t> chip = controller.flash().contents();
  for (int block = 0; block < 2 * kBlocks; ++block) {
    const std::uint8_t seed = block < kBlocks ? 0x11 : 0x80;
    for (int i = 0; i < 64; ++i)
      ASSERT_EQ(chip[block * 64 + i], static_cast<std::uint8_t>(seed + block * 3 + i)) << block << " " << i;
  }
  EXPECT_EQ(controller.flash().bytesProgrammed(), 2u * kBlocks * 64);
}

}  // namespace
}  // namespace cfgprobe_test
