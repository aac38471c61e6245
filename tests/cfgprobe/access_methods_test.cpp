// Port and memory access through the driver: what goes into each request, what
// comes back, and what a failed request reads as.
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "tests/cfgprobe/library_fixture.h"

namespace cfgprobe_test {
namespace {

class AccessMethods : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    ASSERT_EQ(KX_InitLibrary(), 1);
    device = TheLibrary->hKXDriver;
    machine().accessDriver.resetCounts();
  }
  std::uint32_t requestWord(std::size_t offset) const {
    const auto bytes = machine_const().accessDriver.lastInput();
    std::uint32_t v = 0;
    std::memcpy(&v, bytes.data() + offset, 4);
    return v;
  }
  const sim::Machine& machine_const() const { return const_cast<AccessMethods*>(this)->machine(); }

  OpenKXACS library;
  os::Handle device = nullptr;
};

TEST_F(AccessMethods, WritePortSendsTheWholeRecordWithPortAndValue) {
  EXPECT_NE(library.dwWritePort(device, 0xCF8, 0x80001234), 0u);
  EXPECT_EQ(machine().accessDriver.lastCode(), 0x9C402414u);
  EXPECT_EQ(requestWord(0), 0x00000CF8u);
  EXPECT_EQ(requestWord(8), 0x80001234u);
  EXPECT_EQ(machine().ports.configAddress(), 0x80001234u & 0x80FFFFFCu);
}

// Reads send only the port or address and take exactly the value's bytes; writes
// send the whole record and take the 4-byte result.
struct RequestShape {
  const char* name;
  std::function<void(OpenKXACS&, os::Handle)> call;
  std::uint32_t code;
  std::uint32_t inputSize;
  std::uint32_t outputSize;
  std::uint32_t word0;  // first word of the request
  std::uint32_t word8;  // word at offset 8 (0 where the request is shorter)
};
void PrintTo(const RequestShape& c, std::ostream* os) { *os << c.name; }

class RequestShapes : public AccessMethods, public ::testing::WithParamInterface<RequestShape> {};

TEST_P(RequestShapes, SendAndTakeExactlyTheirBytes) {
  const RequestShape& c = GetParam();
  c.call(library, device);
  EXPECT_EQ(machine().accessDriver.lastCode(), c.code);
  EXPECT_EQ(machine().accessDriver.lastInputSize(), c.inputSize);
  EXPECT_EQ(machine().accessDriver.lastOutputSize(), c.outputSize);
  const std::uint32_t first = c.inputSize >= 4 ? requestWord(0) : requestWord(0) & 0xFFFF;
  EXPECT_EQ(first, c.word0);
  EXPECT_EQ(requestWord(8), c.word8);
}

INSTANTIATE_TEST_SUITE_P(
    Methods, RequestShapes,
    ::testing::Values(
        RequestShape{"ReadPort", [](OpenKXACS& l, os::Handle d) { l.dwReadPort(d, 0xCFC); }, 0x9C402410, 2, 4, 0xCFC,
                     0},
        RequestShape{"WritePort", [](OpenKXACS& l, os::Handle d) { l.dwWritePort(d, 0xCF8, 0x80000010); },
                     0x9C402414, 76, 4, 0xCF8, 0x80000010},
        RequestShape{"ReadMemByte", [](OpenKXACS& l, os::Handle d) { l.ReadMem(d, 0xFE000071); }, 0x9C402418, 4, 1,
                     0xFE000071, 0},
        RequestShape{"ReadMemDword", [](OpenKXACS& l, os::Handle d) { l.dwReadMem(d, 0xFE000070); }, 0x9C402428, 4,
                     4, 0xFE000070, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AccessMethods, ConfigurationReadThroughThePorts) {
  addFunction(3, 0, 0, 0x31321095);
  library.dwWritePort(device, 0xCF8, 0x80030000);
  EXPECT_EQ(library.dwReadPort(device, 0xCFC), 0x31321095u);
  EXPECT_EQ(machine().accessDriver.lastCode(), 0x9C402410u);
  library.dwWritePort(device, 0xCF8, 0x80030100);  // function 1 is absent
  EXPECT_EQ(library.dwReadPort(device, 0xCFC), 0xFFFFFFFFu);
}

TEST_F(AccessMethods, FailedRequestsReadAndWriteAsZero) {
  addFunction(0, 0, 0, 0x12345678);
  machine().accessDriver.failRequests(-1);
  EXPECT_EQ(library.dwWritePort(device, 0xCF8, 0x80000000), 0u);
  EXPECT_EQ(library.dwReadPort(device, 0xCFC), 0u);
  EXPECT_EQ(library.dwReadMem(device, 0xFE000000), 0u);
  EXPECT_EQ(library.ReadMem(device, 0xFE000000), 0u);
  EXPECT_EQ(machine().accessDriver.requests(), 4u);
}

TEST_F(AccessMethods, ClosedOrMissingHandleReadsAsZero) {
  EXPECT_EQ(library.dwReadPort(nullptr, 0xCFC), 0u);
  EXPECT_EQ(library.dwReadMem(os::invalidHandle(), 0), 0u);
  EXPECT_EQ(machine().accessDriver.requests(), 0u);
}

// Memory is reached inside a controller's windows only; elsewhere the driver
// refuses the read, which the library reads as 0.
TEST_F(AccessMethods, MemoryReadsReachTheControllersWindowsOnly) {
  sim::SiI3132Setup setup;
  setup.location = {3, 0, 0};
  setup.globalBase = 0xFE000000;
  setup.portBase = 0xFE010000;
  machine().addSiI3132(setup);
  machine().memory.write32(0xFE000040, 0xA1B2C3D4);
  EXPECT_EQ(library.dwReadMem(device, 0xFE000040), 0xA1B2C3D4u);
  EXPECT_EQ(library.ReadMem(device, 0xFE000041), 0xC3u);
  auto other = std::make_shared<sim::RegisterBlock>(0x100);
  other->write32(0x40, 0x12345678);
  machine().memory.map(0xFD000000, 0x100, other);  // another device's registers
  EXPECT_EQ(library.dwReadMem(device, 0xFD000040), 0u);
  EXPECT_EQ(library.ReadMem(device, 0xFD000040), 0u);
  EXPECT_EQ(library.dwReadMem(device, 0xFE00007E), 0u);  // runs past the window's end
}

// Without its event a request is not sent: it reads as a failed one.
TEST_F(AccessMethods, RequestWithoutAnEventIsNotSent) {
  addFunction(0, 0, 0, 0x12345678);
  library.dwWritePort(device, 0xCF8, 0x80000000);
  machine().accessDriver.resetCounts();
  machine().devices.failEvents(2);
  EXPECT_EQ(library.dwReadPort(device, 0xCFC), 0u);
  EXPECT_EQ(library.dwWritePort(device, 0xCF8, 0x80000000), 0u);
  EXPECT_EQ(machine().accessDriver.requests(), 0u);
  EXPECT_EQ(library.dwReadPort(device, 0xCFC), 0x12345678u);
}

TEST_F(AccessMethods, EveryRequestHasAnEventOfItsOwnThatIsClosedAgain) {
  const auto before = machine().devices.eventsCreated();
  for (int i = 0; i < 5; ++i) library.dwReadPort(device, 0xCFC);
  EXPECT_EQ(machine().devices.eventsCreated() - before, 5u);
  EXPECT_EQ(machine().devices.eventsOpen(), 0);
}

}  // namespace
}  // namespace cfgprobe_test
