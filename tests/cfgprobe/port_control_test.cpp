// Link-speed limits: the values, lower filter and description mark a limit
// leaves on the controller's Windows device, and the filter driver's service.
#include <cstring>
#include <functional>

#include "tests/cfgprobe/controller_fixture.h"

namespace cfgprobe_test {
namespace {

constexpr char kDescription[] = "Silicon Image SiI 3132 SATALink Controller";

class PortControl : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    addController(3, 0, 0);
    ASSERT_EQ(search(), 1);
    instanceId_ = machine().setup.findPci({3, 0, 0})->instanceId;
    putFilterFile(u"System32\\Drivers\\TavSCntl.sys");
  }
  void putFilterFile(const std::u16string& relative) { machine().createFile(u"C:\\Windows\\" + relative); }
  sim::DeviceNode& node() { return *machine().setup.find(instanceId_); }

 private:
  std::string instanceId_;
};

TEST_F(PortControl, SpeedFieldOfEachSControlRegister) {
  machine().findSiI3132({3, 0, 0})->setSControl(0, 0x00000310);
  machine().findSiI3132({3, 0, 0})->setSControl(1, 0x000003F3);
  KxLong port0 = -7, port1 = -7;
  EXPECT_EQ(TheLibrary->GetSControl(3, 0, 0, &port0, &port1), 1);
  EXPECT_EQ(port0, 1);
  EXPECT_EQ(port1, 15);
}

TEST_F(PortControl, LimitInstallsTheFilterMarksTheDescriptionOnceAndRegistersTheService) {
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(KX_SetSControl(1, 2, 0), 1);
    EXPECT_EQ(sim::dwordValue(node().hardwareKey, "Port0"), 2u);
    EXPECT_EQ(sim::dwordValue(node().hardwareKey, "Port1"), 0u);
    ASSERT_TRUE(node().lowerFilters);
    EXPECT_EQ(*node().lowerFilters, std::vector<std::string>{"TavSCntl"});
    EXPECT_EQ(node().description, std::string(kDescription) + "(1.5Gbps Driver)");
    // The second round found the first round's registration and took it as it is.
    EXPECT_EQ(machine().services.history("TavSCntl").created, 1);
  }
  const auto service = machine().services.find("TavSCntl");
  ASSERT_TRUE(service);
  EXPECT_EQ(service->displayName, "QS12A/QX12A Filter Driver");
  EXPECT_EQ(service->imagePath, "System32\\Drivers\\TavSCntl.sys");
  EXPECT_EQ(service->loadOrderGroup, "PNP Filter");
  EXPECT_EQ(service->type, os::kServiceKernelDriver);
  EXPECT_EQ(service->startType, os::kServiceDemandStart);
  EXPECT_EQ(machine().services.openHandles(), 0);
  EXPECT_EQ(machine().setup.openKeys(), 0);
  EXPECT_EQ(machine().setup.openSets(), 0);
  // Every call goes to the service database, rather than trusting an earlier one.
  machine().services.failOpenManager(os::kErrorAccessDenied);
  EXPECT_EQ(KX_SetSControl(1, 2, 0), -300);
}

TEST_F(PortControl, NoLimitRemovesFilterAndMarkButStillRegistersTheService) {
  // A limit an earlier run left, on a machine whose filter service is gone since.
  node().lowerFilters = std::vector<std::string>{"TavSCntl"};
  node().description = std::string(kDescription) + "(1.5Gbps Driver)";
  ASSERT_FALSE(machine().services.find("TavSCntl"));
  EXPECT_EQ(KX_SetSControl(1, 0, 0), 1);
  EXPECT_EQ(sim::dwordValue(node().hardwareKey, "Port0"), 0u);
  EXPECT_EQ(sim::dwordValue(node().hardwareKey, "Port1"), 0u);
  EXPECT_FALSE(node().lowerFilters);
  EXPECT_EQ(node().description, kDescription);
  EXPECT_TRUE(machine().services.find("TavSCntl"));
  EXPECT_EQ(machine().services.history("TavSCntl").created, 1);
}

