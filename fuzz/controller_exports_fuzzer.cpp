// The access library's controller and BIOS exports called in any order with any
// arguments on a simulated machine with SiI3132 controllers and their flash chips,
// while the machine misbehaves between the calls: driver requests fail (all, a
// few, or the block requests of a worker part-way), another program stops or
// deletes the driver's service, files cannot be opened or written, no thread can
// be started, controllers are added, pulled out or put back, a chip erases too
// slowly, the device registry cannot be read. Image files hold anything: nothing,
// a few bytes, erased pointers, whole images with any text, more than 128 KiB.
//
// Read, compare and write run on worker threads. A worker the input asks to hold
// waits before a chosen block request, so that what follows meets a library that
// is certainly busy (a second operation, a search, an erase, KX_ExitLibrary); every
// other worker is waited for at once. No worker outlives its input.
//
// Input: a list of steps, each an operation and its arguments (FuzzedDataProvider).
// Every step must keep the library's promises: results among each export's codes
// and the refusals where they are due (a bad index -105, a missing or too long name
// -10, -101 while a worker runs, with nothing started, erased or renamed); exactly
// one completion message per started worker, to the registered window, whose
// parameters, LastError and progress agree; a read leaves the chip's image in its
// file, a compare reports equality only for an equal chip and never over failed
// reads, a write leaves the file's image in the chip; version and date as the
// image's pointers lead to; no handle outlives its call.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "cfgprobe/cfgprobe.h"
#include "cfgprobe/library_state.h"
#include "fuzz/bios_image.h"
#include "fuzz/bios_worker_watch.h"
#include "fuzz/check.h"
#include "fuzz/controller_machine.h"
#include "fuzz/library_machine.h"

namespace {

using fuzz::anyError;
using fuzz::oneOf;

constexpr std::uint32_t kBiosMessage = 0x8123;
// Controller searches probe all 65,536 functions and a BIOS worker moves 2048
// blocks; a few of each per input keep a run quick.
constexpr int kSearchesPerInput = 2;
constexpr int kWorkersPerInput = 6;

enum class Operation { Read, Compare, Write };

// A worker that was held and has not ended yet.
struct Outstanding {
  Operation operation = Operation::Read;
  std::string name;
  std::optional<std::vector<std::uint8_t>> source;  // a compare's or write's file when started
  std::optional<std::vector<std::uint8_t>> chip;    // what block reads return, when known
  std::optional<sim::PciLocation> at;               // the controller the index named
  std::int64_t heldAt = 0;
  bool readsFailThroughout = false;
};

class Run {
 public:
  explicit Run(FuzzedDataProvider& input) : input_(input), machine_(library_.machine()) {
    window_ = machine_.windows.createWindow(nullptr, u"caller");
    FUZZ_CHECK(KX_InitLibrary() == 1);
    if (input_.ConsumeIntegralInRange(0, 7) != 0) registerWindow(window_, kBiosMessage);
  }

  void step() {
    switch (input_.ConsumeIntegralInRange(0, 22)) {
      case 0: search(); break;
      case 1: searchEx(); break;
      case 2: newController(); break;
      case 3: info(); break;
      case 4: setSControl(); break;
      case 5: erase(); break;
      case 6: start(Operation::Read); break;
      case 7: start(Operation::Compare); break;
      case 8: start(Operation::Write); break;
      case 9: biosInfo(); break;
      case 10: fileInfo(); break;
      case 11: hardware_.writeImageFile(); break;
      case 12: progress(); break;
      case 13: awaitWorker(); break;
      case 14: exit(); break;
      case 15: init(); break;
      case 16: setWindowMessage(); break;
      case 17: hardware_.failRequests(); break;
      case 18: hardware_.clearRequestFaults(); break;
      case 19: fuzz::touchDriverService(machine_, input_); break;
      case 20: hardware_.fileFault(); break;
      case 21: machine_.threads.failStarts(input_.ConsumeBool() ? 1 : 0); break;
      case 22:
        if (!worker_) hardware_.changeHardware();
        break;
    }
    FUZZ_CHECK(library_.driverHandles() <= 1);
    if (!worker_) {
      // A held worker is inside a request, with its event; otherwise none may stay.
      FUZZ_CHECK(machine_.devices.eventsOpen() == 0);
      FUZZ_CHECK(cfgprobe::currentStatus() == kStatusIdle);
    }
    FUZZ_CHECK(machine_.services.openHandles() == 0);
    FUZZ_CHECK(machine_.setup.openSets() == 0 && machine_.setup.openKeys() == 0);
  }

