// The simulated machine behind the library behaves as the hardware and Windows
// do: configuration mechanism #1, the service manager's error codes and the
// driver's device that exists only while its service runs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "sim/machine.h"

namespace {

namespace fs = std::filesystem;

TEST(SimPorts, ConfigurationMechanismOne) {
  sim::PciBus pci;
  sim::IoPorts ports(pci);
  auto& f = pci.add({1, 2, 3}, 0x31321095);
  f.set32(0x2C, 0x12345678);
  const std::uint32_t address = 0x80000000u | 1u << 16 | 2u << 11 | 3u << 8;
  struct Case {
    std::uint32_t address;
    std::uint32_t expected;
  };
  for (const Case& c : {Case{address, 0x31321095}, Case{address | 0x2C, 0x12345678},
                        Case{address | 0x2E, 0x12345678},            // low bits name the same register
                        Case{address & ~0x80000000u, 0xFFFFFFFF},    // not enabled
                        Case{address + 0x100, 0xFFFFFFFF},           // absent function
                        Case{0x80000000u, 0xFFFFFFFF}}) {
    ports.write32(0xCF8, c.address);
    EXPECT_EQ(ports.read32(0xCFC), c.expected) << std::hex << c.address;
  }
  ports.write32(0xCF8, address);
  ports.write32(0xCFC, 0);  // identity is read-only
  EXPECT_EQ(ports.read32(0xCFC), 0x31321095u);
  ports.write32(0xCF8, address | 0x10);
  ports.write32(0xCFC, 0xFE000000);
  EXPECT_EQ(ports.read32(0xCFC), 0xFE000000u);
  EXPECT_EQ(ports.read32(0x80), 0xFFFFFFFFu);  // nothing decodes this port
}

class SimServices : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("spanfinder-simscm-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    machine_ = std::make_unique<sim::Machine>(root_);
    fs::create_directories(root_ / "C" / "Tools");
    std::ofstream(root_ / "C" / "Tools" / "Cfgprobe64.sys") << "driver";
    std::ofstream(root_ / "C" / "Tools" / "Other.sys") << "driver";
    manager_ = scm().openSCManagerA(nullptr, nullptr, os::kScManagerAllAccess);
  }
  void TearDown() override {
    scm().closeServiceHandle(manager_);
    machine_.reset();
    fs::remove_all(root_);
  }
  sim::ServiceManager& scm() { return machine_->services; }
  os::Handle create(const char* name, const char* image) {
    return scm().createServiceA(manager_, name, name, os::kServiceAllAccess, os::kServiceKernelDriver,
                                os::kServiceDemandStart, os::kServiceErrorNormal, image, nullptr, nullptr, nullptr,
                                nullptr, nullptr);
  }
  std::uint32_t startError(os::Handle service) {
    os::setLastError(0);
    return scm().startServiceA(service, 0, nullptr) ? 0 : os::lastError();
  }

  fs::path root_;
  std::unique_ptr<sim::Machine> machine_;
  os::Handle manager_ = nullptr;
};

TEST_F(SimServices, ErrorCodesOfTheServiceLife) {
  const os::Handle s = create("Cfgprobe64", "C:\\Tools\\Cfgprobe64.sys");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(create("CFGPROBE64", "C:\\x.sys"), nullptr);
  EXPECT_EQ(os::lastError(), os::kErrorServiceExists);
  EXPECT_EQ(scm().openServiceA(manager_, "Missing", os::kServiceAllAccess), nullptr);
  EXPECT_EQ(os::lastError(), os::kErrorServiceDoesNotExist);
  EXPECT_FALSE(scm().controlService(s, os::kServiceControlStop, nullptr));
  EXPECT_EQ(os::lastError(), os::kErrorServiceNotActive);
  EXPECT_EQ(startError(s), 0u);
  EXPECT_EQ(startError(s), os::kErrorServiceAlreadyRunning);
  EXPECT_TRUE(scm().controlService(s, os::kServiceControlStop, nullptr));
  EXPECT_TRUE(scm().deleteService(s));
  EXPECT_FALSE(scm().deleteService(s));
  EXPECT_EQ(os::lastError(), os::kErrorServiceMarkedForDelete);
  EXPECT_EQ(create("Cfgprobe64", "C:\\Tools\\Cfgprobe64.sys"), nullptr);
  EXPECT_EQ(os::lastError(), os::kErrorServiceMarkedForDelete);
  EXPECT_EQ(startError(s), os::kErrorServiceMarkedForDelete);
  EXPECT_TRUE(scm().find("Cfgprobe64"));
  EXPECT_TRUE(scm().closeServiceHandle(s));
  EXPECT_FALSE(scm().find("Cfgprobe64"));
  EXPECT_FALSE(scm().closeServiceHandle(s));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidHandle);
}