TEST_F(PortControl, RefusedLimitsChangeNothing) {
  struct Case {
    int index, port0, port1, result;
  };
  for (const Case& c : {Case{1, 3, 0, -11}, Case{1, 0, 3, -11}, Case{1, -1, 0, -11}, Case{1, 0, -1, -11},
                        Case{0, 1, 1, -105}, Case{2, 1, 1, -105}, Case{17, 1, 1, -105}}) {
    EXPECT_EQ(KX_SetSControl(c.index, c.port0, c.port1), c.result) << c.index << " " << c.port0 << " " << c.port1;
  }
  EXPECT_TRUE(node().hardwareKey.empty());
  EXPECT_FALSE(node().lowerFilters);
  EXPECT_FALSE(machine().services.find("TavSCntl"));
}

TEST_F(PortControl, DescriptionWithoutRoomForTheMarkStaysAsItIs) {
  const std::string longest(255 - 16, 'd');  // with the mark: 255 characters and the zero
  node().description = longest + "x";
  EXPECT_EQ(KX_SetSControl(1, 1, 1), 1);
  EXPECT_EQ(node().description, longest + "x");
  ASSERT_TRUE(node().lowerFilters);
  node().description = longest;
  EXPECT_EQ(KX_SetSControl(1, 1, 1), 1);
  EXPECT_EQ(node().description, longest + "(1.5Gbps Driver)");
}

struct ParameterFailure {
  const char* name;
  std::function<void(sim::Machine&)> arrange;
  KxLong result;
  bool valuesWritten;
};

class DeviceParameters : public PortControl, public ::testing::WithParamInterface<ParameterFailure> {};

TEST_P(DeviceParameters, FirstFailureEndsTheSetting) {
  GetParam().arrange(machine());
  EXPECT_EQ(TheLibrary->SetDeviceParameters(3, 0, 0, 1, 0), GetParam().result);
  EXPECT_EQ(sim::dwordValue(node().hardwareKey, "Port0").has_value(), GetParam().valuesWritten);
  // The filter and the mark come with the values, or not at all.
  EXPECT_EQ(node().lowerFilters.has_value(), GetParam().valuesWritten);
  EXPECT_EQ(node().description != kDescription, GetParam().valuesWritten);
  EXPECT_FALSE(machine().services.find("TavSCntl"));
  EXPECT_EQ(machine().setup.openKeys(), 0);
}