  // The worker ended, the faults gone, the last exit must leave no driver handle.
  void finish() {
    if (worker_) awaitWorker();
    hardware_.clearRequestFaults();
    machine_.services.failOpenManager(0);
    const int result = KX_ExitLibrary();
    FUZZ_CHECK(result == 1 || (result == 0 && !TheLibrary));
    FUZZ_CHECK(!TheLibrary && library_.driverHandles() == 0 && machine_.threads.running() == 0);
    FUZZ_CHECK(watch_.completions() == workersStarted_);
  }

 private:
  // --- arguments ---

  int anyIndex() { return input_.PickValueInArray({1, 1, 2, 3, 0, 16, 17, -1, input_.ConsumeIntegral<int>()}); }

  // The record an index names, or null where the library must refuse it.
  static const DEVICEENTRY* entryAt(int index) {
    if (index < 1 || index > kDeviceTableSize) return nullptr;
    const DEVICEENTRY& e = DeviceTable[index - 1];
    return e.bBus == 0xFF && e.bDevice == 0xFF && e.bFunction == 0xFF ? nullptr : &e;
  }

  // A file name, or null (returned as nullopt).
  std::optional<std::string> fileName() {
    switch (input_.ConsumeIntegralInRange(0, 9)) {
      case 0: return std::nullopt;
      case 1: return "bios.bin";
      case 2: return "C:\\Tools\\image.bin";
      case 3: return "out.bin";
      case 4: return "";
      case 5: return "C:\\Nowhere\\bios.bin";
      case 6: return "C:\\TOOLS\\BIOS.BIN";
      case 7: {
        // Around the 260-character buffers.
        const std::size_t length = input_.ConsumeIntegralInRange<std::size_t>(250, 270);
        return "C:\\Tools\\" + std::string(length - 9, 'b');
      }
      default: return input_.ConsumeRandomLengthString(1000);
    }
  }
  static char* cName(std::optional<std::string>& name) { return name ? name->data() : nullptr; }

  // --- the frame ---

  void registerWindow(os::Handle window, std::uint32_t message) {
    FUZZ_CHECK(KX_SetWindowMessage(window, message) == 1);
    registered_ = window, message_ = message;
  }

  void setWindowMessage() {
    const bool withWindow = input_.ConsumeIntegralInRange(0, 3) != 0;
    const auto message =
        input_.PickValueInArray<std::uint32_t>({0, kBiosMessage, input_.ConsumeIntegral<std::uint32_t>()});
    if (withWindow && message != 0) return registerWindow(window_, message);
    FUZZ_CHECK(KX_SetWindowMessage(withWindow ? window_ : nullptr, message) == (withWindow ? -13 : -12));
  }

  void init() {
    const bool wasOpen = TheLibrary && os::isValid(TheLibrary->hKXDriver);
    const int result = KX_InitLibrary();
    FUZZ_CHECK(oneOf(result, {1, -1, -2, -3, -6}));
    if (wasOpen || worker_) FUZZ_CHECK(result == 1);
  }

  void exit() {
    const bool initialised = TheLibrary != nullptr;
    const int handles = library_.driverHandles();
    const int result = KX_ExitLibrary();
    FUZZ_CHECK(oneOf(result, {1, 0, -4, -101}));
    if (!initialised) FUZZ_CHECK(result == 0);
    // A worker runs: the library and its device stay as they are.
    if (worker_) FUZZ_CHECK(result == -101 && TheLibrary && library_.driverHandles() == handles);
    if (result == -101) FUZZ_CHECK(worker_.has_value());
    if (result == 1) FUZZ_CHECK(!TheLibrary && library_.driverHandles() == 0);
  }

  void progress() {
    KxLong status = -12345;
    const bool withOutput = input_.ConsumeBool();
    const int progress = KX_GetBiosOperationProgress(withOutput ? &status : nullptr);
    FUZZ_CHECK(progress >= -1 && progress <= 100);
    if (!withOutput) FUZZ_CHECK(status == -12345);
    if (worker_ && watch_.held()) {
      // Held before block n: n blocks are done.
      FUZZ_CHECK(progress == static_cast<int>(worker_->heldAt * 6400 / 131072));
      if (withOutput) FUZZ_CHECK(status == statusOf(worker_->operation));
    } else if (withOutput) {
      FUZZ_CHECK(status == kStatusIdle);
    }
  }

