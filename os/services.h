#pragma once
// The service control manager, shaped after OpenSCManagerA, CreateServiceA,
// OpenServiceA, StartServiceA, ControlService, DeleteService and CloseServiceHandle.
// Each call states what it does, what it returns on failure and which Windows error
// it leaves in os::lastError(). The base class is the "facility absent" back end:
// every call fails with kErrorNotSupported.
// Threads: only the caller's thread of the library's exports calls it, never a BIOS
// worker thread.
#include <cstdint>

#include "os/types.h"

namespace os {

// Access rights, service types, start types and controls (Win32 values).
constexpr std::uint32_t kScManagerCreateService = 0x0002;
constexpr std::uint32_t kScManagerAllAccess = 0xF003F;
constexpr std::uint32_t kServiceAllAccess = 0xF01FF;
constexpr std::uint32_t kServiceQueryStatus = 0x0004;
constexpr std::uint32_t kServiceStart = 0x0010;
constexpr std::uint32_t kServiceStop = 0x0020;
constexpr std::uint32_t kDelete = 0x00010000;
constexpr std::uint32_t kServiceKernelDriver = 0x1;
constexpr std::uint32_t kServiceBootStart = 0;
constexpr std::uint32_t kServiceSystemStart = 1;
constexpr std::uint32_t kServiceAutoStart = 2;
constexpr std::uint32_t kServiceDemandStart = 3;
constexpr std::uint32_t kServiceDisabledStart = 4;
constexpr std::uint32_t kServiceErrorNormal = 1;
constexpr std::uint32_t kServiceControlStop = 1;

// Service states (SERVICE_STATUS.dwCurrentState).
constexpr std::uint32_t kServiceStopped = 1;
constexpr std::uint32_t kServiceStartPending = 2;
constexpr std::uint32_t kServiceStopPending = 3;
constexpr std::uint32_t kServiceRunning = 4;

// Further Windows errors of these calls.
constexpr std::uint32_t kErrorInvalidName = 123;
constexpr std::uint32_t kErrorBadExeFormat = 193;
constexpr std::uint32_t kErrorDatabaseDoesNotExist = 1065;

// SERVICE_STATUS, as ControlService fills it.
struct ServiceStatus {
  std::uint32_t serviceType = 0;
  std::uint32_t currentState = 0;
  std::uint32_t controlsAccepted = 0;
  std::uint32_t win32ExitCode = 0;
  std::uint32_t serviceSpecificExitCode = 0;
  std::uint32_t checkPoint = 0;
  std::uint32_t waitHint = 0;
};

class Services {
 public:
  virtual ~Services() = default;

  // OpenSCManagerA: opens the service database of machine (nullptr: this one);
  // database nullptr or "ServicesActive" names the active database. Returns a
  // manager handle, or nullptr with:
  //   kErrorAccessDenied            the caller lacks the access asked for
  //   kErrorDatabaseDoesNotExist    another database name
  //   kErrorInvalidName             a machine name that is not this machine's
  virtual Handle openSCManagerA(const char* machine, const char* database, std::uint32_t access);

  // CreateServiceA: registers a service and returns a handle to it, or nullptr with:
  //   kErrorInvalidHandle          manager is not an open manager handle
  //   kErrorAccessDenied           manager was opened without kScManagerCreateService
  //   kErrorInvalidName            name is null or empty
  //   kErrorInvalidParameter       binaryPath is null or empty, or a type/start value is unknown
  //   kErrorServiceExists          a service of that name exists (the registration is unchanged)
  //   kErrorServiceMarkedForDelete a service of that name is deleted but still has open handles
  // loadOrderGroup, tagId, dependencies, account and password may be null.
  virtual Handle createServiceA(Handle manager, const char* name, const char* displayName, std::uint32_t access,
                                std::uint32_t serviceType, std::uint32_t startType, std::uint32_t errorControl,
                                const char* binaryPath, const char* loadOrderGroup, std::uint32_t* tagId,
                                const char* dependencies, const char* account, const char* password);

  // OpenServiceA: a handle to a registered service (also one marked for deletion)
  // that carries the access asked for, or nullptr with kErrorInvalidHandle,
  // kErrorInvalidName or kErrorServiceDoesNotExist. The handle CreateServiceA
  // returns carries the access given there.
  virtual Handle openServiceA(Handle manager, const char* name, std::uint32_t access);

  // StartServiceA: starts the service and, for a kernel driver, loads its image.
  // true once it runs, or false with:
  //   kErrorInvalidHandle            service is not an open service handle
  //   kErrorAccessDenied             the handle was opened without kServiceStart
  //   kErrorServiceAlreadyRunning    it runs already
  //   kErrorServiceMarkedForDelete   it is deleted and waits for its last handle
  //   kErrorServiceDisabled          its start type is kServiceDisabledStart
  //   kErrorFileNotFound / kErrorPathNotFound  its image file is not there
  //   kErrorBadExeFormat             the image is not a driver
  //   kErrorBadDriver (2001) or any other code the driver's load failed with
  virtual bool startServiceA(Handle service, std::uint32_t argumentCount, const char** arguments);

  // ControlService: sends a control (kServiceControlStop). true with *status filled
  // (status may be null), or false with kErrorInvalidHandle, kErrorServiceNotActive
  // (not running), kErrorAccessDenied (a stop on a handle opened without
  // kServiceStop), kErrorInvalidServiceControl (unknown control) or
  // kErrorServiceCannotAcceptCtrl (already stopping). A driver whose device is still
  // open stops when its last handle closes (the state is kServiceStopPending until then).
  virtual bool controlService(Handle service, std::uint32_t control, ServiceStatus* status);

  // DeleteService: marks the service for deletion; it leaves the database once it
  // is stopped and its last handle is closed. false with kErrorInvalidHandle,
  // kErrorAccessDenied (opened without kDelete) or kErrorServiceMarkedForDelete
  // (deleted already).
  virtual bool deleteService(Handle service);

  // CloseServiceHandle: closes a manager or service handle; false with
  // kErrorInvalidHandle for a handle that is not open.
  virtual bool closeServiceHandle(Handle handle);
};

}  // namespace os
