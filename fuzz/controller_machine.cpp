#include "fuzz/controller_machine.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <system_error>

#include "cfgprobe/library_state.h"
#include "fuzz/bios_image.h"
#include "fuzz/library_machine.h"

namespace fuzz {

bool sameLocation(sim::PciLocation a, const DEVICEENTRY& entry) {
  return a.bus == entry.bBus && a.device == entry.bDevice && a.function == entry.bFunction;
}

ControllerMachine::ControllerMachine(sim::Machine& machine, FuzzedDataProvider& input)
    : machine_(machine), input_(input) {
  addController(kFirstController, firstImage());
  if (input_.ConsumeBool()) addController(kOtherPlaces[1], {});
  if (input_.ConsumeBool()) putFilterDriverFile();
}

std::vector<std::uint8_t> ControllerMachine::firstImage() {
  switch (input_.ConsumeIntegralInRange(0, 2)) {
    case 0: return {};  // a blank chip
    case 1: {
      std::string head = input_.ConsumeRandomLengthString(300);
      return std::vector<std::uint8_t>(head.begin(), head.end());
    }
    default: return versionedImage("7.3.15", "10/27/2010", 0x50, 0x60);
  }
}

std::vector<std::uint8_t> ControllerMachine::versionedImage(const std::string& version, const std::string& date,
                                                            std::uint8_t v, std::uint8_t d) {
  std::vector<std::uint8_t> image(fuzz::kImageBytes);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7 + i / 64);
  image[0x22] = v, image[0x24] = d;
  std::memcpy(&image[v], version.data(), version.size());
  std::memcpy(&image[d], date.data(), date.size());
  return image;
}

void ControllerMachine::addController(sim::PciLocation at, std::vector<std::uint8_t> image) {
  sim::SiI3132Setup setup;
  setup.location = at;
  setup.flashImage = std::move(image);
  setup.sControl = {input_.PickValueInArray<std::uint32_t>({0x300, 0x310, 0x320}), 0x300};
  machine_.addSiI3132(setup).flash().setEraseTimes(70, 18);
}

void ControllerMachine::putFilterDriverFile() {
  const auto folder = machine_.files.toHost(machine_.driverFolder());
  std::error_code ec;
  std::filesystem::create_directories(*folder, ec);
  std::ofstream(*folder / "TavSCntl.sys") << "filter";
}

void ControllerMachine::changeHardware() {
  const sim::PciLocation at = input_.ConsumeBool() ? kFirstController : input_.PickValueInArray(kOtherPlaces);
  sim::SiI3132* controller = machine_.findSiI3132(at);
  switch (input_.ConsumeIntegralInRange(0, 3)) {
    case 0:
      if (controller)
        machine_.removeSiI3132(at);
      else
        addController(at, {});
      break;
    case 1:
      if (controller) controller->flash().setEraseTimes(input_.ConsumeBool() ? 250 : 70, 18);
      break;
    case 2:
      if (controller)
        controller->flash().setIdentity(input_.ConsumeIntegral<std::uint8_t>(), input_.ConsumeIntegral<std::uint8_t>());
      break;
    case 3:
      if (sim::DeviceNode* node = machine_.setup.findPci(at)) {
        const std::uint32_t property =
            input_.PickValueInArray({os::kSpdrpHardwareId, os::kSpdrpLocationInformation, os::kSpdrpDeviceDesc});
        if (input_.ConsumeBool())
          node->propertyReadFaults[property] = anyError(input_);
        else
          node->propertyReadFaults.clear();
        if (input_.ConsumeIntegralInRange(0, 3) == 0) node->hasHardwareKey = !node->hasHardwareKey;
      }
      machine_.setup.failClassDevs(input_.ConsumeIntegralInRange(0, 3) == 0 ? anyError(input_) : 0);
      break;
  }
}

void ControllerMachine::failRequests() {
  const int count = input_.ConsumeIntegralInRange(-1, 8);
  if (input_.ConsumeBool()) {
    machine_.accessDriver.failRequests(count, anyError(input_));
    everyRequestFails_ = count < 0;
  } else {
    // One kind of request, after some are served: a worker fails part-way.
    const std::uint32_t code = input_.PickValueInArray<std::uint32_t>(
        {sim::access::kReadBlock, sim::access::kWriteBlock, sim::access::kWritePort, sim::access::kReadPort,
         sim::access::kWriteMemByte, sim::access::kWriteMemDword, sim::access::kReadMemByte});
    machine_.accessDriver.failRequestsOf(code, input_.ConsumeIntegralInRange<std::uint64_t>(0, 2100), count);
    failingCodes_.push_back(code);
  }
  requestFaults_ = requestFaults_ || count != 0;
}