  // --- controller discovery ---

  bool searchAllowed() { return searches_ < kSearchesPerInput && ++searches_ > 0; }

  void search() {
    int count = -7;
    const bool withOutput = input_.ConsumeIntegralInRange(0, 7) != 0;
    if (withOutput && !worker_ && TheLibrary && !searchAllowed()) return;
    const bool behaves = hardware_.behaves();
    const std::uint64_t requests = machine_.accessDriver.requests();
    const int result = KX_GetSiI3132Device(withOutput ? &count : nullptr);
    if (!TheLibrary) return FUZZ_CHECK(result == -100 && count == -7);
    if (!withOutput) return FUZZ_CHECK(result == -11 && machine_.accessDriver.requests() == requests);
    if (worker_) return FUZZ_CHECK(result == -101 && count == -7 && machine_.accessDriver.requests() == requests);
    FUZZ_CHECK(oneOf(result, {1, -100}));
    FUZZ_CHECK(count == DeviceCount && (result == 1) == (count > 0));
    if (behaves) checkTable(count);
  }

  // The records of a search that met no fault: the controllers in bus order, each
  // with its chip's identifier and its ports' speed fields; free records after them.
  void checkTable(int count) {
    FUZZ_CHECK(count == hardware_.controllersPresent());
    std::vector<const sim::SiI3132*> found;
    for (sim::SiI3132& c : machine_.controllers) found.push_back(&c);
    std::sort(found.begin(), found.end(), [](const sim::SiI3132* a, const sim::SiI3132* b) {
      const sim::PciLocation x = a->location(), y = b->location();
      return std::tie(x.bus, x.device, x.function) < std::tie(y.bus, y.device, y.function);
    });
    for (int i = 0; i < kDeviceTableSize; ++i) {
      const DEVICEENTRY& e = DeviceTable[i];
      if (i >= count) {
        FUZZ_CHECK(e.bBus == 0xFF && e.bDevice == 0xFF && e.bFunction == 0xFF);
        continue;
      }
      auto* c = const_cast<sim::SiI3132*>(found[i]);
      FUZZ_CHECK(fuzz::sameLocation(c->location(), e));
      FUZZ_CHECK(e.wFlashID == (c->flash().manufacturer() << 8 | c->flash().device()));
      FUZZ_CHECK(e.nSControlPort0 == static_cast<std::int32_t>((c->sControl(0) >> 4) & 0xF));
      FUZZ_CHECK(e.nSControlPort1 == static_cast<std::int32_t>((c->sControl(1) >> 4) & 0xF));
    }
  }

  void searchEx() {
    const auto identity =
        input_.PickValueInArray<KxLong>({0x31321095, 0, 0x01021195, input_.ConsumeIntegral<KxLong>()});
    const auto subsystem = input_.PickValueInArray<KxLong>({0x31321095, 0, input_.ConsumeIntegral<KxLong>()});
    int count = -7;
    const bool withOutput = input_.ConsumeIntegralInRange(0, 7) != 0;
    if (withOutput && identity != 0 && !worker_ && TheLibrary && !searchAllowed()) return;
    const int before = DeviceCount;
    const int result = KX_GetSiI3132DeviceEx(identity, subsystem, 0, withOutput ? &count : nullptr);
    FUZZ_CHECK(DeviceCount == before);
    if (!TheLibrary) return FUZZ_CHECK(result == 0 && count == -7);
    if (!withOutput) return FUZZ_CHECK(result == -11);
    if (worker_) return FUZZ_CHECK(result == -101 && count == -7);
    FUZZ_CHECK(result == 1 && count >= 0 && count <= kDeviceTableSize);
  }

  void newController() {
    int index = -7;
    const bool withOutput = input_.ConsumeIntegralInRange(0, 7) != 0;
    const int old = DeviceCount;
    const bool searches = withOutput && TheLibrary && old <= 15 && !worker_;
    if (searches && !searchAllowed()) return;
    const bool behaves = hardware_.behaves();
    DEVICEENTRY before[kDeviceTableSize];
    std::memcpy(before, DeviceTable, sizeof before);
    const int result = KX_GetNewSiI3132Device(withOutput ? &index : nullptr);
    if (!withOutput) return FUZZ_CHECK(result == -11);
    if (!TheLibrary) return FUZZ_CHECK(result == -106 && index == -7);
    if (old > 15) return FUZZ_CHECK(result == -107 && index == -7);
    if (worker_) return FUZZ_CHECK(result == -101 && index == -7);
    const int found = DeviceCount;
    FUZZ_CHECK(result == (found == old ? -106 : found >= old + 2 ? -108 : found < old ? -109 : 1));
    if (behaves) FUZZ_CHECK(found == hardware_.controllersPresent());
    if (result != 1) return FUZZ_CHECK(index == -7);
    // The record reported is one that the earlier search did not have.
    FUZZ_CHECK(index >= 1 && index <= found);
    for (int j = 0; j < old; ++j) FUZZ_CHECK(std::memcmp(&DeviceTable[index - 1], &before[j], sizeof before[j]) != 0);
  }

