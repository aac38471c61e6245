// The access driver's request path (driver/access_requests.c) on the model PC of
// its model build, through a table that counts every hardware access the request
// makes: what is refused touches no memory and writes no port but the
// configuration address, what is served reaches the model's ports, registers and
// flash chip as the hardware would see it.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "driver/access_requests.h"
#include "driver/model/pc_model.h"

namespace {

struct Counts {
  int portReads = 0, portWrites = 0, strayPortWrites = 0, maps = 0, unmaps = 0, registers = 0, dataReads = 0;
  std::uint64_t stalled = 0;
};
Counts counts;
// Model changes the model PC cannot be set up with: the controller's BAR0 upper
// dword (its windows above 4 GB), and a flash cycle whose start bit never clears.
std::uint32_t globalUpperDword = 0;
bool cycleStuck = false;

const AccessHardware& model() { return *pcModel(); }
constexpr std::uint32_t kFlashCommandRegister = 0xF3000070, kFlashDataRegister = 0xF3000074;

volatile void* flashDataRegister() { return model().map(nullptr, kFlashDataRegister, 1); }
volatile void* flashCommandRegister() { return model().map(nullptr, kFlashCommandRegister, 4); }

// The model behind a table that counts what passes through it.
const AccessHardware kCounted = {
    nullptr,
    [](void*, std::uint16_t port) -> std::uint32_t {
      ++counts.portReads;
      if (port == 0xCFC && globalUpperDword && model().readPort32(nullptr, 0xCF8) == 0x80020014)
        return globalUpperDword;
      return model().readPort32(nullptr, port);
    },
    [](void*, std::uint16_t port, std::uint32_t value) {
      ++counts.portWrites;
      if (port != 0xCF8) ++counts.strayPortWrites;
      model().writePort32(nullptr, port, value);
    },
    [](void*, std::uint32_t address, std::uint32_t size) { return ++counts.maps, model().map(nullptr, address, size); },
    [](void*, volatile void* mapped, std::uint32_t size) { ++counts.unmaps, model().unmap(nullptr, mapped, size); },
    [](void*, volatile void* reg) {
      if (reg == flashDataRegister()) ++counts.dataReads;
      return ++counts.registers, model().read8(nullptr, reg);
    },
    [](void*, volatile void* reg) -> std::uint32_t {
      ++counts.registers;
      const std::uint32_t value = model().read32(nullptr, reg);
      return cycleStuck && reg == flashCommandRegister() ? value | 0x02000000 : value;
    },
    [](void*, volatile void* reg, std::uint8_t value) { ++counts.registers, model().write8(nullptr, reg, value); },
    [](void*, volatile void* reg, std::uint32_t value) { ++counts.registers, model().write32(nullptr, reg, value); },
    [](void*, std::uint32_t address, std::uint32_t size) { return model().isRam(nullptr, address, size); },
    [](void*, std::uint32_t microseconds) { counts.stalled += microseconds, model().stall(nullptr, microseconds); },
};

AccessReach reach;

constexpr std::uint32_t kReadPort = 0x9C402410, kWritePort = 0x9C402414, kReadMemByte = 0x9C402418,
                        kWriteMemByte = 0x9C40241C, kReadMemDword = 0x9C402428, kWriteMemDword = 0x9C40242C,
                        kWriteBlock = 0x9C402430, kReadBlock = 0x9C402434;
constexpr std::uint32_t kSuccess = 0, kUnsuccessful = 0xC0000001, kAccessDenied = 0xC0000022,
                        kInvalidParameter = 0xC000000D, kInvalidDeviceRequest = 0xC0000010;
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
  r.status = serveAccessRequest(&kCounted, &reach, code, r.buffer.data(), input, output, &r.returned);
  return r;
}

class AccessRequests : public ::testing::Test {
 protected:
  void SetUp() override {
    pcModelReset();
    counts = Counts{};
    reach = AccessReach{};
    globalUpperDword = 0;
    cycleStuck = false;
  }
  static bool touchedNothing() {
    return counts.portReads == 0 && counts.portWrites == 0 && counts.maps == 0 && counts.registers == 0;
  }
  // No memory reached and no port written but the configuration address (the
  // driver's own look-up of the windows).
  static bool reachedNoMemory() { return counts.maps == 0 && counts.registers == 0 && counts.strayPortWrites == 0; }
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
  EXPECT_EQ(serve(kReadPort, 2, 4, 0x0064).word(), 0xFFFFFFFFu);  // any port may be read
}

// Every port write but the configuration address's is refused with result 0 before
// a port is touched: configuration data, the reset control register next to it,
// the keyboard controller, a port beyond the 16-bit space that would wrap to 0xCF8.
TEST_F(AccessRequests, PortWritesOtherThanTheConfigurationAddressAreRefused) {
  for (const std::uint32_t port : {0xCFCu, 0xCF9u, 0xCFBu, 0x64u, 0x80u, 0x0u, 0x10CF8u, 0xFFFFFFFFu}) {
    const Reply r = serve(kWritePort, 76, 4, port, 0, 0x80010010);
    EXPECT_EQ(r.status, kSuccess);
    EXPECT_EQ(r.returned, 4u);
    EXPECT_EQ(r.word(), 0u) << std::hex << port;
  }
  EXPECT_TRUE(touchedNothing());
}

