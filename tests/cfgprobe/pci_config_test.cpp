// The two PCI scans: which function they find, what they read, what they record,
// and that a scan that finds nothing probes all 65,536 functions.
#include <cstring>
#include <vector>

#include "tests/cfgprobe/library_fixture.h"

namespace cfgprobe_test {
namespace {

constexpr std::uint32_t kBoard = 0x01021195;
constexpr std::uint32_t kController = 0x31321095;

class PciConfig : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    ASSERT_EQ(KX_InitLibrary(), 1);
    machine().accessDriver.resetCounts();
  }
  static std::vector<std::uint8_t> table() {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(DeviceTable);
    return {bytes, bytes + sizeof DeviceTable};
  }
  static bool at(const DEVICEENTRY& e, int bus, int device, int function) {
    return e.bBus == bus && e.bDevice == device && e.bFunction == function;
  }
};

struct MatchCase {
  const char* name;
  std::uint32_t matchRegister;  // what the board's 0x94 holds
  std::uint32_t match;          // what the caller asks for
  int result;
};

void PrintTo(const MatchCase& c, std::ostream* os) { *os << c.name; }

class MatchWord : public PciConfig, public ::testing::WithParamInterface<MatchCase> {};

TEST_P(MatchWord, FunctionIsFoundOnlyWhenItsRegister94Matches) {
  auto& board = addFunction(2, 0, 0, kBoard);
  board.write32(0x10, 0xFE000000);
  board.write32(0x94, GetParam().matchRegister);
  KxULong value = 0xDEAD;
  EXPECT_EQ(KX_GetPCIConfig(kBoard, GetParam().match, 0x10, &value), GetParam().result);
  EXPECT_EQ(value, GetParam().result ? 0xFE000000u : 0xDEADu);
}

