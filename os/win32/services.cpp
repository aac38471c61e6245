#include "os/win32/adapters.h"
#include "os/win32/windows_api.h"

namespace os::win32 {
namespace {

SC_HANDLE serviceHandle(Handle handle) { return static_cast<SC_HANDLE>(handle); }

class Win32Services final : public Services {
 public:
  Handle openSCManagerA(const char* machine, const char* database, std::uint32_t access) override {
    return ::OpenSCManagerA(machine, database, access);
  }
  Handle createServiceA(Handle manager, const char* name, const char* displayName, std::uint32_t access,
                        std::uint32_t serviceType, std::uint32_t startType, std::uint32_t errorControl,
                        const char* binaryPath, const char* loadOrderGroup, std::uint32_t* tagId,
                        const char* dependencies, const char* account, const char* password) override {
    DWORD tag = tagId ? *tagId : 0;
    const SC_HANDLE service =
        ::CreateServiceA(serviceHandle(manager), name, displayName, access, serviceType, startType, errorControl,
                         binaryPath, loadOrderGroup, tagId ? &tag : nullptr, dependencies, account, password);
    if (service && tagId) *tagId = tag;
    return service;
  }
  Handle openServiceA(Handle manager, const char* name, std::uint32_t access) override {
    return ::OpenServiceA(serviceHandle(manager), name, access);
  }
  bool startServiceA(Handle service, std::uint32_t argumentCount, const char** arguments) override {
    return ::StartServiceA(serviceHandle(service), argumentCount, arguments);
  }
  bool controlService(Handle service, std::uint32_t control, ServiceStatus* status) override {
    SERVICE_STATUS state{};
    const bool ok = ::ControlService(serviceHandle(service), control, &state);
    if (status) {
      status->serviceType = state.dwServiceType;
      status->currentState = state.dwCurrentState;
      status->controlsAccepted = state.dwControlsAccepted;
      status->win32ExitCode = state.dwWin32ExitCode;
      status->serviceSpecificExitCode = state.dwServiceSpecificExitCode;
      status->checkPoint = state.dwCheckPoint;
      status->waitHint = state.dwWaitHint;
    }
    return ok;
  }
  bool deleteService(Handle service) override { return ::DeleteService(serviceHandle(service)); }
  bool closeServiceHandle(Handle handle) override { return ::CloseServiceHandle(serviceHandle(handle)); }
};

}  // namespace

Services& services() {
  static Win32Services instance;
  return instance;
}

}  // namespace os::win32
