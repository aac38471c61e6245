#pragma once
// Device I/O to kernel drivers (CreateFile on a device name, DeviceIoControl, events, CloseHandle).
// Each call states what it does and what it returns on failure. The base class is
// the "facility absent" back end: every call fails with kErrorNotSupported.
#include "os/types.h"

namespace os {

class DeviceIo {
 public:
  virtual ~DeviceIo() = default;
};

}  // namespace os