INSTANTIATE_TEST_SUITE_P(Cases, MatchWord,
                         ::testing::Values(MatchCase{"Matches", kBoard, kBoard, 1},
                                           MatchCase{"Differs", 0x01021196, kBoard, 0},
                                           MatchCase{"NoMatchWordAsked", 0, 0, 1},
                                           MatchCase{"IgnoredWhenNotAsked", 0x55555555, 0, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PciConfig, FunctionWithWrongMatchWordIsPassedOverForTheNextOfTheDevice) {
  addFunction(0, 5, 0, kBoard).write32(0x94, 0);
  auto& second = addFunction(0, 5, 1, kBoard);
  second.write32(0x94, kBoard);
  second.write32(0x1C, 0xE000);
  KxULong value = 0;
  EXPECT_EQ(KX_GetPCIConfig(kBoard, kBoard, 0x1C, &value), 1);
  EXPECT_EQ(value, 0xE000u);
}

TEST_F(PciConfig, WithoutMatchWordTheFirstFunctionInScanOrderIsRead) {
  addFunction(1, 0, 0, kBoard).write32(0x10, 0x1);
  addFunction(0, 31, 7, kBoard).write32(0x10, 0x2);
  addFunction(0, 3, 2, kBoard).write32(0x10, 0x3);  // function 0 of device 3 is absent
  KxULong value = 0;
  EXPECT_EQ(KX_GetPCIConfig(kBoard, 0, 0x10, &value), 1);
  EXPECT_EQ(value, 0x3u);
}

TEST_F(PciConfig, RegisterThatReadsZeroStillCountsAsFound) {
  addFunction(0, 1, 0, kBoard);
  KxULong value = 0xDEAD;
  EXPECT_EQ(KX_GetPCIConfig(kBoard, 0, 0x10, &value), 1);
  EXPECT_EQ(value, 0u);
}

TEST_F(PciConfig, ReadLeavesStatusAndLastErrorAlone) {
  addFunction(0, 1, 0, kBoard).write32(0x10, 0xFE000000);
  LastError = -2;
  CKXACS::CurrentStatus = kStatusSearching;
  KxULong value = 0;
  EXPECT_EQ(KX_GetPCIConfig(kBoard, 0, 0x10, &value), 1);
  EXPECT_EQ(KX_GetPCIConfig(0x12345678, 0, 0x10, &value), 0);
  EXPECT_EQ(KX_GetLastError(), -2);
  EXPECT_EQ(CKXACS::CurrentStatus, kStatusSearching);
  CKXACS::CurrentStatus = kStatusIdle;
}

TEST_F(PciConfig, RefusedArgumentsReadNothing) {
  addFunction(0, 1, 0, kBoard);
  KxULong value = 0xDEAD;
  EXPECT_EQ(KX_GetPCIConfig(0, 0, 0x10, &value), 0);
  EXPECT_EQ(KX_GetPCIConfig(kBoard, 0, 0x100, &value), 0);  // would name function 1's register
  EXPECT_EQ(KX_GetPCIConfig(kBoard, 0, -4, &value), 0);
  EXPECT_EQ(KX_GetPCIConfig(kBoard, 0, 0x10, nullptr), 0);
  EXPECT_EQ(value, 0xDEADu);
  EXPECT_EQ(machine().accessDriver.requests(), 0u);
}

TEST_F(PciConfig, ScanThatFindsNothingProbesEveryFunctionWithTwoRequestsEach) {
  addFunction(0, 0, 0, 0x12378086);  // something else is present
  KxULong value = 0xDEAD;
  EXPECT_EQ(KX_GetPCIConfig(kBoard, 0, 0x10, &value), 0);
  EXPECT_EQ(value, 0xDEADu);
  EXPECT_EQ(machine().accessDriver.requests(0x9C402414), 65536u);  // address writes
  EXPECT_EQ(machine().accessDriver.requests(0x9C402410), 65536u);  // data reads
  EXPECT_EQ(machine().accessDriver.requests(), 131072u);
  EXPECT_EQ(machine().devices.eventsOpen(), 0);
}

TEST_F(PciConfig, SearchWithIdentityZeroKeepsTheEarlierTable) {
  addFunction(4, 0, 0, kController);
  ASSERT_EQ(TheLibrary->SearchPCIConfig(kController, 0, 0), 1);
  const auto earlier = table();
  EXPECT_EQ(TheLibrary->SearchPCIConfig(0, 0, 0), 0);
  EXPECT_EQ(table(), earlier);
}

TEST_F(PciConfig, SearchWithoutSubsystemRecordsOnlyTheLocation) {
  addFunction(4, 2, 1, kController);
  ASSERT_EQ(TheLibrary->SearchPCIConfig(kController, 0, 0), 1);
  EXPECT_TRUE(at(DeviceTable[0], 4, 2, 1));
  EXPECT_EQ(DeviceTable[0].wFlashID, 0xFFFF);
  EXPECT_EQ(DeviceTable[0].nSControlPort0, -1);
  EXPECT_EQ(DeviceTable[0].nSControlPort1, -1);
  for (char c : DeviceTable[0].szDescription) ASSERT_EQ(static_cast<unsigned char>(c), 0xFF);
  EXPECT_TRUE(at(DeviceTable[1], 0xFF, 0xFF, 0xFF));
}

TEST_F(PciConfig, SearchLooksOnlyAtTheFirstFunctionOfADeviceWithTheIdentity) {
  addFunction(1, 0, 0, kController).set32(0x2C, 0x00001095);
  addFunction(1, 0, 1, kController).set32(0x2C, kController);  // would match, never looked at
  addFunction(2, 0, 1, kController).set32(0x2C, kController);
  EXPECT_EQ(TheLibrary->SearchPCIConfig(kController, kController, 0), 1);
  EXPECT_TRUE(at(DeviceTable[0], 2, 0, 1));
  EXPECT_TRUE(at(DeviceTable[1], 0xFF, 0xFF, 0xFF));
}

TEST_F(PciConfig, SearchStopsRecordingWhenTheTableIsFull) {
  for (int bus = 0; bus < 20; ++bus) addFunction(bus, 0, 0, kController);
  EXPECT_EQ(TheLibrary->SearchPCIConfig(kController, 0, 0), kDeviceTableSize);
  for (int i = 0; i < kDeviceTableSize; ++i) EXPECT_TRUE(at(DeviceTable[i], i, 0, 0)) << i;
  EXPECT_LT(machine().accessDriver.requests(), 131072u);  // the scan ended with the sixteenth
}

}  // namespace
}  // namespace cfgprobe_test
