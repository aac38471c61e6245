// The simulated flash chip answers bus cycles as the part does: JEDEC command
// sequences on 0x5555/0x2AAA, programs that only clear bits, erases that take
// their time on the machine's clock, and a broken sequence back to read mode.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "sim/clock.h"
#include "sim/jedec_flash.h"

namespace {

using Cycles = std::vector<std::pair<std::uint32_t, std::uint8_t>>;

class FlashChip : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<std::uint8_t> image(0x100);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i);
    chip.load(image);
  }
  void send(const Cycles& cycles) {
    for (const auto& [address, value] : cycles) chip.write(address, value);
  }

  sim::Clock clock;
  sim::JedecFlash chip{clock, 0xBF, 0xB5};
};

TEST_F(FlashChip, SoftwareIdModeAnswersItsCodesUntilItIsLeft) {
  send({{0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0x90}});
  EXPECT_EQ(chip.read(0x0000), 0xBF);
  EXPECT_EQ(chip.read(0x0001), 0xB5);
  chip.write(0x0000, 0xF0);
  EXPECT_EQ(chip.read(0x0001), 0x01);  // the stored byte again
  // The three-cycle exit works as well.
  send({{0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0x90}, {0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0xF0}});
  EXPECT_EQ(chip.read(0x0000), 0x00);
}

struct ProgramCase {
  std::string name;
  Cycles cycles;
  std::uint32_t address;
  std::uint8_t stored;  // what the address reads afterwards (it held address & 0xFF)
};

class FlashProgram : public FlashChip, public ::testing::WithParamInterface<ProgramCase> {};

TEST_P(FlashProgram, StoresOldAndData) {
  send(GetParam().cycles);
  EXPECT_EQ(chip.read(GetParam().address), GetParam().stored);
  EXPECT_EQ(chip.mode(), sim::JedecFlash::Mode::Read);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, FlashProgram,
    ::testing::Values(
        ProgramCase{"ClearsBits", {{0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0xA0}, {0x00F3, 0x3C}}, 0xF3, 0x30},
        ProgramCase{"CannotSetBits", {{0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0xA0}, {0x0010, 0xFF}}, 0x10, 0x10},
        ProgramCase{"CommandAddressesUseBits14To0", {{0xD555, 0xAA}, {0x2AAA, 0x55}, {0x1D555, 0xA0}, {0x80, 0x0F}},
                    0x80, 0x00},
        ProgramCase{"BrokenSecondCycle", {{0x5555, 0xAA}, {0x2AAB, 0x55}, {0x5555, 0xA0}, {0x00F3, 0x0C}}, 0xF3, 0xF3},
        ProgramCase{"UnknownCommand", {{0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0x77}, {0x00F3, 0x0C}}, 0xF3, 0xF3},
        ProgramCase{"DataWithoutACommand", {{0x00F3, 0x0C}}, 0xF3, 0xF3}),
    [](const auto& info) { return info.param.name; });

TEST_F(FlashChip, ChipEraseTakesItsTimeAndThenEveryByteIsErased) {
  chip.setEraseTimes(70, 18);
  send({{0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0x80}, {0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0x10}});
  EXPECT_EQ(chip.mode(), sim::JedecFlash::Mode::Erasing);
  // While it erases: bit 7 low, bit 6 toggling, and commands are ignored.
  const std::uint8_t first = chip.read(0x10), second = chip.read(0x10);
  EXPECT_EQ(first & 0x80, 0);
  EXPECT_NE(first & 0x40, second & 0x40);
  send({{0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0xA0}, {0x0011, 0x00}});
  clock.advance(69);
  EXPECT_EQ(chip.mode(), sim::JedecFlash::Mode::Erasing);
  clock.advance(1);
  const auto contents = chip.contents();
  for (std::uint8_t byte : contents) ASSERT_EQ(byte, 0xFF);
  EXPECT_EQ(chip.chipErases(), 1);
  EXPECT_EQ(chip.bytesProgrammed(), 0u);
}

TEST_F(FlashChip, SectorEraseClearsOnlyItsFourKilobytes) {
  chip.setEraseTimes(0, 0);
  std::vector<std::uint8_t> image(0x2000, 0x00);
  chip.load(image);
  send({{0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0x80}, {0x5555, 0xAA}, {0x2AAA, 0x55}, {0x1234, 0x30}});
  EXPECT_EQ(chip.read(0x0FFF), 0x00);
  EXPECT_EQ(chip.read(0x1000), 0xFF);
  EXPECT_EQ(chip.read(0x1FFF), 0xFF);
  EXPECT_EQ(chip.read(0x2000), 0xFF);  // never written: erased from the start
}

TEST_F(FlashChip, AddressesBeyondTheChipWrapAround) {
  EXPECT_EQ(chip.read(0x20005), 0x05);
  EXPECT_EQ(chip.read(0x60005), 0x05);
}

}  // namespace