// Memory outside the controller's two windows (0xF3000000 + 0x80, 0xF3010000 +
// 0x8000) is refused before it is mapped, whatever the code: RAM, a range that
// wraps, the KB20's window, just past either window, across a window's end.
TEST_F(AccessRequests, MemoryOutsideTheControllersWindowsIsRefusedUntouched) {
  for (const std::uint32_t address : {0x00000000u, 0x000A0000u, 0x7FFFFFFFu, 0xFFFFFFFEu, 0xF2000000u, 0xF2FFFFFCu,
                                      0xF3000080u, 0xF300007Eu, 0xF3018000u, 0xF3017FFEu, 0xF4000000u}) {
    const bool byteFits = address == 0xF300007E || address == 0xF3017FFE;  // a byte there is inside
    if (!byteFits) {
      EXPECT_EQ(serve(kReadMemByte, 4, 1, address).status, kAccessDenied) << std::hex << address;
      EXPECT_EQ(serve(kWriteMemByte, 76, 4, address, 0, 0xAA).word(), 0u);
    }
    const Reply dword = serve(kReadMemDword, 4, 4, address);
    EXPECT_EQ(dword.status, kAccessDenied) << std::hex << address;
    EXPECT_EQ(dword.returned, 0u);
    EXPECT_EQ(dword.word(), address);  // the buffer as it came
    EXPECT_EQ(serve(kReadBlock, 76, 76, address, 0x03000000).status, kAccessDenied);
    for (const std::uint32_t code : {kWriteMemDword, kWriteBlock}) {
      const Reply r = serve(code, 76, 4, address, 0x02000000, 0xAA);
      EXPECT_EQ(r.status, kSuccess);
      EXPECT_EQ(r.returned, 4u);
      EXPECT_EQ(r.word(), 0u) << std::hex << code << " " << address;
    }
  }
  EXPECT_TRUE(reachedNoMemory());
  // Block requests name a flash command register, nothing else in the windows.
  for (const std::uint32_t address : {0xF3000000u, 0xF3000074u, 0xF3000071u, 0xF3010070u}) {
    EXPECT_EQ(serve(kReadBlock, 76, 76, address, 0x03000000).status, kAccessDenied) << std::hex << address;
    EXPECT_EQ(serve(kWriteBlock, 76, 4, address, 0x02000000).word(), 0u);
  }
  EXPECT_TRUE(reachedNoMemory());
}

// Opening touches nothing; the first memory request looks the windows up, later
// ones inside them do not, and one outside looks again (a controller may have come).
// The configuration address a caller selected is the same after a look-up.
TEST_F(AccessRequests, WindowsAreFoundAtTheFirstMemoryRequestAndAgainOnAMiss) {
  serve(kWritePort, 76, 4, 0xCF8, 0, 0x80010094);
  counts = Counts{};
  EXPECT_EQ(serve(kReadMemDword, 4, 4, 0xF3010000 + 0x1F00).word(), 0x300u);  // SControl
  EXPECT_GT(counts.portReads, 8192);  // every bus and device
  EXPECT_EQ(counts.strayPortWrites, 0);
  EXPECT_EQ(serve(kReadPort, 2, 4, 0xCFC).word(), 0x01021195u);  // still the KB20's match word
  counts = Counts{};
  EXPECT_EQ(serve(kWriteMemDword, 76, 4, 0xF3010000 + 0x3F00, 0, 0x310).word(), 1u);
  EXPECT_EQ(serve(kReadMemDword, 4, 4, 0xF3010000 + 0x3F00).word(), 0x310u);
  EXPECT_EQ(counts.portReads + counts.portWrites, 0);
  EXPECT_EQ(serve(kReadMemDword, 4, 4, 0xF4000000).status, kAccessDenied);
  EXPECT_GT(counts.portReads, 8192);
}

// A 64-bit window above 4 GB (upper dword at 0x14 not 0) cannot be reached with a
// 32-bit address: the low dword alone names someone else's memory.
TEST_F(AccessRequests, AWindowAbove4GbIsNotServed) {
  globalUpperDword = 1;
  EXPECT_EQ(serve(kReadMemDword, 4, 4, 0xF3000070).status, kAccessDenied);
  EXPECT_EQ(serve(kWriteBlock, 76, 4, kFlashCommandRegister, 0x02000000).word(), 0u);
  EXPECT_EQ(serve(kReadMemDword, 4, 4, 0xF3010000 + 0x1F00).word(), 0x300u);  // BAR2 is below 4 GB
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
}

// A flash cycle whose start bit does not clear within 100 us fails the request that
// started it, and nothing reads the data register or starts another cycle until it
// has: a read of the data register is unsuccessful, a write or block refused.
TEST_F(AccessRequests, TheFlashCycleIsAwaitedAndAStuckOneFailsTheRequest) {
  cycleStuck = true;
  EXPECT_EQ(serve(kWriteMemDword, 76, 4, kFlashCommandRegister, 0, 0x03000000).word(), 0u);
  EXPECT_EQ(counts.stalled, 100u);
  for (const std::uint32_t code : {kReadMemByte, kReadMemDword})
    EXPECT_EQ(serve(code, 4, code == kReadMemByte ? 1 : 4, kFlashDataRegister).status, kUnsuccessful);
  EXPECT_EQ(serve(kReadBlock, 76, 76, kFlashCommandRegister, 0x03000000).status, kUnsuccessful);
  EXPECT_EQ(serve(kWriteBlock, 76, 4, kFlashCommandRegister, 0x02000000).word(), 0u);
  EXPECT_EQ(serve(kWriteMemByte, 76, 4, kFlashDataRegister, 0, 0x12).word(), 0u);
  EXPECT_EQ(counts.dataReads, 0);
  EXPECT_EQ(counts.maps, counts.unmaps);
  EXPECT_EQ(serve(kReadMemDword, 4, 4, kFlashCommandRegister).status, kSuccess);  // the command may be read
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
  // 100 us of data polling, and 2 us for each of the 130 flash cycles (five bytes
  // of four commands and a read back, then the sixth's four and 101 read backs):
  // the model's start bit reads set twice after every command.
  EXPECT_EQ(counts.stalled, 100u + 2 * 130);
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