  void info() {
    const int index = anyIndex();
    SIIDEVICEINFO record;
    std::memset(&record, 0xA5, sizeof record);
    const bool withOutput = input_.ConsumeIntegralInRange(0, 7) != 0;
    const int result = KX_GetSiI3132Info(index, withOutput ? &record : nullptr);
    const DEVICEENTRY* entry = entryAt(index);
    if (!TheLibrary) return FUZZ_CHECK(result == -105);
    if (!withOutput) return FUZZ_CHECK(result == -11);
    if (!entry) return FUZZ_CHECK(result == -105 && record.bBus == 0xA5);
    FUZZ_CHECK(result == 1 && record.bBus == entry->bBus && record.bDevice == entry->bDevice &&
               record.bFunction == entry->bFunction && record.wFlashID == entry->wFlashID);
  }

  // --- link speed ---

  void setSControl() {
    const int index = anyIndex();
    const int port0 = input_.PickValueInArray({0, 1, 2, 3, -1, input_.ConsumeIntegral<int>()});
    const int port1 = input_.PickValueInArray({0, 1, 2, 3, -1});
    const int result = KX_SetSControl(index, port0, port1);
    const DEVICEENTRY* entry = entryAt(index);
    if (!TheLibrary || !entry) return FUZZ_CHECK(result == -105);
    if (port0 < 0 || port0 > 2 || port1 < 0 || port1 > 2) return FUZZ_CHECK(result == -11);
    FUZZ_CHECK(oneOf(result, {1, -160, -161, -162, -300, -301}));
    // The description carries the mark once at most, whatever happened.
    for (const sim::DeviceNode& node : machine_.setup.nodes()) {
      const std::string text = node.description.value_or("");
      const std::size_t first = text.find("(1.5Gbps Driver)");
      FUZZ_CHECK(first == std::string::npos || text.find("(1.5Gbps Driver)", first + 1) == std::string::npos);
    }
  }

  // --- BIOS ---

  static KxLong statusOf(Operation operation) {
    return operation == Operation::Read      ? kStatusReadingBios
           : operation == Operation::Compare ? kStatusComparingBios
                                             : kStatusWritingBios;
  }

  void erase() {
    const int index = anyIndex();
    const int erasesBefore = hardware_.chipErases();
    const int result = KX_EraseBiosData(index);
    const DEVICEENTRY* entry = entryAt(index);
    if (!TheLibrary || !entry) return FUZZ_CHECK(result == -105 && hardware_.chipErases() == erasesBefore);
    if (worker_) return FUZZ_CHECK(result == -101 && hardware_.chipErases() == erasesBefore);
    FUZZ_CHECK(oneOf(result, {1, -110}));
  }

