// The access driver going away or failing while the library uses it: another
// program stops or deletes its service between two requests, or its requests
// fail. Windows keeps a driver loaded while a handle to its device is open, so the
// library's reads go on until its exit, which then leaves no service behind.
#include <functional>
#include <string>

#include "tests/cfgprobe/library_fixture.h"

namespace cfgprobe_test {
namespace {

constexpr std::uint32_t kBoard = 0x01021195;

// What another program (or an administrator) does to the service "Cfgprobe64".
struct ServiceChange {
  const char* name;
  bool stop, remove;
};

void PrintTo(const ServiceChange& c, std::ostream* os) { *os << c.name; }

class ServiceChangedBetweenRequests : public LibraryTest, public ::testing::WithParamInterface<ServiceChange> {
 protected:
  void changeService(const ServiceChange& change) {
    os::Services& scm = machine().services;
    const os::Handle manager = scm.openSCManagerA(nullptr, nullptr, os::kScManagerAllAccess);
    const os::Handle service = scm.openServiceA(manager, "Cfgprobe64", os::kServiceAllAccess);
    ASSERT_NE(service, nullptr);
    os::ServiceStatus status;
    if (change.stop) {
      ASSERT_TRUE(scm.controlService(service, os::kServiceControlStop, &status));
    }
    if (change.remove) {
      ASSERT_TRUE(scm.deleteService(service));
    }
    scm.closeServiceHandle(service);
    scm.closeServiceHandle(manager);
  }
};

TEST_P(ServiceChangedBetweenRequests, ReadsGoOnAndTheExitLeavesNothing) {
  addFunction(0, 4, 0, kBoard).set32(0x10, 0xF2000000);
  ASSERT_EQ(KX_InitLibrary(), 1);
  KxULong value = 0;
  ASSERT_EQ(KX_GetPCIConfig(kBoard, 0, 0x10, &value), 1);
  changeService(GetParam());

  value = 0;
  EXPECT_EQ(KX_GetPCIConfig(kBoard, 0, 0x10, &value), 1);
  EXPECT_EQ(value, 0xF2000000u);
  EXPECT_EQ(KX_ExitLibrary(), 1);
  EXPECT_FALSE(machine().services.find("Cfgprobe64"));
  EXPECT_FALSE(machine().devices.deviceExists("KxACS"));
  EXPECT_EQ(driverHandlesOpen(), 0);
  EXPECT_EQ(machine().services.openHandles(), 0);
  // And the next start installs the driver afresh.
  EXPECT_EQ(KX_InitLibrary(), 1);
}

INSTANTIATE_TEST_SUITE_P(Changes, ServiceChangedBetweenRequests,
                         ::testing::Values(ServiceChange{"Stopped", true, false},
                                           ServiceChange{"Deleted", false, true},
                                           ServiceChange{"StoppedAndDeleted", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

using DriverFaults = LibraryTest;

// Requests that fail read as 0, so a scan passes over every function: the board
// is reported as not found (the Search's 504), never read as some other value.
TEST_F(DriverFaults, FailingRequestsFindNothingAndWriteNothing) {
  addFunction(0, 4, 0, kBoard).set32(0x10, 0xF2000000);
  ASSERT_EQ(KX_InitLibrary(), 1);
  machine().accessDriver.failRequests(-1);
  KxULong value = 0x12345678;
  EXPECT_EQ(KX_GetPCIConfig(kBoard, 0, 0x10, &value), 0);
  EXPECT_EQ(value, 0x12345678u);
  EXPECT_EQ(machine().devices.eventsOpen(), 0);  // every request closed its event
  machine().accessDriver.failRequests(0);
  EXPECT_EQ(KX_GetPCIConfig(kBoard, 0, 0x10, &value), 1);
  EXPECT_EQ(value, 0xF2000000u);
  EXPECT_EQ(KX_ExitLibrary(), 1);
}

}  // namespace
}  // namespace cfgprobe_test
