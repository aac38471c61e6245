// Finding SiI3132 controllers: what a search records for each, the detection of a
// newly added controller, and the matching of Windows' devices by location text.
#include <cstring>
#include <functional>

#include "tests/cfgprobe/controller_fixture.h"

namespace cfgprobe_test {
namespace {

class Discovery : public ControllerTest {};

TEST_F(Discovery, NoControllerGivesMinus100AndACountOfZero) {
  DeviceCount = 5;
  int count = 9;
  EXPECT_EQ(KX_GetSiI3132Device(&count), -100);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(DeviceCount, 0);
  EXPECT_EQ(CKXACS::CurrentStatus, kStatusIdle);
}

TEST_F(Discovery, SearchRecordsPositionFlashIdentifierSpeedsAndDescription) {
  addController(5, 2, 0).setSControl(0, 0x00000310);
  sim::SiI3132& second = addController(9, 0, 0);
  second.setSControl(1, 0x00000320);
  second.flash().setIdentity(0x1F, 0x07);
  addFunction(2, 0, 0, 0x31321095).set32(0x2C, 0x12345678);  // another board's subsystem
  int count = 0;
  ASSERT_EQ(KX_GetSiI3132Device(&count), 1);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(DeviceCount, 2);
  const DEVICEENTRY& a = DeviceTable[0];
  EXPECT_EQ(a.bBus, 5);
  EXPECT_EQ(a.bDevice, 2);
  EXPECT_EQ(a.bFunction, 0);
  EXPECT_EQ(a.wFlashID, 0xBFB5);
  EXPECT_EQ(a.nSControlPort0, 1);
  EXPECT_EQ(a.nSControlPort1, 0);
  EXPECT_STREQ(a.szDescription, "Silicon Image SiI 3132 SATALink Controller");
  EXPECT_EQ(DeviceTable[1].wFlashID, 0x1F07);
  EXPECT_EQ(DeviceTable[1].nSControlPort1, 2);
  // The identification mode was left again: the chip reads its data.
  EXPECT_EQ(second.flash().mode(), sim::JedecFlash::Mode::Read);
  SIIDEVICEINFO info{};
  ASSERT_EQ(KX_GetSiI3132Info(2, &info), 1);
  EXPECT_EQ(info.bBus, 9);
  EXPECT_EQ(info.wFlashID, 0x1F07);
  EXPECT_EQ(KX_GetSiI3132Info(3, &info), -105);
}

TEST_F(Discovery, ChipThatAnswersAllOnesHasFlashIdentifierFFFF) {
  addController(1, 0, 0).flash().setIdentity(0xFF, 0xFF);
  search();
  EXPECT_EQ(DeviceTable[0].wFlashID, 0xFFFF);
}

// A controller whose windows a 64-bit BAR puts above 4 GB: the low dwords name a
// second controller's windows, which nothing meant for the first may reach.
TEST_F(Discovery, ControllerAbove4GIsListedWithoutAChipAndRefusedEverything) {
  sim::SiI3132& below = addController(3, 0, 0, patternImage());
  below.flash().setIdentity(0x1F, 0x07);
  sim::SiI3132Setup high;
  high.location = {4, 0, 0};
  high.globalBase = 0x4'00000000u | below.globalBase();
  high.portBase = 0x4'00000000u | below.portBase();
  machine().addSiI3132(high);
  ASSERT_EQ(search(), 2);
  EXPECT_EQ(DeviceTable[0].wFlashID, 0x1F07);
  EXPECT_EQ(DeviceTable[1].bBus, 4);
  EXPECT_EQ(DeviceTable[1].wFlashID, 0xFFFF);
  EXPECT_EQ(DeviceTable[1].nSControlPort0, -1);
  EXPECT_EQ(DeviceTable[1].nSControlPort1, -1);

  machine().accessDriver.resetCounts();
  char name[] = "C:\\Tools\\bios.bin";
  BIOSPROPERTYDATA data{};
  KxLong port0 = 7, port1 = 7;
  EXPECT_EQ(KX_EraseBiosData(2), -21);
  EXPECT_EQ(KX_SetBiosData(2, name), -21);
  EXPECT_EQ(KX_GetBiosData(2, name), -21);
  EXPECT_EQ(KX_CompareBiosData(2, name), -21);
  EXPECT_EQ(KX_GetBiosInfo(2, &data), -21);
  EXPECT_EQ(KX_SetSControl(2, 1, 1), -21);
  EXPECT_EQ(TheLibrary->GetSControl(4, 0, 0, &port0, &port1), -21);
  EXPECT_EQ(port0, 7);
  EXPECT_EQ(CKXACS::CurrentStatus, kStatusIdle);
  EXPECT_EQ(machine().threads.started(), 0);
  // Configuration reads only: no memory request, and the other chip is as it was.
  EXPECT_EQ(machine().accessDriver.requests(), machine().accessDriver.requests(sim::access::kReadPort) +
                                                   machine().accessDriver.requests(sim::access::kWritePort));
  EXPECT_EQ(below.flash().chipErases(), 0);
  EXPECT_EQ(below.flash().contents(), patternImage());
  EXPECT_FALSE(machine().setup.findPci({4, 0, 0})->lowerFilters);
}

TEST_F(Discovery, NullOutputsAreRefusedWithoutSearching) {
  addController(1, 0, 0);
  machine().accessDriver.resetCounts();
  EXPECT_EQ(KX_GetSiI3132Device(nullptr), -11);
  EXPECT_EQ(KX_GetSiI3132DeviceEx(0x31321095, 0x31321095, 0, nullptr), -11);
  EXPECT_EQ(KX_GetSiI3132Info(1, nullptr), -11);
  EXPECT_EQ(machine().accessDriver.requests(), 0u);
}

TEST_F(Discovery, SearchWhileBusyIsRefused) {
  addController(1, 0, 0);
  CKXACS::CurrentStatus = kStatusComparingBios;
  int count = 7;
  EXPECT_EQ(KX_GetSiI3132Device(&count), -101);
  EXPECT_EQ(KX_GetSiI3132DeviceEx(0x31321095, 0x31321095, 0, &count), -101);
  EXPECT_EQ(KX_GetNewSiI3132Device(&count), -101);
  EXPECT_EQ(count, 7);
  EXPECT_EQ(CKXACS::CurrentStatus, kStatusComparingBios);
}

TEST_F(Discovery, MoreThanSixteenControllersFillTheTableAndNoMore) {
  for (std::uint8_t bus = 1; bus <= 18; ++bus) addController(bus, 0, 0);
  int count = 0;
  EXPECT_EQ(KX_GetSiI3132Device(&count), 1);
  EXPECT_EQ(count, 16);
  EXPECT_EQ(DeviceTable[15].bBus, 16);
  EXPECT_EQ(KX_GetNewSiI3132Device(&count), -107);
}

// KX_GetNewSiI3132Device after a first search of the machine as arranged, then
// the change made to it.
struct NewControllerCase {
  const char* name;
  std::function<void(ControllerTest&)> before;  // the machine at the first search
  bool firstSearch;
  std::function<void(ControllerTest&)> change;
  int result;
  int index;  // 0: not written
  int count;  // DeviceCount afterwards
};

class NewController : public ControllerTest, public ::testing::WithParamInterface<NewControllerCase> {};

TEST_P(NewController, ReportsTheIndexOfTheOneThatIsNew) {
  const NewControllerCase& c = GetParam();
  c.before(*this);
  if (c.firstSearch) search();
  c.change(*this);
  int index = 0;
  EXPECT_EQ(KX_GetNewSiI3132Device(&index), c.result);
  EXPECT_EQ(index, c.index);
  EXPECT_EQ(DeviceCount, c.count);
  EXPECT_EQ(CKXACS::CurrentStatus, kStatusIdle);
}

void addAt(ControllerTest& t, std::uint8_t bus) { t.addController(bus, 0, 0); }

INSTANTIATE_TEST_SUITE_P(
    Cases, NewController,
    ::testing::Values(
        NewControllerCase{"FirstCallAfterLoading", [](ControllerTest&) {}, false,
                          [](ControllerTest& t) { addAt(t, 4); }, 1, 1, 1},
        NewControllerCase{"InsertedBetweenTwo", [](ControllerTest& t) { addAt(t, 2), addAt(t, 8); }, true,
                          [](ControllerTest& t) { addAt(t, 5); }, 1, 2, 3},
        NewControllerCase{"ChangedRecordAfterTheNewOneWins",
                          [](ControllerTest& t) { addAt(t, 2), addAt(t, 8); }, true,
                          [](ControllerTest& t) {
                            addAt(t, 5);
                            t.simMachine().findSiI3132({8, 0, 0})->setSControl(0, 0x00000310);
                          },
                          1, 3, 3},
        NewControllerCase{"NothingAdded", [](ControllerTest& t) { addAt(t, 2); }, true, [](ControllerTest&) {}, -106, 0,
                          1},
        NewControllerCase{"TwoAdded", [](ControllerTest& t) { addAt(t, 2); }, true,
                          [](ControllerTest& t) { addAt(t, 3), addAt(t, 4); }, -108, 0, 3},
        NewControllerCase{"OneRemoved", [](ControllerTest& t) { addAt(t, 2), addAt(t, 3); }, true,
                          [](ControllerTest& t) { t.simMachine().removeSiI3132({2, 0, 0}); }, -109, 0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Discovery, SixteenRecordedIsRefusedWithoutSearchingEvenWhileBusy) {
  DeviceCount = 16;
  CKXACS::CurrentStatus = kStatusWritingBios;
  machine().accessDriver.resetCounts();
  int index = 0;
  EXPECT_EQ(KX_GetNewSiI3132Device(&index), -107);
  EXPECT_EQ(machine().accessDriver.requests(), 0u);
}

// Whether a device of Windows with this location text stands for the controller.
struct LocationCase {
  const char* name;
  sim::PciLocation controller;
  const char* location;
  bool matches;
};

class LocationText : public ControllerTest, public ::testing::WithParamInterface<LocationCase> {};

TEST_P(LocationText, TheThreeNumbersAreReadInOrderAndComparedExactly) {
  const LocationCase& c = GetParam();
  addController(c.controller.bus, c.controller.device, c.controller.function);
  sim::DeviceNode* node = machine().setup.findPci(c.controller);
  ASSERT_NE(node, nullptr);
  node->location = c.location;
  node->description = "Matched";
  char description[kDescriptionSize];
  std::memset(description, 0xFF, sizeof description);
  OpenKXACS library;
  library.hKXDriver = TheLibrary->hKXDriver;
  EXPECT_EQ(library.GetDeviceDescription(c.controller.bus, c.controller.device, c.controller.function, description), 1);
  if (c.matches)
    EXPECT_STREQ(description, "Matched");
  else
    EXPECT_EQ(static_cast<unsigned char>(description[0]), 0xFF);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LocationText,
    ::testing::Values(LocationCase{"Exact", {3, 0, 0}, "PCI bus 3, device 0, function 0", true},
                      LocationCase{"LargestNumbers", {255, 31, 7}, "PCI bus 255, device 31, function 7", true},
                      LocationCase{"OtherLanguage", {3, 0, 0}, "PCI \xE3\x83\x90\xE3\x82\xB9 3\xE3\x80\x81 0 / 0", true},
                      LocationCase{"Bus1IsNotBus11", {1, 0, 0}, "PCI bus 11, device 0, function 0", false},
                      LocationCase{"Bus12Device2IsNotBus12Device0", {12, 2, 0}, "PCI bus 12, device 0, function 0", false},
                      LocationCase{"NumbersInAnotherOrder", {0, 3, 0}, "PCI bus 3, device 0, function 0", false},
                      LocationCase{"TwoNumbersOnly", {3, 0, 0}, "PCI bus 3, device 0", false},
                      LocationCase{"OtherBus", {3, 0, 0}, "PCI bus 4, device 1, function 1", false},
                      LocationCase{"DeviceMissing", {3, 5, 0}, "PCI bus 3, device 4, function 0", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Discovery, OnlyPresentDevicesWithTheControllersHardwareIdAreRead) {
  addController(3, 0, 0);
  sim::DeviceNode* node = machine().setup.findPci({3, 0, 0});
  node->hardwareIds = std::vector<std::string>{"PCI\\VEN_1095&DEV_3132&SUBSYS_71321095&REV_01"};
  sim::DeviceNode other = *node;
  other.instanceId = "PCI\\OTHER";
  other.hardwareIds = std::vector<std::string>{"PCI\\VEN_1095&DEV_3132&SUBSYS_31321095"};  // no revision: matches
  other.description = "Second";
  machine().setup.add(other);
  sim::DeviceNode phantom = other;
  phantom.instanceId = "PCI\\PHANTOM";
  phantom.present = false;
  phantom.description = "Gone";
  machine().setup.add(phantom);
  sim::DeviceNode bare;
  bare.instanceId = "ROOT\\BARE";  // no hardware ID: passed over
  machine().setup.add(bare);
  search();
  EXPECT_STREQ(DeviceTable[0].szDescription, "Second");
  EXPECT_EQ(machine().setup.openSets(), 0);
}

TEST_F(Discovery, UnreadableDevicePropertiesLeaveTheDescriptionUnfetched) {
  addController(3, 0, 0);
  for (std::uint32_t property : {os::kSpdrpHardwareId, os::kSpdrpLocationInformation, os::kSpdrpDeviceDesc}) {
    SCOPED_TRACE(property);
    machine().setup.findPci({3, 0, 0})->propertyReadFaults = {{property, os::kErrorGenFailure}};
    char description[kDescriptionSize];
    std::memset(description, 0xFF, sizeof description);
    OpenKXACS library;
    EXPECT_EQ(library.GetDeviceDescription(3, 0, 0, description), 0);
    EXPECT_EQ(static_cast<unsigned char>(description[0]), 0xFF);
  }
  machine().setup.failClassDevs(os::kErrorNotEnoughMemory);
  OpenKXACS library;
  char description[kDescriptionSize] = {};
  EXPECT_EQ(library.GetDeviceDescription(3, 0, 0, description), 0);
}

}  // namespace
}  // namespace cfgprobe_test