TEST_F(SimServices, DriverStartsOnlyFromAnImageThatIsThere) {
  struct Case {
    const char* image;
    std::uint32_t error;
  };
  for (const Case& c : {Case{"C:\\Elsewhere\\Cfgprobe64.sys", os::kErrorFileNotFound},
                        Case{"C:\\Tools\\Other.sys", os::kErrorBadExeFormat},
                        Case{"\\??\\C:\\Tools\\Cfgprobe64.sys", 0}}) {
    const os::Handle s = create("Cfgprobe64", c.image);
    EXPECT_EQ(startError(s), c.error) << c.image;
    EXPECT_EQ(machine_->devices.deviceExists("KxACS"), c.error == 0);
    scm().controlService(s, os::kServiceControlStop, nullptr);
    scm().deleteService(s);
    scm().closeServiceHandle(s);
  }
}

TEST_F(SimServices, InjectedStartFailures) {
  const os::Handle s = create("Cfgprobe64", "C:\\Tools\\Cfgprobe64.sys");
  scm().failStarts("Cfgprobe64", os::kErrorBadDriver, 1);
  EXPECT_EQ(startError(s), os::kErrorBadDriver);
  EXPECT_EQ(startError(s), 0u);
  scm().closeServiceHandle(s);
}

TEST_F(SimServices, DeviceOutlivesTheStopUntilItsLastHandleCloses) {
  const os::Handle s = create("Cfgprobe64", "C:\\Tools\\Cfgprobe64.sys");
  ASSERT_EQ(startError(s), 0u);
  sim::DeviceIo& io = machine_->devices;
  const os::Handle device = io.createFileA("\\\\.\\kxacs", 3, 0, os::kCreateAlways, os::kFileAttributeNormal);
  ASSERT_TRUE(os::isValid(device));
  os::ServiceStatus status;
  ASSERT_TRUE(scm().controlService(s, os::kServiceControlStop, &status));
  EXPECT_EQ(status.currentState, os::kServiceStopPending);
  EXPECT_FALSE(os::isValid(io.createFileA("\\\\.\\KxACS", 3, 0, os::kCreateAlways, 0)));
  EXPECT_EQ(os::lastError(), os::kErrorFileNotFound);
  std::uint16_t port = 0xCFC;
  std::uint32_t value = 0;
  EXPECT_TRUE(io.deviceIoControl(device, 0x9C402410, &port, 2, &value, 4, nullptr, nullptr));
  EXPECT_EQ(value, 0xFFFFFFFFu);
  EXPECT_EQ(startError(s), os::kErrorServiceAlreadyRunning);
  ASSERT_TRUE(io.closeHandle(device));
  EXPECT_EQ(scm().find("Cfgprobe64")->state, os::kServiceStopped);
  EXPECT_EQ(startError(s), 0u);
  scm().closeServiceHandle(s);
}

TEST_F(SimServices, ServiceHandlesCarryTheAccessTheyWereOpenedWith) {
  scm().closeServiceHandle(create("Cfgprobe64", "C:\\Tools\\Cfgprobe64.sys"));
  const os::Handle query = scm().openServiceA(manager_, "Cfgprobe64", os::kServiceQueryStatus);
  EXPECT_EQ(startError(query), os::kErrorAccessDenied);
  EXPECT_FALSE(scm().deleteService(query));
  EXPECT_EQ(os::lastError(), os::kErrorAccessDenied);
  const os::Handle starter = scm().openServiceA(manager_, "Cfgprobe64", os::kServiceStart);
  EXPECT_EQ(startError(starter), 0u);
  EXPECT_FALSE(scm().controlService(starter, os::kServiceControlStop, nullptr));
  EXPECT_EQ(os::lastError(), os::kErrorAccessDenied);
  const os::Handle stopper = scm().openServiceA(manager_, "Cfgprobe64", os::kServiceStop | os::kDelete);
  EXPECT_TRUE(scm().controlService(stopper, os::kServiceControlStop, nullptr));
  EXPECT_TRUE(scm().deleteService(stopper));
  for (os::Handle h : {query, starter, stopper}) scm().closeServiceHandle(h);
  EXPECT_FALSE(scm().find("Cfgprobe64"));
}

