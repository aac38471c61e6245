// The access library's exports called in any order with any arguments on a
// simulated machine (the board and a SiI3132 controller on its PCI bus, the
// driver file in the current folder), while the machine misbehaves between the
// calls as a real PC can: another program stops or deletes the driver's service,
// driver requests fail, the device or the service manager cannot be opened, the
// driver file disappears, the current folder grows past what a path holds, a BIOS
// worker keeps the library busy.
//
// Input: a list of steps, each an operation and its arguments (FuzzedDataProvider).
// Besides surviving, every step must keep the library's promises: results among
// each export's codes, a failed configuration read leaves its output alone, exit
// while busy keeps the device open, no handle of the service manager or of a
// request's event outlives its call, at most one driver handle is open; and once
// the faults are gone a last KX_ExitLibrary leaves no driver handle and no service.
#include <fuzzer/FuzzedDataProvider.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "cfgprobe/cfgprobe.h"
#include "cfgprobe/library_state.h"
#include "fuzz/check.h"
#include "fuzz/scratch_folder.h"
#include "sim/machine.h"

namespace {

constexpr std::uint32_t kBoardIdentity = 0x01021195;  // KB20
constexpr std::uint32_t kControllerIdentity = 0x31321095;
constexpr std::uint32_t kStrayIdentity = 0x12345678;  // on no function of the machine

// The library as it is when it has just been loaded.
void freshLibraryState() {
  cfgprobe::setCurrentStatus(kStatusIdle);
  cfgprobe::setLastError(0);
  cfgprobe::setBiosProgress(0);
  NotifyWindow = nullptr;
  NotifyMessage = 0;
  std::memset(DeviceTable, 0, sizeof DeviceTable);
  DeviceCount = 0;
}

bool oneOf(int value, std::initializer_list<int> codes) {
  for (int code : codes)
    if (value == code) return true;
  return false;
}

class Run {
 public:
  explicit Run(FuzzedDataProvider& input) : input_(input) {
    const std::filesystem::path root = fuzz::scratchFolder() / "machine";
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    machine_ = std::make_unique<sim::Machine>(root);
    driverFile_ = root / "C" / "Tools" / "Cfgprobe64.sys";
    std::filesystem::create_directories(driverFile_.parent_path(), ec);
    std::ofstream(driverFile_) << "driver";
    sim::PciFunction& board = machine_->pci.add({0, 4, 0}, kBoardIdentity);
    board.set32(0x10, 0xF2000000);
    board.set32(0x1C, 0x0000E001);
    board.set32(0x94, kBoardIdentity);
    machine_->pci.add({2, 0, 0}, kControllerIdentity).set32(0x2C, kControllerIdentity);
    machine_->install();
    freshLibraryState();
  }

  ~Run() {
    os::installPlatform(os::Platform{});
    machine_.reset();
  }

  void step() {
    switch (input_.ConsumeIntegralInRange(0, 15)) {
      case 0: init(); break;
      case 1: exit(); break;
      case 2: readConfig(); break;
      case 3: KX_GetLastError(); break;
      case 4: setWindowMessage(); break;
      case 5: progress(); break;
      case 6: controllerExport(); break;
      case 7: biosExport(); break;
      case 8: serviceTouchedByAnotherProgram(); break;
      case 9: failRequests(); break;
      case 10: machine_->devices.failOpen("KxACS", input_.ConsumeBool() ? 0 : anyError()); break;
      case 11: {
        const std::uint32_t error = anyError();
        machine_->services.failStarts("Cfgprobe64", error, input_.ConsumeIntegralInRange(-1, 3));
        break;
      }
      case 12: machine_->services.failOpenManager(input_.ConsumeBool() ? 0 : anyError()); break;
      case 13:
        cfgprobe::setCurrentStatus(input_.ConsumeIntegralInRange<KxLong>(kStatusIdle, kStatusSearching));
        statusSetByInput_ = true;
        break;
      case 14: toggleDriverFile(); break;
      case 15: machine_->facts.currentDirectory = u"C:\\" + anyText(400); break;
    }
    FUZZ_CHECK(machine_->services.openHandles() == 0);
    FUZZ_CHECK(machine_->devices.eventsOpen() == 0);
    FUZZ_CHECK(driverHandles() <= 1);
  }

