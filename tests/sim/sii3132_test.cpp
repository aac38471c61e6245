// The simulated SiI3132 as the host reaches it: configuration space, the flash
// command and data registers at BAR0, SControl at BAR2, and the access driver's
// block requests through those registers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "sim/machine.h"

namespace {

constexpr std::uint32_t kGlobal = 0xFE000000;
constexpr std::uint32_t kPorts = 0xFD000000;
constexpr std::uint32_t kStart = 1u << 25, kRead = 1u << 24;

class SimController : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() /
            ("spanfinder-simsii-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root_);
    machine_ = std::make_unique<sim::Machine>(root_);
    sim::SiI3132Setup setup;
    setup.location = {3, 0, 0};
    setup.globalBase = kGlobal;
    setup.portBase = kPorts;
    setup.flashImage = {0x55, 0xAA, 0x12};
    setup.sControl = {0x00000310, 0x00000320};
    controller_ = &machine_->addSiI3132(setup);
  }
  void TearDown() override {
    machine_.reset();
    std::filesystem::remove_all(root_);
  }
  sim::PhysicalMemory& memory() { return machine_->memory; }
  // Reads of the command register until its start bit clears; how many read it set.
  int awaitCycle() {
    int busy = 0;
    while ((memory().read32(kGlobal + 0x70) & kStart) && busy < 100) ++busy;
    return busy;
  }
  std::uint8_t readFlash(std::uint32_t address) {
    memory().write32(kGlobal + 0x70, kStart | kRead | address);
    awaitCycle();
    return memory().read8(kGlobal + 0x74);
  }
  void writeFlash(std::uint32_t address, std::uint8_t value) {
    memory().write8(kGlobal + 0x74, value);
    memory().write32(kGlobal + 0x70, kStart | address);
    awaitCycle();
  }
  // A block request of the access driver, as the library sends it.
  bool blockRequest(std::uint32_t code, std::uint32_t command, std::uint8_t* data, std::uint32_t* result) {
    std::uint8_t record[76] = {};
    const std::uint32_t reg = kGlobal + 0x70;
    std::memcpy(record, &reg, 4);
    std::memcpy(record + 4, &command, 4);
    std::memcpy(record + 12, data, 64);
    std::uint8_t reply[76] = {};
    std::uint32_t returned = 0;
    const bool read = code == 0x9C402434;
    const bool done = machine_->accessDriver.control(code, record, 76, reply, read ? 76 : 4, &returned) == 0;
    if (read)
      std::memcpy(data, reply + 12, 64);
    else
      std::memcpy(result, reply, 4);
    return done;
  }

  std::filesystem::path root_;
  std::unique_ptr<sim::Machine> machine_;
  sim::SiI3132* controller_ = nullptr;
};

TEST_F(SimController, ConfigurationSpaceNamesTheControllerAndItsWindows) {
  sim::PciBus& pci = machine_->pci;
  EXPECT_EQ(pci.read32({3, 0, 0}, 0x00), 0x31321095u);
  EXPECT_EQ(pci.read32({3, 0, 0}, 0x2C), 0x31321095u);
  EXPECT_EQ(pci.read32({3, 0, 0}, 0x10), kGlobal | 0x4);  // 64-bit memory BAR: low bits are not address
  EXPECT_EQ(pci.read32({3, 0, 0}, 0x18), kPorts | 0x4);
  EXPECT_EQ(pci.read32({3, 0, 0}, 0x08) & 0xFF, 0x01u);
  EXPECT_EQ(pci.read32({3, 0, 1}, 0x00), 0xFFFFFFFFu);
}

TEST_F(SimController, FlashRegistersRunOneBusCycleForEachStartedCommand) {
  // A cycle takes its time: the start bit stays set for two reads, and until it
  // clears the data register has the byte it had before.
  memory().write32(kGlobal + 0x70, kStart | kRead | 0x00001);
  EXPECT_EQ(memory().read8(kGlobal + 0x74), 0x00);
  EXPECT_EQ(awaitCycle(), 2);
  EXPECT_EQ(memory().read8(kGlobal + 0x74), 0xAA);
  EXPECT_EQ(readFlash(0x00001), 0xAA);
  EXPECT_EQ(memory().read32(kGlobal + 0x70) & kStart, 0u);  // the cycle is over
  EXPECT_EQ(readFlash(0x20001), 0xAA);  // flash address bits above the chip's 17 are not connected
  // Without the start bit nothing happens.
  memory().write8(kGlobal + 0x74, 0x00);
  memory().write32(kGlobal + 0x70, kRead | 0x00000);
  EXPECT_EQ(memory().read8(kGlobal + 0x74), 0x00);
  // A byte program through the registers only clears bits.
  writeFlash(0x5555, 0xAA);
  writeFlash(0x2AAA, 0x55);
  writeFlash(0x5555, 0xA0);
  writeFlash(0x00002, 0x03);
  EXPECT_EQ(readFlash(0x00002), 0x02);
  writeFlash(0x5555, 0xAA);
  writeFlash(0x2AAA, 0x55);
  writeFlash(0x5555, 0x90);
  EXPECT_EQ(readFlash(0), 0xBF);
  EXPECT_EQ(readFlash(1), 0xB5);
  writeFlash(0, 0xF0);
}

TEST_F(SimController, SControlRegistersHoldTheLinkSpeedOfEachPort) {
  EXPECT_EQ(memory().read32(kPorts + 0x1F00), 0x00000310u);
  EXPECT_EQ(memory().read32(kPorts + 0x3F00), 0x00000320u);
  controller_->setSControl(1, 0x00000300);
  EXPECT_EQ(memory().read32(kPorts + 0x3F00), 0x00000300u);
}

TEST_F(SimController, BlockProgramFailsWhereTheChipIsNotErased) {
  std::uint8_t data[64];
  std::memset(data, 0x5A, sizeof data);
  std::uint32_t result = 7;
  // Block 0 holds 55 AA 12: 0x5A cannot be programmed over it.
  ASSERT_TRUE(blockRequest(0x9C402430, 0x02000000, data, &result));
  EXPECT_EQ(result, 0u);
  // Block 1 is erased: it takes the data, and a block read returns it.
  ASSERT_TRUE(blockRequest(0x9C402430, 0x02000040, data, &result));
  EXPECT_EQ(result, 1u);
  std::uint8_t back[64] = {};
  ASSERT_TRUE(blockRequest(0x9C402434, 0x03000040, back, nullptr));
  EXPECT_EQ(std::memcmp(back, data, 64), 0);
  EXPECT_EQ(controller_->flash().contents()[0x40], 0x5A);
}

TEST_F(SimController, RemovedControllerLeavesTheBusAndItsDeviceNodeIsNoLongerPresent) {
  machine_->removeSiI3132({3, 0, 0});
  EXPECT_EQ(machine_->pci.read32({3, 0, 0}, 0x00), 0xFFFFFFFFu);
  EXPECT_EQ(memory().read32(kGlobal + 0x70), 0xFFFFFFFFu);
  const sim::DeviceNode* node = machine_->setup.findPci({3, 0, 0});
  ASSERT_NE(node, nullptr);
  EXPECT_FALSE(node->present);
  // Back in the same slot: the node it had, present again.
  sim::SiI3132Setup again;
  again.location = {3, 0, 0};
  machine_->addSiI3132(again);
  EXPECT_TRUE(machine_->setup.findPci({3, 0, 0})->present);
  EXPECT_EQ(machine_->setup.nodes().size(), 1u);
}

}  // namespace