void ControllerMachine::clearRequestFaults() {
  machine_.accessDriver.failRequests(0);
  for (std::uint32_t code : failingCodes_) machine_.accessDriver.failRequestsOf(code, 0, 0);
  failingCodes_.clear();
  requestFaults_ = everyRequestFails_ = false;
}

void ControllerMachine::fileFault() {
  fileFaults_ = true;
  const std::u16string path =
      input_.PickValueInArray<std::u16string>({u"C:\\Tools\\bios.bin", u"C:\\Tools\\image.bin", u"C:\\Tools\\out.bin"});
  if (input_.ConsumeBool())
    machine_.files.failOpen(path, anyError(input_));
  else
    machine_.files.failWrites(path);
}

// What the controller's block reads return: its chip's contents in read mode,
// all ones where no controller answers; unknown for a chip in another mode.
std::optional<std::vector<std::uint8_t>> ControllerMachine::chipAt(const DEVICEENTRY& entry) {
  for (sim::SiI3132& c : machine_.controllers) {
    if (!sameLocation(c.location(), entry)) continue;
    if (c.flash().mode() != sim::JedecFlash::Mode::Read) return std::nullopt;
    return c.flash().contents();
  }
  return std::nullopt;  // pulled out: the driver refuses its windows, nothing is read
}

bool ControllerMachine::present(const DEVICEENTRY& entry) const {
  for (const sim::SiI3132& c : machine_.controllers)
    if (sameLocation(c.location(), entry)) return true;
  return false;
}

void ControllerMachine::writeImageFile() {
  const char* name = input_.PickValueInArray({"bios.bin", "image.bin", "out.bin"});
  std::vector<std::uint8_t> bytes;
  switch (input_.ConsumeIntegralInRange(0, 4)) {
    case 0: break;  // empty
    case 1: {
      const std::string head = input_.ConsumeRandomLengthString(600);
      bytes.assign(head.begin(), head.end());
      break;
    }
    case 2: {
      const std::string version = input_.ConsumeRandomLengthString(6), date = input_.ConsumeRandomLengthString(10);
      bytes = versionedImage(version, date, input_.ConsumeIntegralInRange<std::uint8_t>(0x26, 0xF0),
                             input_.ConsumeIntegralInRange<std::uint8_t>(0x26, 0xF0));
      bytes.resize(bytes.size() + input_.ConsumeIntegralInRange(0, 100), 0x5A);  // longer than the chip
      break;
    }
    case 3: {
      // The first controller's chip, perhaps with one byte changed.
      if (const sim::SiI3132* c = machine_.findSiI3132(kFirstController))
        bytes = const_cast<sim::SiI3132*>(c)->flash().contents();
      if (!bytes.empty() && input_.ConsumeBool())
        bytes[input_.ConsumeIntegralInRange<std::size_t>(0, bytes.size() - 1)] ^= 0x01;
      break;
    }
    default: {
      const std::string head = input_.ConsumeRandomLengthString(60);
      bytes.assign(head.begin(), head.end());
      bytes.resize(std::max<std::size_t>(bytes.size(), 0x25), 0);
      bytes[0x22] = bytes[0x24] = 0xFF;
      break;
    }
  }
  // Written as another program writes it: not while the library holds the file open.
  os::Files& files = machine_.files;
  const os::Handle file = files.createFileA(name, os::kGenericWrite, 0, os::kCreateAlways);
  if (!os::isValid(file)) return;
  std::uint32_t written = 0;
  files.writeFile(file, bytes.data(), static_cast<std::uint32_t>(bytes.size()), &written);
  files.closeFile(file);
}

int ControllerMachine::chipErases() {
  int erases = 0;
  for (sim::SiI3132& c : machine_.controllers) erases += c.flash().chipErases();
  return erases;
}

bool ControllerMachine::behaves() {
  if (requestFaults_ || !TheLibrary || !os::isValid(TheLibrary->hKXDriver)) return false;
  for (sim::SiI3132& c : machine_.controllers)
    if (c.flash().mode() != sim::JedecFlash::Mode::Read) return false;
  return true;
}
int ControllerMachine::controllersPresent() const {
  return std::min<int>(static_cast<int>(machine_.controllers.size()), 16);
}

}  // namespace fuzz
