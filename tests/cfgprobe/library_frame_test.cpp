// Start and end of the library's use: installing and opening the driver, the
// recovery paths of a failed start, and what the exports do outside that span.
#include <dlfcn.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
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
  int serviceError;  // KX_GetDriverServiceError afterwards
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
  EXPECT_EQ(KX_GetDriverServiceError(), c.serviceError);
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
                 -2, -2, 1, 0, 0},
        InitCase{"DeviceRefusesTheOpen",
                 [](LibraryTest&, sim::Machine& m) { m.devices.failOpen("KxACS", os::kErrorAccessDenied); }, -3, -3, 1, 0,
                 0},
        InitCase{"BadDriverIsNotReinstalled",
                 [](LibraryTest&, sim::Machine& m) { m.services.failStarts("Cfgprobe64", os::kErrorBadDriver); }, -3, -3, 1,
                 0, 2001},
        InitCase{"BadDriverUnderWow64",
                 [](LibraryTest&, sim::Machine& m) {
                   m.services.failStarts("Cfgprobe64", os::kErrorBadDriver);
                   m.bitness.wow64 = true;
                 },
                 -6, -6, 1, 0, 2001},
        InitCase{"UnsignedImageKeepsItsReason", [](LibraryTest&, sim::Machine& m) { m.services.failStarts("Cfgprobe64", 577); },
                 -2, -2, 2, 1, 577},
        InitCase{"BlockedDriverKeepsItsReason",
                 [](LibraryTest&, sim::Machine& m) { m.services.failStarts("Cfgprobe64", 1275); }, -2, -2, 2, 1, 1275},
        InitCase{"NotAdministratorKeepsItsReason",
                 [](LibraryTest&, sim::Machine& m) { m.services.failOpenManager(os::kErrorAccessDenied); }, -2, -2, 0, 0,
                 5},
        InitCase{"StaleRegistrationIsReplaced",
                 [](LibraryTest&, sim::Machine& m) { registerStale(m, "C:\\Old\\Cfgprobe64.sys"); }, 1, 1, 1, 1, 2},
        InitCase{"DriverFileMissing",
                 [](LibraryTest& t, sim::Machine&) { static_cast<InitOutcome&>(t).removeDriverFile("Tools"); }, -2, -2,
                 2, 1, 2},
        InitCase{"StartFailsOnceThenReinstallWorks",
                 [](LibraryTest&, sim::Machine& m) { m.services.failStarts("Cfgprobe64", os::kErrorServiceDisabled, 1); },
                 1, 1, 2, 1, 1058}),
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

// The completion target changes while a worker may be reading it: every read
// sees one of the pairs that were set, never one's window with the other's message.
TEST_F(LibraryFrame, TheCompletionTargetIsSetAndReadAsOnePair) {
  int first = 0, second = 0;
  std::atomic<bool> started{false}, done{false};
  std::thread caller([&] {
    started = true;
    for (int i = 0; i < 200000; ++i) KX_SetWindowMessage(i % 2 ? &first : &second, i % 2 ? 0x8001 : 0x8002);
    done = true;
  });
  while (!started) {
  }
  int torn = 0;
  while (!done) {
    const cfgprobe::NotifyTarget target = cfgprobe::notifyTarget();
    if ((target.window == &first && target.message != 0x8001) || (target.window == &second && target.message != 0x8002))
      ++torn;
  }
  caller.join();
  EXPECT_EQ(torn, 0);
}