  void start(Operation operation) {
    if (workersStarted_ >= kWorkersPerInput && !worker_) return;
    const int index = anyIndex();
    std::optional<std::string> name = fileName();
    const std::int64_t holdAt =
        input_.ConsumeBool()
            ? input_.PickValueInArray<std::int64_t>({0, 1, 21, 2047, input_.ConsumeIntegralInRange(0, 2100)})
            : -1;
    const std::string saveBefore = CKXACS::szFileNameToSaveBios, readBefore = CKXACS::szFileNameToReadBios;
    const int threadsBefore = machine_.threads.started();
    const int erasesBefore = hardware_.chipErases();
    const DEVICEENTRY* entry = entryAt(index);
    Outstanding job;
    job.operation = operation;
    job.name = name.value_or("");
    if (operation != Operation::Read && name) job.source = fuzz::readMachineFile(name->c_str());
    if (entry)
      job.chip = hardware_.chipAt(*entry), job.at = sim::PciLocation{entry->bBus, entry->bDevice, entry->bFunction};
    job.heldAt = holdAt;
    job.readsFailThroughout = hardware_.everyRequestFails();
    const bool busy = worker_.has_value();
    if (!busy) watch_.holdBefore(holdAt);

    int result = 0;
    switch (operation) {
      case Operation::Read: result = KX_GetBiosData(index, cName(name)); break;
      case Operation::Compare: result = KX_CompareBiosData(index, cName(name)); break;
      case Operation::Write: result = KX_SetBiosData(index, cName(name)); break;
    }

    const bool tooLong = name && std::strlen(name->c_str()) >= 260;
    if (!TheLibrary || !entry) {
      FUZZ_CHECK(result == -105);
    } else if (operation == Operation::Write && !name) {
      FUZZ_CHECK(result == -10);
    } else if (busy) {
      FUZZ_CHECK(result == -101);
    } else if (!name || tooLong) {
      FUZZ_CHECK(result == -10);
    } else {
      FUZZ_CHECK(operation == Operation::Write ? oneOf(result, {1, -110, -150}) : oneOf(result, {1, -20, -150}));
    }
    if (result != 1) {
      // Refused: no thread, no erase unless the write's own erase failed part-way.
      FUZZ_CHECK(machine_.threads.started() == threadsBefore);
      if (result != -110) FUZZ_CHECK(hardware_.chipErases() == erasesBefore);
      if (result == -101 || result == -105 || result == -10) {
        FUZZ_CHECK(saveBefore == CKXACS::szFileNameToSaveBios && readBefore == CKXACS::szFileNameToReadBios);
      }
      FUZZ_CHECK(cfgprobe::currentStatus() == (busy ? statusOf(worker_->operation) : kStatusIdle));
      return;
    }
    ++workersStarted_;
    FUZZ_CHECK(machine_.threads.started() == threadsBefore + 1);
    FUZZ_CHECK(std::string(operation == Operation::Read ? CKXACS::szFileNameToSaveBios
                                                        : CKXACS::szFileNameToReadBios) == name->c_str());
    worker_ = std::move(job);
    FUZZ_CHECK(watch_.settle());
    if (!watch_.held()) awaitWorker();
  }

  // Lets the held worker go and checks its one message and what it left.
  void awaitWorker() {
    if (!worker_) return;
    const Outstanding job = std::move(*worker_);
    const bool readsFail = job.readsFailThroughout && hardware_.everyRequestFails();
    os::PostedMessage message;
    bool toWindow = false, idleAtMessage = false;
    FUZZ_CHECK(watch_.awaitEnd(&message, &toWindow, &idleAtMessage));
    // A caller may start its next operation as soon as the message is there.
    FUZZ_CHECK(idleAtMessage);
    worker_.reset();
    FUZZ_CHECK(watch_.completions() == workersStarted_);
    FUZZ_CHECK(toWindow == (registered_ != nullptr));
    if (!toWindow) return;
    FUZZ_CHECK(message.window == registered_ && message.message == message_);
    const auto result = static_cast<int>(message.lParam);
    const auto wParam = static_cast<KxLong>(message.wParam);
    FUZZ_CHECK(KX_GetLastError() == result);
    KxLong status = -1;
    const int progress = KX_GetBiosOperationProgress(&status);
    FUZZ_CHECK(status == kStatusIdle);
    const KxLong own = statusOf(job.operation);
    switch (job.operation) {
      case Operation::Read:
        FUZZ_CHECK(oneOf(result, {1, -203, -150, -15, -20}));
        FUZZ_CHECK(wParam == (result == -150 ? 0 : own));
        if (readsFail) FUZZ_CHECK(result != 1 && result != -15);
        // The file holds the chip's image (and can be read back unless the input barred it).
        if (result == 1 && job.chip) {
          const auto file = fuzz::readMachineFile(job.name.c_str());
          FUZZ_CHECK(file == job.chip || (!file && hardware_.fileFaults()));
        }
        break;
      case Operation::Compare:
        FUZZ_CHECK(oneOf(result, {1, -205, -200, -150, -202, -20}));
        FUZZ_CHECK(wParam == (result == -150 || result == -202 ? 0 : own));
        // Equality, or its absence, only over blocks that arrived.
        if (readsFail) FUZZ_CHECK(result != 1 && result != -205);
        if (job.chip && job.source && (result == 1 || result == -205))
          FUZZ_CHECK((result == 1) == (fuzz::asImage(*job.source) == *job.chip));
        break;
      case Operation::Write:
        FUZZ_CHECK(oneOf(result, {1, -203, -150, -202, -20}));
        FUZZ_CHECK(wParam == (result == 1 || result == -20 ? own : 0));
        // What the chip holds after a write reported done is the file's image.
        if (result == 1 && job.source && job.at)
          if (sim::SiI3132* c = machine_.findSiI3132(*job.at); c && c->flash().mode() == sim::JedecFlash::Mode::Read)
            FUZZ_CHECK(c->flash().contents() == fuzz::asImage(*job.source));
        break;
    }
    if (result == 1 || result == -15) FUZZ_CHECK(progress == 100);
    if (result == -205) FUZZ_CHECK(progress == -1);
    if (oneOf(result, {-203, -200, -202, -150})) FUZZ_CHECK(progress == 0);
    if (result == -20) FUZZ_CHECK(progress >= 0 && progress < 100);
  }

