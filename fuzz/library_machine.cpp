#include "fuzz/library_machine.h"

#include <cstring>
#include <fstream>
#include <system_error>

#include "cfgprobe/library_state.h"
#include "fuzz/scratch_folder.h"

namespace fuzz {
namespace {

// The library as it is when it has just been loaded.
void freshLibraryState() {
  cfgprobe::setCurrentStatus(kStatusIdle);
  cfgprobe::setLastError(0);
  cfgprobe::setDriverServiceError(0);
  cfgprobe::setBiosProgress(0);
  NotifyWindow = nullptr;
  NotifyMessage = 0;
  std::memset(DeviceTable, 0xFF, sizeof DeviceTable);  // every record free
  DeviceCount = 0;
  std::memset(CKXACS::szFileNameToReadBios, 0, kPathBufferSize);
  std::memset(CKXACS::szFileNameToSaveBios, 0, kPathBufferSize);
}

}  // namespace

LibraryMachine::LibraryMachine() {
  const std::filesystem::path root = scratchFolder() / "machine";
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
  machine_ = std::make_unique<sim::Machine>(root);
  driverFile_ = root / "C" / "Tools" / "Cfgprobe64.sys";
  std::filesystem::create_directories(driverFile_.parent_path(), ec);
  std::ofstream(driverFile_) << "driver";
  machine_->install();
  freshLibraryState();
}

LibraryMachine::~LibraryMachine() {
  os::installPlatform(os::Platform{});
  machine_.reset();
}

int LibraryMachine::driverHandles() const { return machine_->devices.openHandles("KxACS"); }

void LibraryMachine::toggleDriverFile() {
  std::error_code ec;
  if (std::filesystem::exists(driverFile_, ec))
    std::filesystem::remove(driverFile_, ec);
  else
    std::ofstream(driverFile_) << "driver";
}

bool oneOf(int value, std::initializer_list<int> codes) {
  for (int code : codes)
    if (value == code) return true;
  return false;
}

std::uint32_t anyError(FuzzedDataProvider& input) {
  return input.PickValueInArray<std::uint32_t>(
      {os::kErrorFileNotFound, os::kErrorAccessDenied, os::kErrorGenFailure, os::kErrorBadDriver,
       os::kErrorServiceDisabled, os::kErrorServiceAlreadyRunning, input.ConsumeIntegral<std::uint32_t>()});
}

void touchDriverService(sim::Machine& machine, FuzzedDataProvider& input) {
  os::Services& scm = machine.services;
  const os::Handle manager = scm.openSCManagerA(nullptr, nullptr, os::kScManagerAllAccess);
  const os::Handle service = manager ? scm.openServiceA(manager, "Cfgprobe64", os::kServiceAllAccess) : nullptr;
  if (service) {
    os::ServiceStatus status;
    if (input.ConsumeBool()) scm.controlService(service, os::kServiceControlStop, &status);
    if (input.ConsumeBool()) scm.deleteService(service);
    scm.closeServiceHandle(service);
  }
  if (manager) scm.closeServiceHandle(manager);
}

}  // namespace fuzz
