#pragma once
// Device setup classes and the device registry (SetupDiGetClassDevs, SetupDiGetDeviceRegistryProperty, device hardware keys).
// Each call states what it does and what it returns on failure. The base class is
// the "facility absent" back end: every call fails with kErrorNotSupported.
#include "os/types.h"

namespace os {

class DeviceSetup {
 public:
  virtual ~DeviceSetup() = default;
};

}  // namespace os
