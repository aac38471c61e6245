#pragma once
// The service control manager (OpenSCManager, CreateService, OpenService, StartService, ControlService, DeleteService, CloseServiceHandle).
// Each call states what it does and what it returns on failure. The base class is
// the "facility absent" back end: every call fails with kErrorNotSupported.
#include "os/types.h"

namespace os {

class Services {
 public:
  virtual ~Services() = default;
};

}  // namespace os
