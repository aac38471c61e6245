// The service of the SATA link-speed filter driver, registered from the driver
// file in the Windows driver folder. The filter itself is not part of the library.
#include <cstdio>

#include "cfgprobe/library_state.h"
#include "cfgprobe/driver_names.h"
#include "cfgprobe/result_codes.h"
#include "cfgprobe/service_handle.h"
#include "os/platform.h"

namespace {

constexpr char kFilterDisplayName[] = "QS12A/QX12A Filter Driver";
constexpr char kFilterPath[] = "System32\\Drivers\\%s.sys";
constexpr char kFilterPathWow64[] = "SysWOW64\\Drivers\\%s.sys";
constexpr char kFilterGroup[] = "PNP Filter";
constexpr char kActiveDatabase[] = "ServicesActive";
constexpr std::size_t kRelativePathSize = 128;

using cfgprobe::ServiceHandle;

bool fileExists(const char* path) {
  os::Files& files = *os::platform().files;
  const os::Handle file = files.createFileA(path, 0, os::kFileShareRead, os::kOpenExisting);
  if (!os::isValid(file)) return false;
  files.closeFile(file);
  return true;
}

}  // namespace

KxLong CKXACS::AddTAVSCNTLService() {
  int wow64 = 0;
  Is64Win(&wow64);
  const KxLong unregistered = wow64 ? cfgprobe::kFilterServiceUnregisteredWow64 : cfgprobe::kFilterServiceUnregistered;
  os::Services& services = *os::platform().services;
  const ServiceHandle manager(services.openSCManagerA(nullptr, kActiveDatabase, os::kScManagerCreateService));
  if (!manager.get()) return unregistered;

  const char* name = wow64 ? cfgprobe::kFilterNameWow64 : cfgprobe::kFilterName;
  char relativePath[kRelativePathSize];
  std::snprintf(relativePath, sizeof relativePath, wow64 ? kFilterPathWow64 : kFilterPath, name);
  char windows[kPathBufferSize] = {};
  const std::uint32_t length = os::platform().system->getWindowsDirectoryA(windows, sizeof windows);
  if (length == 0 || length >= sizeof windows) windows[0] = '\0';
  char fullPath[kPathBufferSize];
  const int needed = std::snprintf(fullPath, sizeof fullPath, "%s\\%s", windows, relativePath);
  if (needed < 0 || needed >= static_cast<int>(sizeof fullPath) || !fileExists(fullPath))
    return wow64 ? cfgprobe::kFilterFileMissingWow64 : cfgprobe::kFilterFileMissing;

  const ServiceHandle service(services.createServiceA(
      manager.get(), name, kFilterDisplayName, os::kServiceAllAccess, os::kServiceKernelDriver,
      wow64 ? os::kServiceBootStart : os::kServiceDemandStart, os::kServiceErrorNormal, relativePath, kFilterGroup,
      nullptr, nullptr, nullptr, nullptr));
  if (service.get() || os::lastError() == os::kErrorServiceExists) return cfgprobe::kDone;
  return unregistered;
}