// A library just loaded has searched for nothing: every index names a free
// record, refused before anything reaches the driver, whatever sits at PCI 0:0.0.
TEST_F(LibraryFrame, AFreshlyLoadedLibraryKnowsNoControllerBeforeItsFirstSearch) {
  sim::SiI3132Setup atZero;
  atZero.location = {0, 0, 0};
  atZero.flashImage = std::vector<std::uint8_t>(131072, 0x5A);
  sim::SiI3132& controller = machine().addSiI3132(atZero);
  LoadedLibrary library;
  ASSERT_TRUE(library.loaded());
  ASSERT_EQ(library.entry<int()>("KX_InitLibrary")(), 1);
  machine().accessDriver.resetCounts();
  char name[] = "C:\\Tools\\bios.bin";
  SIIDEVICEINFO info{7, 7, 7, 7};
  BIOSPROPERTYDATA data{};
  EXPECT_EQ(library.entry<int(int)>("KX_EraseBiosData")(1), -105);
  EXPECT_EQ(library.entry<int(int, char*)>("KX_SetBiosData")(1, name), -105);
  EXPECT_EQ(library.entry<int(int, char*)>("KX_GetBiosData")(1, name), -105);
  EXPECT_EQ(library.entry<int(int, char*)>("KX_CompareBiosData")(1, name), -105);
  EXPECT_EQ(library.entry<int(int, BIOSPROPERTYDATA*)>("KX_GetBiosInfo")(1, &data), -105);
  EXPECT_EQ(library.entry<int(int, int, int)>("KX_SetSControl")(1, 1, 1), -105);
  EXPECT_EQ(library.entry<int(int, SIIDEVICEINFO*)>("KX_GetSiI3132Info")(1, &info), -105);
  EXPECT_EQ(info.bBus, 7);
  EXPECT_EQ(machine().accessDriver.requests(), 0u);
  EXPECT_EQ(controller.flash().chipErases(), 0);
  EXPECT_EQ(controller.flash().contents(), std::vector<std::uint8_t>(131072, 0x5A));
  // A search records it; then index 1 names it.
  int count = 0;
  EXPECT_EQ(library.entry<int(int*)>("KX_GetSiI3132Device")(&count), 1);
  EXPECT_EQ(library.entry<int(int, SIIDEVICEINFO*)>("KX_GetSiI3132Info")(1, &info), 1);
  EXPECT_EQ(info.bBus, 0);
  EXPECT_EQ(info.wFlashID, 0xBFB5);
  EXPECT_EQ(library.entry<int()>("KX_ExitLibrary")(), 1);
}

// Threads whose posts wait until the test lets them go: the caller's thread sees
// the worker's status 0 while the worker is still inside the library.
class PostsHeldUntilReleased final : public os::Threads {
 public:
  explicit PostsHeldUntilReleased(os::Threads& threads) : threads_(threads) {}
  bool beginThread(os::ThreadProcedure procedure, void* argument) override {
    return threads_.beginThread(procedure, argument);
  }
  bool beginModuleThread(os::ThreadProcedure procedure, void* argument) override {
    return threads_.beginModuleThread(procedure, argument);
  }
  bool postMessageA(os::Handle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return released_; });
    return threads_.postMessageA(window, message, wParam, lParam);
  }
  bool waitForMessage(os::Handle window, std::uint32_t timeoutMs, os::PostedMessage* message) override {
    return threads_.waitForMessage(window, timeoutMs, message);
  }
  void release() {
    {
      std::lock_guard lock(mutex_);
      released_ = true;
    }
    changed_.notify_all();
  }

 private:
  os::Threads& threads_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool released_ = false;
};

TEST_F(LibraryFrame, UnloadingAsSoonAsTheStatusReadsZeroLeavesTheWorkerItsCode) {
  sim::SiI3132Setup setup;
  setup.location = {3, 0, 0};
  machine().addSiI3132(setup);
  const os::Handle window = machine().windows.createWindow(nullptr, u"caller");
  PostsHeldUntilReleased threads(machine().threads);
  os::Platform platform = machine().platform();
  platform.threads = &threads;
  os::installPlatform(platform);
  {
    LoadedLibrary library;
    ASSERT_TRUE(library.loaded());
    ASSERT_EQ(library.entry<int()>("KX_InitLibrary")(), 1);
    int count = 0;
    ASSERT_EQ(library.entry<int(int*)>("KX_GetSiI3132Device")(&count), 1);
    ASSERT_EQ(library.entry<int(os::Handle, std::uint32_t)>("KX_SetWindowMessage")(window, 0x8123), 1);
    char empty[] = "";  // the compare's worker fails at once
    ASSERT_EQ(library.entry<int(int, char*)>("KX_CompareBiosData")(1, empty), 1);
    const auto progress = library.entry<int(KxLong*)>("KX_GetBiosOperationProgress");
    KxLong status = -1;
    while (status != kStatusIdle) progress(&status);
    ASSERT_EQ(library.entry<int()>("KX_ExitLibrary")(), 1);
    library.unload();
  }
  threads.release();
  os::PostedMessage message;
  ASSERT_TRUE(machine().threads.waitForMessage(window, 20000, &message));
  EXPECT_EQ(message.wParam, 0u);
  EXPECT_EQ(message.lParam, -202);
  machine().threads.joinAll();
  // The worker's reference went with it: the library is unloaded now.
  EXPECT_FALSE(LoadedLibrary::mapped());
  machine().install();
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
  EXPECT_EQ(names.size(), 20u);  // 18 KX_ functions, fnKXACS and nKXACS
  void* library = ::dlopen(CFGPROBE_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << ::dlerror();
  for (const std::string& name : names) EXPECT_NE(::dlsym(library, name.c_str()), nullptr) << name;
  for (const char* internal : {"TheLibrary", "LastError", "DeviceTable", "DeviceCount", "NotifyWindow",
                               "NotifyMessage", "BiosOperationProgress", "DriverServiceError"})
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