TEST_F(SimServices, DeviceOpenChecksDispositionSharingAndAccess) {
  const os::Handle s = create("Cfgprobe64", "C:\\Tools\\Cfgprobe64.sys");
  ASSERT_EQ(startError(s), 0u);
  sim::DeviceIo& io = machine_->devices;
  EXPECT_FALSE(os::isValid(io.createFileA("\\\\.\\KxACS", 3, 0, 0, 0)));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidParameter);
  const os::Handle first = io.createFileA("\\\\.\\KxACS", 3, 0, os::kCreateAlways, 0);
  ASSERT_TRUE(os::isValid(first));
  EXPECT_FALSE(os::isValid(io.createFileA("\\\\.\\KxACS", 3, 0, os::kCreateAlways, 0)));
  EXPECT_EQ(os::lastError(), os::kErrorSharingViolation);
  EXPECT_FALSE(os::isValid(io.createFileA("\\\\.\\KxACS", os::kFileReadData, 3, os::kOpenExisting, 0)));
  EXPECT_EQ(os::lastError(), os::kErrorSharingViolation);
  // A query-only open is not checked, and its handle cannot send a request that needs read access.
  const os::Handle query = io.createFileA("\\\\.\\KxACS", 0, 0, os::kOpenExisting, 0);
  ASSERT_TRUE(os::isValid(query));
  std::uint32_t value = 0;
  const std::uint32_t readAccessCode = 0x9C40u << 16 | 1u << 14 | 0x904u << 2;
  EXPECT_FALSE(io.deviceIoControl(query, readAccessCode, &value, 4, &value, 4, nullptr, nullptr));
  EXPECT_EQ(os::lastError(), os::kErrorAccessDenied);
  std::uint16_t port = 0xCFC;
  EXPECT_TRUE(io.deviceIoControl(query, 0x9C402410, &port, 2, &value, 4, nullptr, nullptr));  // any access
  io.closeHandle(query);
  io.closeHandle(first);
  const os::Handle again = io.createFileA("\\\\.\\KxACS", 3, 0, os::kCreateAlways, 0);
  EXPECT_TRUE(os::isValid(again));  // the first one's sharing went with it
  io.closeHandle(again);
  scm().closeServiceHandle(s);
}

TEST_F(SimServices, DriverRefusesMalformedRequests) {
  const os::Handle s = create("Cfgprobe64", "C:\\Tools\\Cfgprobe64.sys");
  ASSERT_EQ(startError(s), 0u);
  sim::DeviceIo& io = machine_->devices;
  const os::Handle device = io.createFileA("\\\\.\\KxACS", 3, 0, os::kCreateAlways, 0);
  std::uint8_t record[76] = {};
  std::uint32_t out = 0xAAAA;
  struct Case {
    std::uint32_t code;
    std::uint32_t inputSize;
    std::uint32_t outputSize;
    std::uint32_t error;
  };
  for (const Case& c : {Case{0x9C402400, 76, 4, os::kErrorInvalidFunction},
                        Case{0x9C402414, 12, 4, os::kErrorInvalidParameter},
                        Case{0x9C402428, 4, 2, os::kErrorInvalidParameter}}) {
    EXPECT_FALSE(io.deviceIoControl(device, c.code, record, c.inputSize, &out, c.outputSize, nullptr, nullptr));
    EXPECT_EQ(os::lastError(), c.error);
    EXPECT_EQ(out, 0xAAAAu);
  }
  io.closeHandle(device);
  scm().controlService(s, os::kServiceControlStop, nullptr);
  scm().closeServiceHandle(s);
}

}  // namespace

namespace {

// Block requests reach a SiI3132's flash command register only: registers at the
// same place that belong to no controller are refused untouched.
TEST_F(SimServices, BlockRequestsReachOnlyAControllersFlashRegisters) {
  auto registers = std::make_shared<sim::RegisterBlock>(0x100);
  machine_->memory.map(0xFE000000, 0x100, registers);
  const os::Handle s = create("Cfgprobe64", "C:\\Tools\\Cfgprobe64.sys");
  ASSERT_EQ(startError(s), 0u);
  sim::DeviceIo& io = machine_->devices;
  const os::Handle device = io.createFileA("\\\\.\\KxACS", 3, 0, os::kCreateAlways, 0);
  std::uint8_t request[76] = {};
  const std::uint32_t reg = 0xFE000070, programCommand = 0x02000040;
  std::memcpy(request, &reg, 4);
  std::memcpy(request + 4, &programCommand, 4);
  std::uint8_t reply[76] = {};
  EXPECT_FALSE(io.deviceIoControl(device, 0x9C402434, request, 76, reply, 76, nullptr, nullptr));
  EXPECT_EQ(os::lastError(), os::kErrorAccessDenied);
  std::uint32_t result = 7;
  ASSERT_TRUE(io.deviceIoControl(device, 0x9C402430, request, 76, &result, 4, nullptr, nullptr));
  EXPECT_EQ(result, 0u);
  for (std::uint32_t offset = 0; offset < 0x100; offset += 4) ASSERT_EQ(registers->read32(offset), 0u) << offset;
  io.closeHandle(device);
  scm().closeServiceHandle(s);
}

}  // namespace