  // The faults gone and the library idle, the last exit must leave nothing behind.
  void finish() {
    machine_->accessDriver.failRequests(0);
    machine_->devices.failOpen("KxACS", 0);
    machine_->services.failStarts("Cfgprobe64", 0, 0);
    machine_->services.failOpenManager(0);
    waitUntilIdle();
    const int result = KX_ExitLibrary();
    FUZZ_CHECK(result == 1 || (result == 0 && !TheLibrary));
    FUZZ_CHECK(!TheLibrary && driverHandles() == 0);
    FUZZ_CHECK(!machine_->services.find("Cfgprobe64"));
    FUZZ_CHECK(machine_->services.openHandles() == 0 && machine_->devices.eventsOpen() == 0);
  }

 private:
  int driverHandles() const { return machine_->devices.openHandles("KxACS"); }

  std::uint32_t anyError() {
    return input_.PickValueInArray<std::uint32_t>({os::kErrorFileNotFound, os::kErrorAccessDenied,
                                                   os::kErrorGenFailure, os::kErrorBadDriver,
                                                   os::kErrorServiceDisabled, os::kErrorServiceAlreadyRunning,
                                                   input_.ConsumeIntegral<std::uint32_t>()});
  }

  std::u16string anyText(std::size_t longest) {
    const std::string bytes = input_.ConsumeRandomLengthString(longest);
    return std::u16string(bytes.begin(), bytes.end());
  }

  // A file name of any length, or none.
  std::string* fileName() {
    if (input_.ConsumeIntegralInRange(0, 7) == 0) return nullptr;
    name_ = input_.ConsumeRandomLengthString(1000);
    return &name_;
  }
  char* cText(std::string* text) { return text ? text->data() : nullptr; }

  int anyIndex() {
    return input_.PickValueInArray({0, 1, 2, 16, 17, -1, input_.ConsumeIntegral<int>()});
  }

  void init() {
    const bool wasOpen = TheLibrary && os::isValid(TheLibrary->hKXDriver);
    const int result = KX_InitLibrary();
    FUZZ_CHECK(oneOf(result, {1, -1, -2, -3, -6}));
    if (result == 1) FUZZ_CHECK(TheLibrary && os::isValid(TheLibrary->hKXDriver) && driverHandles() == 1);
    if (wasOpen) FUZZ_CHECK(result == 1);
  }

  void exit() {
    const bool busy = cfgprobe::currentStatus() != kStatusIdle;
    const bool initialised = TheLibrary != nullptr;
    const int handles = driverHandles();
    const int result = KX_ExitLibrary();
    FUZZ_CHECK(oneOf(result, {1, 0, -4, -101}));
    if (!initialised) FUZZ_CHECK(result == 0);
    if (initialised && busy) FUZZ_CHECK(result == -101 && driverHandles() == handles && TheLibrary);
    if (result == 1) FUZZ_CHECK(!TheLibrary && driverHandles() == 0);
    if (result == -4) FUZZ_CHECK(TheLibrary && driverHandles() == 0);
  }

  // Scans that find nothing probe all 65,536 functions; they are allowed once per
  // input, so that a run stays quick.
  void readConfig() {
    KxLong identity = input_.PickValueInArray<KxLong>(
        {static_cast<KxLong>(kBoardIdentity), static_cast<KxLong>(kControllerIdentity), 0,
         static_cast<KxLong>(kStrayIdentity)});
    KxLong match = input_.PickValueInArray<KxLong>({0, static_cast<KxLong>(kBoardIdentity), -1});
    const bool noDevice = TheLibrary && !os::isValid(TheLibrary->hKXDriver);
    const bool fullScan = identity == static_cast<KxLong>(kStrayIdentity) ||
                          (match != 0 && identity != static_cast<KxLong>(kBoardIdentity)) || match == -1 ||
                          everyRequestFails_ || noDevice;
    if (fullScan && fullScanDone_) identity = static_cast<KxLong>(kBoardIdentity), match = 0;
    fullScanDone_ = fullScanDone_ || fullScan;
    const KxLong offset = input_.PickValueInArray<KxLong>({0x10, 0x1C, 0x94, 0xFC, 0x100, -4,
                                                            input_.ConsumeIntegral<KxLong>()});
    KxULong value = 0xA5A5A5A5u;
    const bool withOutput = input_.ConsumeIntegralInRange(0, 7) != 0;
    const int result = KX_GetPCIConfig(identity, match, offset, withOutput ? &value : nullptr);
    FUZZ_CHECK(result == 0 || result == 1);
    if (result == 0) FUZZ_CHECK(value == 0xA5A5A5A5u);
    if (!TheLibrary || !withOutput || identity == 0) FUZZ_CHECK(result == 0);
  }