void faultOn(sim::Machine& m, std::uint32_t property) {
  m.setup.findPci({3, 0, 0})->propertyReadFaults[property] = os::kErrorGenFailure;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeviceParameters,
    ::testing::Values(
        ParameterFailure{"NoDeviceSet", [](sim::Machine& m) { m.setup.failClassDevs(os::kErrorNotEnoughMemory); }, -160,
                         false},
        ParameterFailure{"HardwareIdUnreadable", [](sim::Machine& m) { faultOn(m, os::kSpdrpHardwareId); }, -161, false},
        ParameterFailure{"LocationUnreadable", [](sim::Machine& m) { faultOn(m, os::kSpdrpLocationInformation); }, -161,
                         false},
        ParameterFailure{"NoHardwareKey", [](sim::Machine& m) { m.setup.findPci({3, 0, 0})->hasHardwareKey = false; },
                         -162, false},
        ParameterFailure{"FilterFileMissing",
                         [](sim::Machine& m) { std::filesystem::remove(*m.files.toHost(m.driverFolder() + u"\\TavSCntl.sys")); },
                         -301, true},
        ParameterFailure{"NoServiceDatabase", [](sim::Machine& m) { m.services.failOpenManager(os::kErrorAccessDenied); },
                         -300, true},
        ParameterFailure{"NoMatchingDevice",
                         [](sim::Machine& m) { m.setup.findPci({3, 0, 0})->location = "PCI bus 4, device 1, function 1"; },
                         1, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct FilterServiceCase {
  const char* name;
  bool wow64;
  const char16_t* file;  // relative to the Windows folder; null: none
  KxLong result;
  const char* service;
  const char* imagePath;
  std::uint32_t startType;
};

class FilterService : public PortControl, public ::testing::WithParamInterface<FilterServiceCase> {};

TEST_P(FilterService, RegistersFromTheDriverFolder) {
  const FilterServiceCase& c = GetParam();
  std::filesystem::remove(*machine().files.toHost(u"C:\\Windows\\System32\\Drivers\\TavSCntl.sys"));
  if (c.file) putFilterFile(c.file);
  machine().bitness.wow64 = c.wow64;
  EXPECT_EQ(TheLibrary->AddTAVSCNTLService(), c.result);
  if (c.service) {
    const auto service = machine().services.find(c.service);
    ASSERT_TRUE(service);
    EXPECT_EQ(service->imagePath, c.imagePath);
    EXPECT_EQ(service->startType, c.startType);
  }
  EXPECT_EQ(machine().services.openHandles(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FilterService,
    ::testing::Values(
        FilterServiceCase{"Native", false, u"System32\\Drivers\\TavSCntl.sys", 1, "TavSCntl",
                          "System32\\Drivers\\TavSCntl.sys", os::kServiceDemandStart},
        FilterServiceCase{"NativeFileMissing", false, nullptr, -301, nullptr, nullptr, 0},
        FilterServiceCase{"Wow64", true, u"SysWOW64\\Drivers\\TavSCntl64.sys", 1, "TavSCntl64",
                          "SysWOW64\\Drivers\\TavSCntl64.sys", os::kServiceBootStart},
        FilterServiceCase{"Wow64FileMissing", true, u"System32\\Drivers\\TavSCntl.sys", -303, nullptr, nullptr, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PortControl, ServiceThatCannotBeCreatedOrManagerThatCannotBeOpened) {
  sim::ServiceManager::Service dying;
  dying.name = "TavSCntl";
  dying.imagePath = "x";
  dying.markedForDelete = true;
  machine().services.registerService(dying);
  EXPECT_EQ(TheLibrary->AddTAVSCNTLService(), -300);
  machine().bitness.wow64 = true;
  machine().services.failOpenManager(os::kErrorAccessDenied);
  EXPECT_EQ(TheLibrary->AddTAVSCNTLService(), -302);
}

// A limit reaches only the controller whose location text carries exactly its
// bus, device and function numbers, and each record gets its own description.
struct Neighbours {
  const char* name;
  sim::PciLocation limited, other;
};

class LimitOnOneController : public ControllerTest, public ::testing::WithParamInterface<Neighbours> {};

TEST_P(LimitOnOneController, LeavesItsNeighbourUntouched) {
  const Neighbours& c = GetParam();
  for (const auto& [at, name] : {std::pair{c.limited, "Limited"}, std::pair{c.other, "Other"}}) {
    sim::SiI3132Setup setup;
    setup.location = at;
    machine().addSiI3132(setup, name);
  }
  machine().createFile(u"C:\\Windows\\System32\\Drivers\\TavSCntl.sys");
  ASSERT_EQ(search(), 2);
  int limited = 0;
  for (int index = 1; index <= 2; ++index) {
    const DEVICEENTRY& entry = DeviceTable[index - 1];
    const bool isLimited = entry.bBus == c.limited.bus && entry.bDevice == c.limited.device;
    EXPECT_STREQ(entry.szDescription, isLimited ? "Limited" : "Other");
    if (isLimited) limited = index;
  }
  ASSERT_NE(limited, 0);
  EXPECT_EQ(KX_SetSControl(limited, 1, 1), 1);
  const sim::DeviceNode& other = *machine().setup.findPci(c.other);
  EXPECT_TRUE(other.hardwareKey.empty());
  EXPECT_FALSE(other.lowerFilters);
  EXPECT_EQ(other.description, "Other");
  EXPECT_EQ(sim::dwordValue(machine().setup.findPci(c.limited)->hardwareKey, "Port0"), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, LimitOnOneController,
    ::testing::Values(Neighbours{"Bus1NotBus11", {1, 0, 0}, {11, 0, 0}},
                      Neighbours{"Device1NotDevice10", {3, 1, 0}, {3, 10, 0}},
                      Neighbours{"Bus12Device2NotBus12Device0", {12, 2, 0}, {12, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace cfgprobe_test
