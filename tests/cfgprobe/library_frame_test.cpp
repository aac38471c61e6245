// Start and end of the library's use: installing and opening the driver, the
// recovery paths of a failed start, and what the exports do outside that span.
#include <dlfcn.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>
#include <thread>

#include "tests/cfgprobe/library_fixture.h"

namespace cfgprobe_test {
namespace {

class LibraryFrame : public LibraryTest {};

TEST_F(LibraryFrame, InitInstallsTheDriverFromTheCurrentFolderAndOpensItsDevice) {
  ASSERT_EQ(KX_InitLibrary(), 1);
  EXPECT_EQ(KX_GetLastError(), 1);
  const auto service = machine().services.find("Cfgprobe64");
  ASSERT_TRUE(service);
  EXPECT_EQ(service->imagePath, "C:\\Tools\\Cfgprobe64.sys");
  EXPECT_EQ(service->displayName, "Cfgprobe64");
  EXPECT_EQ(service->type, os::kServiceKernelDriver);
  EXPECT_EQ(service->startType, os::kServiceDemandStart);
  EXPECT_EQ(service->state, os::kServiceRunning);
  EXPECT_EQ(driverHandlesOpen(), 1);
  EXPECT_EQ(machine().services.openHandles(), 0);
}

TEST_F(LibraryFrame, ExitClosesTheDeviceAndDeletesTheService) {
  ASSERT_EQ(KX_InitLibrary(), 1);
  ASSERT_EQ(KX_ExitLibrary(), 1);
  EXPECT_FALSE(machine().services.find("Cfgprobe64"));
  EXPECT_FALSE(machine().devices.deviceExists("KxACS"));
  EXPECT_EQ(driverHandlesOpen(), 0);
  EXPECT_EQ(TheLibrary, nullptr);
  // A new start after an exit works from scratch.
  EXPECT_EQ(KX_InitLibrary(), 1);
}

struct InitCase {
  const char* name;
  std::function<void(LibraryTest&, sim::Machine&)> arrange;
  int result;
  int lastError;
  int created;  // registrations made by the library
  int deleted;
};

void PrintTo(const InitCase& c, std::ostream* os) { *os << c.name; }

class InitOutcome : public LibraryTest, public ::testing::WithParamInterface<InitCase> {
 public:
  using LibraryTest::removeDriverFile;
};

TEST_P(InitOutcome, ResultLastErrorAndServiceHistory) {
  const InitCase& c = GetParam();
  c.arrange(*this, machine());
  EXPECT_EQ(KX_InitLibrary(), c.result);
  EXPECT_EQ(KX_GetLastError(), c.lastError);
  const auto history = machine().services.history("Cfgprobe64");
  EXPECT_EQ(history.created, c.created);
  EXPECT_EQ(history.deleted, c.deleted);
  EXPECT_EQ(driverHandlesOpen(), c.result == 1 ? 1 : 0);
  EXPECT_EQ(machine().services.openHandles(), 0);
}

void registerStale(sim::Machine& m, const char* imagePath) {
  sim::ServiceManager::Service stale;
  stale.name = stale.displayName = "Cfgprobe64";
  stale.imagePath = imagePath;
  m.services.registerService(stale);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InitOutcome,
    ::testing::Values(
        InitCase{"DeviceNotFound", [](LibraryTest&, sim::Machine& m) { m.devices.failOpen("KxACS", os::kErrorFileNotFound); },
                 -2, -2, 1, 0},
        InitCase{"DeviceRefusesTheOpen",
                 [](LibraryTest&, sim::Machine& m) { m.devices.failOpen("KxACS", os::kErrorAccessDenied); }, -3, -3, 1, 0},
        InitCase{"BadDriverIsNotReinstalled",
                 [](LibraryTest&, sim::Machine& m) { m.services.failStarts("Cfgprobe64", os::kErrorBadDriver); }, -3, -3, 1,
                 0},
        InitCase{"BadDriverUnderWow64",
                 [](LibraryTest&, sim::Machine& m) {
                   m.services.failStarts("Cfgprobe64", os::kErrorBadDriver);
                   m.bitness.wow64 = true;
                 },
                 -6, -6, 1, 0},
        InitCase{"StaleRegistrationIsReplaced",
                 [](LibraryTest&, sim::Machine& m) { registerStale(m, "C:\\Old\\Cfgprobe64.sys"); }, 1, 1, 1, 1},
        InitCase{"DriverFileMissing",
                 [](LibraryTest& t, sim::Machine&) { static_cast<InitOutcome&>(t).removeDriverFile("Tools"); }, -2, -2,
                 2, 1},
        InitCase{"StartFailsOnceThenReinstallWorks",
                 [](LibraryTest&, sim::Machine& m) { m.services.failStarts("Cfgprobe64", os::kErrorServiceDisabled, 1); },
                 1, 1, 2, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LibraryFrame, StaleRegistrationIsReplacedByTheCurrentFolder) {
  registerStale(machine(), "C:\\Old\\Cfgprobe64.sys");
  ASSERT_EQ(KX_InitLibrary(), 1);
  EXPECT_EQ(machine().services.find("Cfgprobe64")->imagePath, "C:\\Tools\\Cfgprobe64.sys");
}

TEST_F(LibraryFrame, RunningServiceFromAnEarlierRunIsUsedAsItIs) {
  registerStale(machine(), "C:\\Tools\\Cfgprobe64.sys");
  os::Services& scm = machine().services;
  os::Handle manager = scm.openSCManagerA(nullptr, nullptr, os::kScManagerAllAccess);
  os::Handle service = scm.openServiceA(manager, "Cfgprobe64", os::kServiceAllAccess);
  ASSERT_TRUE(scm.startServiceA(service, 0, nullptr));
  scm.closeServiceHandle(service);
  scm.closeServiceHandle(manager);

  EXPECT_EQ(KX_InitLibrary(), 1);
  EXPECT_EQ(machine().services.history("Cfgprobe64").created, 0);
  EXPECT_EQ(machine().services.history("Cfgprobe64").started, 1);
}

TEST_F(LibraryFrame, SecondInitKeepsTheOpenDevice) {
  ASSERT_EQ(KX_InitLibrary(), 1);
  const CKXACS* first = TheLibrary;
  const os::Handle device = TheLibrary->hKXDriver;
  EXPECT_EQ(KX_InitLibrary(), 1);
  EXPECT_EQ(TheLibrary, first);
  EXPECT_EQ(TheLibrary->hKXDriver, device);
  EXPECT_EQ(driverHandlesOpen(), 1);
  EXPECT_EQ(machine().services.history("Cfgprobe64").created, 1);
}

TEST_F(LibraryFrame, InitAfterAFailedOpenTriesAgain) {
  machine().devices.failOpen("KxACS", os::kErrorAccessDenied);
  ASSERT_EQ(KX_InitLibrary(), -3);
  machine().devices.failOpen("KxACS", 0);
  EXPECT_EQ(KX_InitLibrary(), 1);
  EXPECT_EQ(driverHandlesOpen(), 1);
}

TEST_F(LibraryFrame, ExitWhileBusyChangesNothing) {
  ASSERT_EQ(KX_InitLibrary(), 1);
  addFunction(0, 4, 0, 0x01021195).set32(0x10, 0xFE000000);
  CKXACS::CurrentStatus = kStatusReadingBios;
  EXPECT_EQ(KX_ExitLibrary(), -101);
  EXPECT_EQ(driverHandlesOpen(), 1);
  EXPECT_EQ(machine().services.find("Cfgprobe64")->state, os::kServiceRunning);
  KxULong bar = 0;
  EXPECT_EQ(KX_GetPCIConfig(0x01021195, 0, 0x10, &bar), 1);
  EXPECT_EQ(bar, 0xFE000000u);
  CKXACS::CurrentStatus = kStatusIdle;
  EXPECT_EQ(KX_ExitLibrary(), 1);
}

TEST_F(LibraryFrame, ExitWithoutServiceManagerKeepsTheObjectAndCanBeRetried) {
  ASSERT_EQ(KX_InitLibrary(), 1);
  machine().services.failOpenManager(os::kErrorAccessDenied);
  EXPECT_EQ(KX_ExitLibrary(), -4);
  EXPECT_NE(TheLibrary, nullptr);
  EXPECT_EQ(driverHandlesOpen(), 0);
  machine().services.failOpenManager(0);
  EXPECT_EQ(KX_ExitLibrary(), 1);
  EXPECT_FALSE(machine().services.find("Cfgprobe64"));
}

TEST_F(LibraryFrame, FailedDeleteStillCountsAsExit) {
  ASSERT_EQ(KX_InitLibrary(), 1);
  // Someone else deleted the service meanwhile: the library's delete fails.
  os::Services& scm = machine().services;
  os::Handle manager = scm.openSCManagerA(nullptr, nullptr, os::kScManagerAllAccess);
  os::Handle service = scm.openServiceA(manager, "Cfgprobe64", os::kServiceAllAccess);
  ASSERT_TRUE(scm.deleteService(service));
  EXPECT_EQ(KX_ExitLibrary(), 1);
  scm.closeServiceHandle(service);
  scm.closeServiceHandle(manager);
  EXPECT_FALSE(machine().services.find("Cfgprobe64"));
}

TEST_F(LibraryFrame, SetWindowMessageTestsTheWindowFirst) {
  int window = 0;
  struct Case {
    os::Handle window;
    std::uint32_t message;
    int result;
  };
  for (const Case& c : {Case{nullptr, 0, -12}, Case{nullptr, 0x8001, -12}, Case{&window, 0, -13}}) {
    EXPECT_EQ(KX_SetWindowMessage(c.window, c.message), c.result);
    EXPECT_EQ(NotifyWindow, nullptr);
  }
  EXPECT_EQ(KX_SetWindowMessage(&window, 0x8001), 1);
  EXPECT_EQ(NotifyWindow, &window);
  EXPECT_EQ(NotifyMessage, 0x8001u);
}

// Outside KX_InitLibrary .. KX_ExitLibrary every export answers with its failure
// value and reaches no device.
class OutsideInitialisation : public LibraryTest, public ::testing::WithParamInterface<bool> {};

TEST_P(OutsideInitialisation, ExportsFailCleanly) {
  if (GetParam()) {
    ASSERT_EQ(KX_InitLibrary(), 1);
    ASSERT_EQ(KX_ExitLibrary(), 1);
  }
  addFunction(0, 1, 0, 0x01021195);
  machine().accessDriver.resetCounts();
  KxULong value = 0x12345678;
  int count = 7;
  SIIDEVICEINFO info{};
  BIOSPROPERTYDATA data{};
  char name[] = "bios.bin";
  EXPECT_EQ(KX_GetPCIConfig(0x01021195, 0, 0, &value), 0);
  EXPECT_EQ(value, 0x12345678u);
  EXPECT_EQ(KX_ExitLibrary(), 0);
  EXPECT_EQ(KX_GetSiI3132Device(&count), -100);
  EXPECT_EQ(KX_GetSiI3132DeviceEx(0x31321095, 0x31321095, 0, &count), 0);
  EXPECT_EQ(KX_GetNewSiI3132Device(&count), -106);
  EXPECT_EQ(KX_GetNewSiI3132Device(nullptr), -11);
  EXPECT_EQ(KX_GetSiI3132Info(1, &info), -105);
  EXPECT_EQ(KX_EraseBiosData(1), -105);
  EXPECT_EQ(KX_GetBiosData(1, name), -105);
  EXPECT_EQ(KX_SetBiosData(1, name), -105);
  EXPECT_EQ(KX_CompareBiosData(1, name), -105);
  EXPECT_EQ(KX_GetBiosInfo(1, &data), -105);
  EXPECT_EQ(KX_SetSControl(1, 0, 0), -105);
  EXPECT_EQ(count, 7);
  EXPECT_EQ(machine().accessDriver.requests(), 0u);
}

INSTANTIATE_TEST_SUITE_P(BeforeInitAndAfterExit, OutsideInitialisation, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "AfterExit" : "BeforeInit"; });

// With the library up, a null pointer or an index outside 1 to 16 is refused with
// a failure value; nothing is written and nothing crashes.
TEST_F(LibraryFrame, NullPointersAndBadIndexesAreRefused) {
  ASSERT_EQ(KX_InitLibrary(), 1);
  addFunction(0, 1, 0, 0x31321095).set32(0x2C, 0x31321095);
  char name[] = "bios.bin";
  SIIDEVICEINFO info{};
  BIOSPROPERTYDATA data{};
  for (int index : {0, -1, 17, 1 << 30, -(1 << 30)}) {
    SCOPED_TRACE(index);
    EXPECT_LT(KX_GetSiI3132Info(index, &info), 0);
    EXPECT_LT(KX_EraseBiosData(index), 0);
    EXPECT_LT(KX_GetBiosData(index, name), 0);
    EXPECT_LT(KX_SetBiosData(index, name), 0);
    EXPECT_LT(KX_CompareBiosData(index, name), 0);
    EXPECT_LT(KX_GetBiosInfo(index, &data), 0);
    EXPECT_LT(KX_SetSControl(index, 0, 0), 0);
  }
  EXPECT_LT(KX_GetSiI3132Info(1, nullptr), 0);
  EXPECT_LT(KX_GetBiosData(1, nullptr), 0);
  EXPECT_LT(KX_SetBiosData(1, nullptr), 0);
  EXPECT_LT(KX_CompareBiosData(1, nullptr), 0);
  EXPECT_LT(KX_GetBiosInfo(1, nullptr), 0);
  EXPECT_LT(KX_GetBiosFileInfo(nullptr, &data), 0);
  EXPECT_LT(KX_GetBiosFileInfo(name, nullptr), 0);
  EXPECT_EQ(KX_GetNewSiI3132Device(nullptr), -11);
  EXPECT_EQ(KX_GetPCIConfig(0x31321095, 0, 0x10, nullptr), 0);
  KX_GetSiI3132Device(nullptr);
  KX_GetSiI3132DeviceEx(0x31321095, 0x31321095, 0, nullptr);
  EXPECT_EQ(KX_GetBiosOperationProgress(nullptr), 0);
  EXPECT_EQ(info.bBus, 0);
  EXPECT_EQ(data.nMajorVersion, 0);
  EXPECT_EQ(CKXACS::CurrentStatus, kStatusIdle);
}

TEST_F(LibraryFrame, ProgressReportsTheStatusAWorkerThreadSet) {
  std::thread worker([] {
    cfgprobe::setCurrentStatus(kStatusComparingBios);
    cfgprobe::setBiosProgress(37);
  });
  worker.join();
  KxLong status = 0;
  EXPECT_EQ(KX_GetBiosOperationProgress(&status), 37);
  EXPECT_EQ(status, kStatusComparingBios);
  EXPECT_EQ(KX_GetBiosOperationProgress(nullptr), 37);
  cfgprobe::setBiosProgress(0);
}

// A worker writes the shared status words while the caller's thread polls them
// through the exports; run under a thread sanitizer this proves the accesses safe.
TEST_F(LibraryFrame, StatusWordsCanBePolledWhileAWorkerWritesThem) {
  ASSERT_EQ(KX_InitLibrary(), 1);
  std::atomic<int> polls{0};
  std::thread worker([&] {
    for (std::int32_t step = 1; polls < 1000; ++step) {
      cfgprobe::setCurrentStatus(kStatusWritingBios);
      cfgprobe::setBiosProgress(step % 101);
      cfgprobe::setLastError(step % 2 ? 1 : -202);
    }
    cfgprobe::setCurrentStatus(kStatusIdle);
  });
  for (; polls < 1000; ++polls) {
    KxLong status = -1;
    const int progress = KX_GetBiosOperationProgress(&status);
    EXPECT_TRUE(progress >= 0 && progress <= 100);
    EXPECT_TRUE(status == kStatusIdle || status == kStatusWritingBios);
    const int error = KX_GetLastError();
    EXPECT_TRUE(error == 0 || error == 1 || error == -202);
  }
  worker.join();
  EXPECT_EQ(KX_ExitLibrary(), 1);
  cfgprobe::setBiosProgress(0);
}

// The Windows export table and the shared library name the same entries, and the
// library-wide state stays inside it.
TEST(LibraryExports, TheSharedLibraryExportsTheTableAndKeepsItsStateToItself) {
  const auto table = std::filesystem::path(SPANFINDER_SOURCE_DIR) / "cfgprobe" / "Cfgprobe64.def";
  std::ifstream in(table);
  ASSERT_TRUE(in) << table;
  std::string line;
  std::vector<std::string> names;
  bool exports = false;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string name;
    if (!(words >> name) || name[0] == ';') continue;
    if (exports) names.push_back(name);
    exports = exports || name == "EXPORTS";
  }
  EXPECT_EQ(names.size(), 19u);  // 17 KX_ functions, fnKXACS and nKXACS
  void* library = ::dlopen(CFGPROBE_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << ::dlerror();
  for (const std::string& name : names) EXPECT_NE(::dlsym(library, name.c_str()), nullptr) << name;
  for (const char* internal : {"TheLibrary", "LastError", "DeviceTable", "DeviceCount", "NotifyWindow",
                               "NotifyMessage", "BiosOperationProgress"})
    EXPECT_EQ(::dlsym(library, internal), nullptr) << internal;
  EXPECT_NE(::dlsym(library, "_ZN6CKXACS13CurrentStatusE"), nullptr);  // CKXACS::CurrentStatus
  using Entry = int (*)();
  const auto fn = reinterpret_cast<Entry>(::dlsym(library, "fnKXACS"));
  ASSERT_NE(fn, nullptr);
  EXPECT_EQ(fn(), 42);
  EXPECT_EQ(*static_cast<int*>(::dlsym(library, "nKXACS")), 0);
  ::dlclose(library);
}

}  // namespace
}  // namespace cfgprobe_test
