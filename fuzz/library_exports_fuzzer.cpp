// The access library's frame, its PCI configuration read and its driver service:
// the exports called in any order with any arguments on a simulated machine (the
// board and a SiI3132 controller on its PCI bus, the driver file in the current
// folder), while the machine misbehaves between the calls as a real PC can:
// another program stops or deletes the driver's service, driver requests fail,
// the device or the service manager cannot be opened, the driver file disappears,
// the current folder grows past what a path holds, the library is busy. (The
// controller and BIOS exports, and their workers, have a target of their own:
// controller_exports.)
//
// Input: a list of steps, each an operation and its arguments (FuzzedDataProvider).
// Besides surviving, every step must keep the library's promises: results among
// each export's codes, a failed configuration read leaves its output alone, exit
// while busy keeps the device open, no handle of the service manager or of a
// request's event outlives its call, at most one driver handle is open; and once
// the faults are gone a last KX_ExitLibrary leaves no driver handle and no service.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "cfgprobe/cfgprobe.h"
#include "cfgprobe/library_state.h"
#include "fuzz/check.h"
#include "fuzz/library_machine.h"

namespace {

using fuzz::anyError;
using fuzz::oneOf;

constexpr std::uint32_t kBoardIdentity = 0x01021195;  // KB20
constexpr std::uint32_t kControllerIdentity = 0x31321095;
constexpr std::uint32_t kStrayIdentity = 0x12345678;  // on no function of the machine

class Run {
 public:
  explicit Run(FuzzedDataProvider& input) : input_(input), machine_(library_.machine()) {
    sim::PciFunction& board = machine_.pci.add({0, 4, 0}, kBoardIdentity);
    board.set32(0x10, 0xF2000000);
    board.set32(0x1C, 0x0000E001);
    board.set32(0x94, kBoardIdentity);
    machine_.pci.add({2, 0, 0}, kControllerIdentity).set32(0x2C, kControllerIdentity);
  }

  void step() {
    switch (input_.ConsumeIntegralInRange(0, 13)) {
      case 0: init(); break;
      case 1: exit(); break;
      case 2: readConfig(); break;
      case 3: KX_GetLastError(); break;
      case 4: setWindowMessage(); break;
      case 5: progress(); break;
      case 6: fuzz::touchDriverService(machine_, input_); break;
      case 7: failRequests(); break;
      case 8: machine_.devices.failOpen("KxACS", input_.ConsumeBool() ? 0 : anyError(input_)); break;
      case 9: {
        const std::uint32_t error = anyError(input_);
        machine_.services.failStarts("Cfgprobe64", error, input_.ConsumeIntegralInRange(-1, 3));
        break;
      }
      case 10: machine_.services.failOpenManager(input_.ConsumeBool() ? 0 : anyError(input_)); break;
      case 11:
        cfgprobe::setCurrentStatus(input_.ConsumeIntegralInRange<KxLong>(kStatusIdle, kStatusSearching));
        break;
      case 12: library_.toggleDriverFile(); break;
      case 13: machine_.facts.currentDirectory = u"C:\\" + anyText(400); break;
    }
    FUZZ_CHECK(machine_.services.openHandles() == 0);
    FUZZ_CHECK(machine_.devices.eventsOpen() == 0);
    FUZZ_CHECK(driverHandles() <= 1);
  }

  // The faults gone and the library idle, the last exit must leave nothing behind.
  void finish() {
    machine_.accessDriver.failRequests(0);
    machine_.devices.failOpen("KxACS", 0);
    machine_.services.failStarts("Cfgprobe64", 0, 0);
    machine_.services.failOpenManager(0);
    // A status the input set stands for an operation that has ended by now.
    cfgprobe::setCurrentStatus(kStatusIdle);
    const int result = KX_ExitLibrary();
    FUZZ_CHECK(result == 1 || (result == 0 && !TheLibrary));
    FUZZ_CHECK(!TheLibrary && driverHandles() == 0);
    FUZZ_CHECK(!machine_.services.find("Cfgprobe64"));
    FUZZ_CHECK(machine_.services.openHandles() == 0 && machine_.devices.eventsOpen() == 0);
  }

 private:
  int driverHandles() const { return library_.driverHandles(); }

  std::u16string anyText(std::size_t longest) {
    const std::string bytes = input_.ConsumeRandomLengthString(longest);
    return std::u16string(bytes.begin(), bytes.end());
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

  void failRequests() {
    const int count = input_.ConsumeIntegralInRange(-1, 8);
    machine_.accessDriver.failRequests(count, anyError(input_));
    everyRequestFails_ = count < 0;
  }

  FuzzedDataProvider& input_;
  fuzz::LibraryMachine library_;
  sim::Machine& machine_;
  bool fullScanDone_ = false;
  bool everyRequestFails_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  Run run(input);
  for (int steps = 0; steps < 64 && input.remaining_bytes() > 0; ++steps) run.step();
  run.finish();
  return 0;
}
