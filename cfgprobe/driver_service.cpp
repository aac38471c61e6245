// The access driver as a kernel driver service: its file beside the process, its
// registration, start, stop and removal, and the opening of its device.
#include <cstring>

#include "cfgprobe/driver_names.h"
#include "cfgprobe/library_state.h"
#include "cfgprobe/result_codes.h"
#include "cfgprobe/service_handle.h"
#include "os/files.h"
#include "os/platform.h"

namespace {

// GetCurrentProcess's pseudo-handle.
const os::Handle kCurrentProcess = reinterpret_cast<os::Handle>(static_cast<std::intptr_t>(-1));

using IsWow64ProcessEntry = int(OS_WINAPI*)(os::Handle process, int* wow64);

// A registered service opened with full access for one call, or null.
cfgprobe::ServiceHandle openService(os::Handle manager, const char* name) {
  return cfgprobe::ServiceHandle(os::platform().services->openServiceA(manager, name, os::kServiceAllAccess));
}

}  // namespace

bool CKXACS::GetSysPath(char* buffer) {
  if (!buffer) return false;
  std::memset(buffer, 0, kPathBufferSize);
  const std::uint32_t length = os::platform().system->getCurrentDirectoryA(kPathBufferSize, buffer);
  const std::size_t suffix = 1 + std::strlen(cfgprobe::kDriverFileName) + std::strlen(cfgprobe::kDriverFileExtension);
  // A current directory that cannot be read, or one too long for the file name
  // within the buffer, leaves no path rather than a truncated one.
  if (length == 0 || length >= static_cast<std::uint32_t>(kPathBufferSize) || length + suffix >= kPathBufferSize) {
    std::memset(buffer, 0, kPathBufferSize);
    return false;
  }
  char* end = buffer + length;
  *end++ = '\\';
  std::memcpy(end, cfgprobe::kDriverFileName, std::strlen(cfgprobe::kDriverFileName));
  end += std::strlen(cfgprobe::kDriverFileName);
  std::memcpy(end, cfgprobe::kDriverFileExtension, std::strlen(cfgprobe::kDriverFileExtension));
  return true;
}

int CKXACS::Is64Win(int* result) {
  int wow64 = 0;
  if (result) *result = 0;
  os::Modules& modules = *os::platform().modules;
  const os::Handle kernel = modules.loadLibrary(u"kernel32.dll");
  if (!kernel) return 0;
  if (const auto entry = reinterpret_cast<IsWow64ProcessEntry>(modules.getProcAddress(kernel, "IsWow64Process"))) {
    if (!entry(kCurrentProcess, &wow64)) wow64 = 0;
  }
  if (result) *result = wow64;
  modules.freeLibrary(kernel);
  return 1;
}

os::Handle CKXACS::LoadKXDriver(char*) {
  cfgprobe::setLastError(cfgprobe::kDone);
  char name[16] = {};
  std::memcpy(name, cfgprobe::kDriverDeviceName, sizeof cfgprobe::kDriverDeviceName);
  const os::Handle device = os::platform().devices->createFileA(name, os::kFileReadData | os::kFileWriteData, 0,
                                                                os::kCreateAlways, os::kFileAttributeNormal);
  if (!os::isValid(device)) {
    const bool absent = os::lastError() == os::kErrorFileNotFound;
    cfgprobe::setLastError(absent ? cfgprobe::kDeviceNotFound : cfgprobe::kDeviceUnavailable);
    hKXDriver = nullptr;
    return nullptr;
  }
  hKXDriver = device;
  return device;
}

int CKXACS::InstallService(os::Handle manager, const char* serviceName, const char* driverPath) {
  char path[kPathBufferSize] = {};
  std::strncpy(path, driverPath, kPathBufferSize - 1);
  os::Services& services = *os::platform().services;
  const os::Handle service = services.createServiceA(
      manager, serviceName, serviceName, os::kServiceAllAccess, os::kServiceKernelDriver, os::kServiceDemandStart,
      os::kServiceErrorNormal, path, nullptr, nullptr, nullptr, nullptr, nullptr);
  if (service) {
    services.closeServiceHandle(service);
    return 1;
  }
  // An earlier registration is used as it stands, image path included.
  const std::uint32_t error = os::lastError();
  if (error == os::kErrorServiceExists) return 1;
  cfgprobe::setDriverServiceError(error);
  return 0;
}

bool CKXACS::StartKXDriver(os::Handle manager, const char* serviceName) {
  const cfgprobe::ServiceHandle service = openService(manager, serviceName);
  if (!service.get()) {
    cfgprobe::setDriverServiceError(os::lastError());
    return false;
  }
  if (os::platform().services->startServiceA(service.get(), 0, nullptr)) return true;
  const std::uint32_t error = os::lastError();
  if (error == os::kErrorServiceAlreadyRunning) return true;
  // The system's reason (an image that is not signed or that memory integrity
  // refuses, a driver on the blocklist, ...) stays where callers can read it.
  cfgprobe::setDriverServiceError(error);
  if (error == os::kErrorBadDriver) {
    int wow64 = 0;
    Is64Win(&wow64);
    cfgprobe::setLastError(wow64 ? cfgprobe::kBadDriverWow64 : cfgprobe::kDeviceUnavailable);
  }
  return false;
}

bool CKXACS::StopKXDriver(os::Handle manager, const char* serviceName) {
  const cfgprobe::ServiceHandle service = openService(manager, serviceName);
  if (!service.get()) return false;
  os::ServiceStatus status;
  return os::platform().services->controlService(service.get(), os::kServiceControlStop, &status);
}

bool CKXACS::RemoveKXDriver(os::Handle manager, const char* serviceName) {
  const cfgprobe::ServiceHandle service = openService(manager, serviceName);
  if (!service.get()) return false;
  return os::platform().services->deleteService(service.get());
}

int CKXACS::ManageKXDriver(char* serviceName, char* driverPath, int action) {
  if (!serviceName || !driverPath) return 0;
  os::Services& services = *os::platform().services;
  const os::Handle manager = services.openSCManagerA(nullptr, nullptr, os::kScManagerAllAccess);
  if (!manager) {
    if (action == cfgprobe::kActionInstallAndStart) cfgprobe::setDriverServiceError(os::lastError());
    return 0;
  }
  int result = 0;
  if (action == cfgprobe::kActionInstallAndStart) {
    result = InstallService(manager, serviceName, driverPath) ? (StartKXDriver(manager, serviceName) ? 1 : 0) : 0;
  } else if (action == cfgprobe::kActionStopAndRemove) {
    StopKXDriver(manager, serviceName);
    if (RemoveKXDriver(manager, serviceName)) {
      result = 1;
    } else {
      int wow64 = 0;
      Is64Win(&wow64);
      result = wow64 ? cfgprobe::kRemoveFailedWow64 : cfgprobe::kRemoveFailedNative;
    }
  }
  services.closeServiceHandle(manager);
  return result;
}
