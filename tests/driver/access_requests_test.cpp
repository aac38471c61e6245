// The access driver's request path (driver/access_requests.c) on the model PC of
// its model build, through a table that counts every hardware access the request
// makes: what is refused touches nothing, what is served reaches the model's
// ports, registers and flash chip as the hardware would see it.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "driver/access_requests.h"
#include "driver/model/pc_model.h"

namespace {

struct Counts {
  int ports = 0, maps = 0, unmaps = 0, registers = 0;
  std::uint64_t stalled = 0;
};
Counts counts;

const AccessHardware& model() { return *pcModel(); }

// The model behind a table that counts what passes through it.
const AccessHardware kCounted = {
    [](std::uint16_t port) { return ++counts.ports, model().readPort32(port); },
    [](std::uint16_t port, std::uint32_t value) { ++counts.ports, model().writePort32(port, value); },
    [](std::uint32_t address, std::uint32_t size) { return ++counts.maps, model().map(address, size); },
    [](volatile void* mapped, std::uint32_t size) { ++counts.unmaps, model().unmap(mapped, size); },
    [](volatile void* reg) { return ++counts.registers, model().read8(reg); },
    [](volatile void* reg) { return ++counts.registers, model().read32(reg); },
    [](volatile void* reg, std::uint8_t value) { ++counts.registers, model().write8(reg, value); },
    [](volatile void* reg, std::uint32_t value) { ++counts.registers, model().write32(reg, value); },
    [](std::uint32_t address, std::uint32_t size) { return model().isRam(address, size); },
    [](std::uint32_t microseconds) { counts.stalled += microseconds, model().stall(microseconds); },
};

constexpr std::uint32_t kReadPort = 0x9C402410, kWritePort = 0x9C402414, kReadMemByte = 0x9C402418,
                        kWriteMemByte = 0x9C40241C, kReadMemDword = 0x9C402428, kWriteMemDword = 0x9C40242C,
                        kWriteBlock = 0x9C402430, kReadBlock = 0x9C402434;
constexpr std::uint32_t kSuccess = 0, kUnsuccessful = 0xC0000001, kAccessDenied = 0xC0000022,
                        kInvalidParameter = 0xC000000D, kInvalidDeviceRequest = 0xC0000010;
constexpr std::uint32_t kFlashCommandRegister = 0xF3000070;

struct Reply {
  std::uint32_t status = 0, returned = 0;
  std::array<std::uint8_t, 76> buffer{};
  std::uint32_t word() const {
    std::uint32_t w;
    std::memcpy(&w, buffer.data(), 4);
    return w;
  }
};

Reply serve(std::uint32_t code, std::uint32_t input, std::uint32_t output, std::uint32_t address = 0,
            std::uint32_t command = 0, std::uint32_t value = 0, const std::uint8_t* data = nullptr) {
  Reply r;
  std::memcpy(r.buffer.data(), &address, 4);
  std::memcpy(r.buffer.data() + 4, &command, 4);
  std::memcpy(r.buffer.data() + 8, &value, 4);
  if (data) std::memcpy(r.buffer.data() + 12, data, 64);
  r.status = serveAccessRequest(&kCounted, code, r.buffer.data(), input, output, &r.returned);
  return r;
}

class AccessRequests : public ::testing::Test {
 protected:
  void SetUp() override {
    pcModelReset();
    counts = Counts{};
  }
  bool touchedNothing() const { return counts.ports == 0 && counts.maps == 0 && counts.registers == 0; }
};

struct Shape {
  std::uint32_t code, input, output;
};
constexpr Shape kShapes[] = {{kReadPort, 2, 4},      {kWritePort, 76, 4},   {kReadMemByte, 4, 1},
                             {kWriteMemByte, 76, 4}, {kReadMemDword, 4, 4}, {kWriteMemDword, 76, 4},
                             {kWriteBlock, 76, 4},   {kReadBlock, 76, 76}};

TEST_F(AccessRequests, EveryCodeWithABufferOfAnotherSizeIsRefusedUntouched) {
  for (const Shape& shape : kShapes) {
    for (const auto& [input, output] : std::vector<std::pair<std::uint32_t, std::uint32_t>>{
             {shape.input - 1, shape.output}, {shape.input + 1, shape.output}, {0, shape.output},
             {shape.input, shape.output - 1}, {shape.input, shape.output + 1}, {shape.input, 0}}) {
      const Reply r = serve(shape.code, input, output, 0xCF8, 0, 0x80010000);
      EXPECT_EQ(r.status, kInvalidParameter) << std::hex << shape.code << " " << input << "/" << output;
      EXPECT_EQ(r.returned, 0u);
      EXPECT_EQ(r.word(), 0xCF8u);  // the buffer as it came
    }
  }
  EXPECT_TRUE(touchedNothing());
}

TEST_F(AccessRequests, UnknownCodesAreInvalidDeviceRequests) {
  for (const std::uint32_t code : {0x9C402400u, 0x9C40240Cu, 0x9C402420u, 0x9C402438u, 0x9C402411u, 0x9C412410u}) {
    const Reply r = serve(code, 76, 76, 0xCF8, 0, 0x80010000);
    EXPECT_EQ(r.status, kInvalidDeviceRequest) << std::hex << code;
    EXPECT_EQ(r.returned, 0u);
  }
  EXPECT_TRUE(touchedNothing());
}

TEST_F(AccessRequests, PortsCarryConfigurationMechanismOne) {
  Reply w = serve(kWritePort, 76, 4, 0xCF8, 0, 0x80010094);
  EXPECT_EQ(w.status, kSuccess);
  EXPECT_EQ(w.returned, 4u);
  EXPECT_EQ(w.word(), 1u);
  Reply r = serve(kReadPort, 2, 4, 0xCFC);
  EXPECT_EQ(r.returned, 4u);
  EXPECT_EQ(r.word(), 0x01021195u);  // the KB20's match word
  serve(kWritePort, 76, 4, 0xCF8, 0, 0x80030000);
  EXPECT_EQ(serve(kReadPort, 2, 4, 0xCFC).word(), 0xFFFFFFFFu);  // nothing on bus 3
  // A port beyond the 16-bit port space is no port: result 0, nothing written.
  counts = Counts{};
  EXPECT_EQ(serve(kWritePort, 76, 4, 0x10CF8, 0, 0x80000000).word(), 0u);
  EXPECT_EQ(counts.ports, 0);
}

TEST_F(AccessRequests, RamAndWrappingRangesAreNeverMapped) {
  for (const std::uint32_t address : {0x00000000u, 0x000A0000u, 0x7FFFFFFFu, 0xFFFFFFFEu}) {
    EXPECT_EQ(serve(kReadMemByte, 4, 1, address).status, address == 0xFFFFFFFE ? kUnsuccessful : kAccessDenied);
    EXPECT_EQ(serve(kReadMemDword, 4, 4, address).status, kAccessDenied) << std::hex << address;
    EXPECT_EQ(serve(kReadBlock, 76, 76, address).status, kAccessDenied);
    for (const std::uint32_t code : {kWriteMemByte, kWriteMemDword, kWriteBlock}) {
      const Reply r = serve(code, 76, 4, address, 0x02000000, 0xAA);
      EXPECT_EQ(r.status, kSuccess);
      EXPECT_EQ(r.returned, 4u);
      EXPECT_EQ(r.word(), 0u) << std::hex << code << " " << address;
    }
  }
  // Only the byte read and the byte write at 0xFFFFFFFE were tried: no RAM, no wrap
  // (the model has no device there, so neither is served).
  EXPECT_EQ(counts.maps, 2);
}

TEST_F(AccessRequests, DeviceMemoryIsMappedForEachAccessAndGivenBack) {
  EXPECT_EQ(serve(kWriteMemDword, 76, 4, 0xF3000010, 0, 0xCAFEF00D).word(), 1u);
  const Reply dword = serve(kReadMemDword, 4, 4, 0xF3000010);
  EXPECT_EQ(dword.returned, 4u);
  EXPECT_EQ(dword.word(), 0xCAFEF00Du);
  EXPECT_EQ(serve(kWriteMemByte, 76, 4, 0xF3000012, 0, 0x1A5).word(), 1u);  // the low byte only
  const Reply byte = serve(kReadMemByte, 4, 1, 0xF3000012);
  EXPECT_EQ(byte.returned, 1u);
  EXPECT_EQ(byte.buffer[0], 0xA5);
  EXPECT_EQ(serve(kReadMemDword, 4, 4, 0xF3000010).word(), 0xCAA5F00Du);
  EXPECT_EQ(counts.maps, 5);
  EXPECT_EQ(counts.unmaps, 5);
  // Where no device answers the mapping fails: unsuccessful, or result 0.
  EXPECT_EQ(serve(kReadMemDword, 4, 4, 0xF4000000).status, kUnsuccessful);
  EXPECT_EQ(serve(kWriteMemDword, 76, 4, 0xF4000000, 0, 1).word(), 0u);
  EXPECT_EQ(counts.unmaps, 5);
}

TEST_F(AccessRequests, ABlockIsProgrammedByteByByteWithTheJedecSequenceAndReadBack) {
  std::array<std::uint8_t, 64> data;
  for (int i = 0; i < 64; ++i) data[i] = static_cast<std::uint8_t>(i * 37 + 1);
  const Reply programmed = serve(kWriteBlock, 76, 4, kFlashCommandRegister, 0x02000000 | 0x00840, 0, data.data());
  EXPECT_EQ(programmed.status, kSuccess);
  EXPECT_EQ(programmed.word(), 1u);
  EXPECT_EQ(pcModelFlash()->programs, 64u);
  EXPECT_EQ(0, std::memcmp(pcModelFlash()->cells + 0x840, data.data(), 64));
  EXPECT_EQ(pcModelFlash()->cells[0x83F], 0xFF);
  EXPECT_EQ(pcModelFlash()->cells[0x880], 0xFF);
  EXPECT_EQ(counts.maps, 1);
  EXPECT_EQ(counts.unmaps, 1);

  const Reply read = serve(kReadBlock, 76, 76, kFlashCommandRegister, 0x03000000 | 0x00840, 0x77777777);
  EXPECT_EQ(read.status, kSuccess);
  EXPECT_EQ(read.returned, 76u);
  EXPECT_EQ(0, std::memcmp(read.buffer.data() + 12, data.data(), 64));
  EXPECT_EQ(read.word(), kFlashCommandRegister);  // the record's head comes back as sent
  std::uint32_t value;
  std::memcpy(&value, read.buffer.data() + 8, 4);
  EXPECT_EQ(value, 0x77777777u);
}

// Programming can only clear bits: a byte that needs one set again never reads back
// as written. The block fails after the bounded wait, without the bytes after it.
TEST_F(AccessRequests, AByteThatDoesNotReadBackFailsTheBlockAfterAHundredMicroseconds) {
  pcModelFlash()->cells[0x10005] = 0x0F;
  std::array<std::uint8_t, 64> data;
  data.fill(0x3C);
  const Reply r = serve(kWriteBlock, 76, 4, kFlashCommandRegister, 0x02000000 | 0x10000, 0, data.data());
  EXPECT_EQ(r.status, kSuccess);
  EXPECT_EQ(r.word(), 0u);
  EXPECT_EQ(counts.stalled, 100u);
  EXPECT_EQ(pcModelFlash()->programs, 6u);
  EXPECT_EQ(pcModelFlash()->cells[0x10004], 0x3C);
  EXPECT_EQ(pcModelFlash()->cells[0x10005], 0x0C);  // old AND new
  EXPECT_EQ(pcModelFlash()->cells[0x10006], 0xFF);
}

// The chip's identification and erase through single register writes, as the
// library drives them: software ID entry, the two codes, chip erase.
TEST_F(AccessRequests, SingleRegisterWritesReachTheChipsCommandSet) {
  const auto flashWrite = [](std::uint32_t address, std::uint8_t value) {
    serve(kWriteMemByte, 76, 4, 0xF3000074, 0, value);
    serve(kWriteMemDword, 76, 4, kFlashCommandRegister, 0, 0x02000000 | address);
  };
  const auto flashRead = [](std::uint32_t address) {
    serve(kWriteMemDword, 76, 4, kFlashCommandRegister, 0, 0x03000000 | address);
    return serve(kReadMemByte, 4, 1, 0xF3000074).buffer[0];
  };
  pcModelFlash()->cells[0] = 0x55;
  flashWrite(0x5555, 0xAA), flashWrite(0x2AAA, 0x55), flashWrite(0x5555, 0x90);
  EXPECT_EQ(flashRead(0), 0xBF);
  EXPECT_EQ(flashRead(1), 0xB5);
  flashWrite(0, 0xF0);
  EXPECT_EQ(flashRead(0), 0x55);
  for (const auto& [address, value] : std::vector<std::pair<std::uint32_t, std::uint8_t>>{
           {0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0x80}, {0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0x10}})
    flashWrite(address, value);
  EXPECT_EQ(flashRead(0), 0xFF);
}

}  // namespace
