// Every simulated facility that hands out handles keeps the same rules: an open
// handle serves its calls; a closed one, a null one or one of another facility's
// kind fails with ERROR_INVALID_HANDLE, and closing it again fails the same way.
#include <gtest/gtest.h>

#include "sim/device_io.h"
#include "sim/device_setup.h"
#include "sim/file_system.h"
#include "sim/service_manager.h"
#include "sim/system_facts.h"

namespace {

constexpr std::uint32_t kInvalidHandle = 6;  // ERROR_INVALID_HANDLE

struct Answering final : sim::DeviceHandler {
  std::uint32_t control(std::uint32_t, const std::uint8_t*, std::uint32_t, std::uint8_t*, std::uint32_t,
                        std::uint32_t* returned) override {
    *returned = 0;
    return 0;
  }
};

struct Facilities {
  Facilities() {
    devices.createDevice("Probe", handler);
    sim::DeviceNode node;
    node.instanceId = "PCI\\VEN_1095&DEV_3132\\0";
    setup.add(node);
    sim::ServiceManager::Service service;
    service.name = "Probe";
    services.registerService(service);
  }
  sim::SystemFacts facts;
  sim::FileSystem files{facts};
  sim::ServiceManager services{files, facts};
  Answering handler;
  sim::DeviceIo devices;
  sim::DeviceSetup setup;
};

// 0 when the call succeeded, else the error it left.
std::uint32_t errorOf(bool done) { return done ? 0 : os::lastError(); }

os::Handle openSet(Facilities& f) {
  return f.setup.getClassDevsA(nullptr, nullptr, nullptr, 0x4);  // DIGCF_ALLCLASSES
}

struct Kind {
  const char* name;
  os::Handle (*open)(Facilities&);
  std::uint32_t (*use)(Facilities&, os::Handle);
  std::uint32_t (*close)(Facilities&, os::Handle);
};

const Kind kKinds[] = {
    {"Device", [](Facilities& f) { return f.devices.createFileA("\\\\.\\Probe", 0xC0000000, 0, 3, 0); },
     [](Facilities& f, os::Handle h) {
       std::uint32_t returned = 0;
       return errorOf(f.devices.deviceIoControl(h, 0x9C402410, nullptr, 0, nullptr, 0, &returned, nullptr));
     },
     [](Facilities& f, os::Handle h) { return errorOf(f.devices.closeHandle(h)); }},
    {"Event", [](Facilities& f) { return f.devices.createEventA(true, false, nullptr); },
     [](Facilities& f, os::Handle h) { return errorOf(f.devices.setEvent(h)); },
     [](Facilities& f, os::Handle h) { return errorOf(f.devices.closeHandle(h)); }},
    {"ServiceManager", [](Facilities& f) { return f.services.openSCManagerA(nullptr, nullptr, 0xF003F); },
     [](Facilities& f, os::Handle h) {
       const os::Handle service = f.services.openServiceA(h, "Probe", 0x4);  // SERVICE_QUERY_STATUS
       return service ? errorOf(f.services.closeServiceHandle(service)) : os::lastError();
     },
     [](Facilities& f, os::Handle h) { return errorOf(f.services.closeServiceHandle(h)); }},
    {"DeviceInfoSet", openSet,
     [](Facilities& f, os::Handle h) {
       os::DevInfoData data;
       return errorOf(f.setup.enumDeviceInfo(h, 0, &data));
     },
     [](Facilities& f, os::Handle h) { return errorOf(f.setup.destroyDeviceInfoList(h)); }},
    {"RegistryKey",
     [](Facilities& f) {
       const os::Handle set = openSet(f);
       os::DevInfoData data;
       f.setup.enumDeviceInfo(set, 0, &data);
       const os::Handle key = f.setup.openDevRegKey(set, &data, 1, 0, 1, 0x20006);  // DIREG_DEV, KEY_WRITE
       f.setup.destroyDeviceInfoList(set);
       return key;
     },
     [](Facilities& f, os::Handle h) {
       const std::uint8_t one[4] = {1, 0, 0, 0};
       return static_cast<std::uint32_t>(f.setup.regSetValueExA(h, "Port0", 4, one, 4));
     },
     [](Facilities& f, os::Handle h) { return static_cast<std::uint32_t>(f.setup.regCloseKey(h)); }},
};
constexpr std::size_t kKindCount = sizeof kKinds / sizeof kKinds[0];

class HandleRules : public ::testing::TestWithParam<std::size_t> {};

TEST_P(HandleRules, OpenServesClosedNullAndForeignAreRefused) {
  Facilities f;
  const Kind& kind = kKinds[GetParam()];
  const Kind& foreign = kKinds[(GetParam() + 1) % kKindCount];
  const os::Handle handle = kind.open(f);
  const os::Handle other = foreign.open(f);
  ASSERT_TRUE(os::isValid(handle));
  ASSERT_TRUE(os::isValid(other));
  EXPECT_EQ(kind.use(f, handle), 0u);
  EXPECT_EQ(kind.use(f, other), kInvalidHandle) << "a " << foreign.name << " handle";
  EXPECT_EQ(kind.use(f, nullptr), kInvalidHandle);
  EXPECT_EQ(kind.close(f, handle), 0u);
  EXPECT_EQ(kind.use(f, handle), kInvalidHandle);
  EXPECT_EQ(kind.close(f, handle), kInvalidHandle);
  EXPECT_EQ(foreign.use(f, other), 0u);  // closing one left the other open
  EXPECT_EQ(foreign.close(f, other), 0u);
}

INSTANTIATE_TEST_SUITE_P(EveryFacility, HandleRules, ::testing::Range<std::size_t>(0, kKindCount),
                         [](const auto& info) { return std::string(kKinds[info.param].name); });

}  // namespace