  // --- properties ---

  void biosInfo() {
    const int index = anyIndex();
    BIOSPROPERTYDATA data;
    std::memset(&data, 0xA5, sizeof data);
    const bool withOutput = input_.ConsumeIntegralInRange(0, 7) != 0;
    const DEVICEENTRY* entry = entryAt(index);
    const bool behaves = hardware_.behaves();
    const std::optional<std::vector<std::uint8_t>> chip = entry && !worker_ ? hardware_.chipAt(*entry) : std::nullopt;
    const int result = KX_GetBiosInfo(index, withOutput ? &data : nullptr);
    if (!TheLibrary || !entry) return FUZZ_CHECK(result == -105);
    if (!withOutput) return FUZZ_CHECK(result == -204);
    if (worker_) return FUZZ_CHECK(result == -101 && data.nPort0Speed == static_cast<std::int32_t>(0xA5A5A5A5));
    FUZZ_CHECK(oneOf(result, {1, 0, -151}));
    FUZZ_CHECK(data.nPort0Speed == entry->nSControlPort0 && data.nPort1Speed == entry->nSControlPort1);
    FUZZ_CHECK(strnlen(data.szDescription, kDescriptionSize) < kDescriptionSize);
    FUZZ_CHECK(std::strncmp(data.szDescription, entry->szDescription, std::strlen(data.szDescription)) == 0);
    // A controller pulled out has no windows the driver serves: its chip cannot be read.
    if (behaves && !hardware_.present(*entry)) FUZZ_CHECK(result == 0);
    if (behaves && chip) {
      const fuzz::BiosVersion expected = fuzz::versionOf(*chip, true);
      FUZZ_CHECK(result == expected.result);
      if (result == 1) FUZZ_CHECK(fuzz::sameVersion(expected, data));
    }
  }

  void fileInfo() {
    std::optional<std::string> name = fileName();
    BIOSPROPERTYDATA data;
    std::memset(&data, 0xA5, sizeof data);
    const bool withOutput = input_.ConsumeIntegralInRange(0, 7) != 0;
    const auto bytes = name ? fuzz::readMachineFile(name->c_str()) : std::nullopt;
    const int result = KX_GetBiosFileInfo(cName(name), withOutput ? &data : nullptr);
    BIOSPROPERTYDATA untouched;
    std::memset(&untouched, 0xA5, sizeof untouched);
    if (!name) return FUZZ_CHECK(result == -201);
    if (!withOutput) return FUZZ_CHECK(result == -204);
    if (!bytes) return FUZZ_CHECK(oneOf(result, {-200, -202}) && std::memcmp(&data, &untouched, sizeof data) == 0);
    const fuzz::BiosVersion expected = fuzz::versionOf(fuzz::asImage(*bytes), false);
    FUZZ_CHECK(result == expected.result);
    if (result == 1) FUZZ_CHECK(fuzz::sameVersion(expected, data));
    // Speeds and description are not the file's to fill.
    FUZZ_CHECK(data.nPort0Speed == untouched.nPort0Speed && data.szDescription[0] == untouched.szDescription[0]);
  }

  FuzzedDataProvider& input_;
  fuzz::LibraryMachine library_;
  sim::Machine& machine_;
  fuzz::ControllerMachine hardware_{machine_, input_};
  fuzz::BiosWorkerWatch watch_{machine_};
  os::Handle window_ = nullptr;
  os::Handle registered_ = nullptr;
  std::uint32_t message_ = 0;
  std::optional<Outstanding> worker_;
  int workersStarted_ = 0;
  int searches_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  Run run(input);
  for (int steps = 0; steps < 48 && input.remaining_bytes() > 0; ++steps) run.step();
  run.finish();
  return 0;
}
