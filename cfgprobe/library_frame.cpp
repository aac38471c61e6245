// Start and end of the library's use, and the exports that only touch its state.
#include <cstring>
#include <new>

#include "cfgprobe/driver_names.h"
#include "cfgprobe/host_machine.h"
#include "cfgprobe/library_state.h"
#include "cfgprobe/result_codes.h"
#include "os/platform.h"

namespace {

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
  if (error == cfgprobe::kBadDriverWow64 || error == cfgprobe::kDeviceUnavailable) return error;
  library.ManageKXDriver(service.text, driverPath, cfgprobe::kActionStopAndRemove);
  library.ManageKXDriver(service.text, driverPath, cfgprobe::kActionInstallAndStart);
  return 0;
}

}  // namespace

int OS_WINAPI KX_InitLibrary() {
  cfgprobe::adoptHostMachine();
  cfgprobe::setDriverServiceError(0);
  // Already started: the open device is kept.
  if (TheLibrary && os::isValid(TheLibrary->hKXDriver)) return cfgprobe::kDone;
  if (!TheLibrary) {
    TheLibrary = new (std::nothrow) CKXACS;
    if (!TheLibrary) return cfgprobe::kInitObjectFailed;
    cfgprobe::setCurrentStatus(kStatusIdle);
  }
  if (const int failed = installDriver(*TheLibrary); failed != 0) return failed;
  TheLibrary->hKXDriver = TheLibrary->LoadKXDriver(nullptr);
  if (TheLibrary->hKXDriver) return cfgprobe::kDone;
  // Why the device did not open, as LoadKXDriver left it: only its two codes are
  // results of this call, whatever else LastError may hold meanwhile.
  return cfgprobe::lastError() == cfgprobe::kDeviceNotFound ? cfgprobe::kDeviceNotFound : cfgprobe::kDeviceUnavailable;
}

int OS_WINAPI KX_ExitLibrary() {
  if (!TheLibrary) return 0;
  if (cfgprobe::currentStatus() != kStatusIdle) return cfgprobe::kBusy;
  if (TheLibrary->hKXDriver) {
    os::platform().devices->closeHandle(TheLibrary->hKXDriver);
    TheLibrary->hKXDriver = nullptr;  // a retried exit must not close it twice
  }
  ServiceName service;
  if (TheLibrary->ManageKXDriver(service.text, TheLibrary->szKXDriverPath, cfgprobe::kActionStopAndRemove) == 0)
    return cfgprobe::kServiceManagerUnreachable;
  delete TheLibrary;
  TheLibrary = nullptr;
  return 1;
}

int OS_WINAPI KX_GetLastError() { return cfgprobe::lastError(); }

int OS_WINAPI KX_GetDriverServiceError() { return static_cast<int>(cfgprobe::driverServiceError()); }

int OS_WINAPI KX_SetWindowMessage(os::Handle window, std::uint32_t message) {
  if (!window) return cfgprobe::kNoWindow;
  if (message == 0) return cfgprobe::kNoMessage;
  cfgprobe::setNotifyTarget(window, message);
  return 1;
}

int OS_WINAPI KX_GetBiosOperationProgress(KxLong* status) {
  if (status) *status = cfgprobe::currentStatus();
  return cfgprobe::biosProgress();
}
