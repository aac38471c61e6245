// Start and end of the library's use, and the exports that only touch its state.
#include <cstring>
#include <new>

#include "cfgprobe/driver_names.h"
#include "cfgprobe/host_machine.h"
#include "cfgprobe/library_state.h"
#include "os/platform.h"

namespace {

constexpr int kInitObjectFailed = -1;
constexpr int kExitServiceManagerUnreachable = -4;
constexpr int kNoWindow = -12;
constexpr int kNoMessage = -13;
constexpr int kBusy = -101;

// The service name as the char buffer the driver service calls take.
struct ServiceName {
  char text[sizeof cfgprobe::kDriverServiceName];
  ServiceName() { std::memcpy(text, cfgprobe::kDriverServiceName, sizeof text); }
};

// Installs and starts the driver service from the driver file beside the process,
// retrying once from scratch when an earlier registration cannot be started. A
// result other than 0 ends the start-up with that result.
int installDriver(CKXACS& library) {
  char driverPath[kPathBufferSize];
  // A path that does not fit is not installed from in truncated form: the device
  // is then opened only if the driver already runs.
  if (!library.GetSysPath(driverPath)) return 0;
  ServiceName service;
  if (library.ManageKXDriver(service.text, driverPath, cfgprobe::kActionInstallAndStart) != 0) return 0;
  const int error = cfgprobe::lastError();
  if (error == cfgprobe::kErrorBadDriverWow64 || error == cfgprobe::kErrorDeviceUnavailable) return error;
  library.ManageKXDriver(service.text, driverPath, cfgprobe::kActionStopAndRemove);
  library.ManageKXDriver(service.text, driverPath, cfgprobe::kActionInstallAndStart);
  return 0;
}

}  // namespace

int OS_WINAPI KX_InitLibrary() {
  cfgprobe::adoptHostMachine();
  cfgprobe::setDriverServiceError(0);
  if (TheLibrary && os::isValid(TheLibrary->hKXDriver)) return 1;  // already started: keep the open device
  if (!TheLibrary) {
    TheLibrary = new (std::nothrow) CKXACS;
    if (!TheLibrary) return kInitObjectFailed;
    cfgprobe::setCurrentStatus(kStatusIdle);
  }
  if (const int failed = installDriver(*TheLibrary); failed != 0) return failed;
  TheLibrary->hKXDriver = TheLibrary->LoadKXDriver(nullptr);
  return TheLibrary->hKXDriver ? 1 : cfgprobe::lastError();
}

int OS_WINAPI KX_ExitLibrary() {
  if (!TheLibrary) return 0;
  if (cfgprobe::currentStatus() != kStatusIdle) return kBusy;
  if (TheLibrary->hKXDriver) {
    os::platform().devices->closeHandle(TheLibrary->hKXDriver);
    TheLibrary->hKXDriver = nullptr;  // a retried exit must not close it twice
  }
  ServiceName service;
  if (TheLibrary->ManageKXDriver(service.text, TheLibrary->szKXDriverPath, cfgprobe::kActionStopAndRemove) == 0)
    return kExitServiceManagerUnreachable;
  delete TheLibrary;
  TheLibrary = nullptr;
  return 1;
}

int OS_WINAPI KX_GetLastError() { return cfgprobe::lastError(); }

int OS_WINAPI KX_GetDriverServiceError() { return static_cast<int>(cfgprobe::driverServiceError()); }

int OS_WINAPI KX_SetWindowMessage(os::Handle window, std::uint32_t message) {
  if (!window) return kNoWindow;
  if (message == 0) return kNoMessage;
  cfgprobe::setNotifyTarget(window, message);
  return 1;
}

int OS_WINAPI KX_GetBiosOperationProgress(KxLong* status) {
  if (status) *status = cfgprobe::currentStatus();
  return cfgprobe::biosProgress();
}