  void setWindowMessage() {
    static int window;
    const bool withWindow = input_.ConsumeBool();
    const auto message = input_.PickValueInArray<std::uint32_t>({0, 0x8001, input_.ConsumeIntegral<std::uint32_t>()});
    const int result = KX_SetWindowMessage(withWindow ? &window : nullptr, message);
    FUZZ_CHECK(result == (!withWindow ? -12 : message == 0 ? -13 : 1));
  }

  void progress() {
    KxLong status = -12345;
    const bool withOutput = input_.ConsumeBool();
    KX_GetBiosOperationProgress(withOutput ? &status : nullptr);
    if (withOutput) FUZZ_CHECK(status >= kStatusIdle && status <= kStatusSearching);
  }

  // Discovery and description of controllers: each reaches the whole bus, so only
  // while no full scan has been made.
  void controllerExport() {
    int count = -7;
    int* out = input_.ConsumeIntegralInRange(0, 7) ? &count : nullptr;
    SIIDEVICEINFO info{};
    switch (input_.ConsumeIntegralInRange(0, 3)) {
      case 0: KX_GetSiI3132Device(out); break;
      case 1: {
        const auto identity = input_.ConsumeIntegral<KxLong>();
        const auto subsystem = input_.ConsumeIntegral<KxLong>();
        KX_GetSiI3132DeviceEx(identity, subsystem, input_.ConsumeIntegral<unsigned short>(), out);
        break;
      }
      case 2: FUZZ_CHECK(KX_GetNewSiI3132Device(out) != 1 || out); break;
      case 3: {
        const int index = anyIndex();
        KX_GetSiI3132Info(index, input_.ConsumeBool() ? &info : nullptr);
        break;
      }
    }
  }

  void biosExport() {
    BIOSPROPERTYDATA data{};
    BIOSPROPERTYDATA* out = input_.ConsumeIntegralInRange(0, 7) ? &data : nullptr;
    const int operation = input_.ConsumeIntegralInRange(0, 6);
    const int index = anyIndex();
    if (operation == 6) {
      const int port0 = input_.PickValueInArray({0, 1, 2, 3, -1});
      KX_SetSControl(index, port0, input_.PickValueInArray({0, 1, 2, 3, -1}));
      return;
    }
    char* name = operation >= 1 && operation <= 4 ? cText(fileName()) : nullptr;
    switch (operation) {
      case 0: KX_EraseBiosData(index); break;
      case 1: KX_GetBiosData(index, name); break;
      case 2: KX_SetBiosData(index, name); break;
      case 3: KX_CompareBiosData(index, name); break;
      case 4: KX_GetBiosFileInfo(name, out); break;
      case 5: KX_GetBiosInfo(index, out); break;
    }
  }

  // What another program (or an administrator) does to the driver's service
  // between two requests of the library.
  void serviceTouchedByAnotherProgram() {
    os::Services& scm = machine_->services;
    const os::Handle manager = scm.openSCManagerA(nullptr, nullptr, os::kScManagerAllAccess);
    const os::Handle service = manager ? scm.openServiceA(manager, "Cfgprobe64", os::kServiceAllAccess) : nullptr;
    if (service) {
      os::ServiceStatus status;
      if (input_.ConsumeBool()) scm.controlService(service, os::kServiceControlStop, &status);
      if (input_.ConsumeBool()) scm.deleteService(service);
      scm.closeServiceHandle(service);
    }
    if (manager) scm.closeServiceHandle(manager);
  }

  void failRequests() {
    const int count = input_.ConsumeIntegralInRange(-1, 8);
    machine_->accessDriver.failRequests(count, anyError());
    everyRequestFails_ = count < 0;
  }

  void toggleDriverFile() {
    std::error_code ec;
    if (std::filesystem::exists(driverFile_, ec))
      std::filesystem::remove(driverFile_, ec);
    else
      std::ofstream(driverFile_) << "driver";
  }

  // A status the input set stands for a BIOS worker that has ended by now; one
  // the library's own worker set must be cleared by that worker, in time.
  void waitUntilIdle() {
    if (statusSetByInput_) cfgprobe::setCurrentStatus(kStatusIdle);
    for (int i = 0; i < 10000 && cfgprobe::currentStatus() != kStatusIdle; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    FUZZ_CHECK(cfgprobe::currentStatus() == kStatusIdle);
  }

  FuzzedDataProvider& input_;
  std::unique_ptr<sim::Machine> machine_;
  std::filesystem::path driverFile_;
  std::string name_;
  bool fullScanDone_ = false;
  bool everyRequestFails_ = false;
  bool statusSetByInput_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  Run run(input);
  for (int steps = 0; steps < 64 && input.remaining_bytes() > 0; ++steps) run.step();
  run.finish();
  return 0;
}
