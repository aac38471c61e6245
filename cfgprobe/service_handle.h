#pragma once
// A service manager or service handle, closed when it goes; null when the open failed.
#include "os/platform.h"

namespace cfgprobe {

class ServiceHandle {
 public:
  explicit ServiceHandle(os::Handle handle) : handle_(handle) {}
  ~ServiceHandle() {
    if (handle_) os::platform().services->closeServiceHandle(handle_);
  }
  ServiceHandle(const ServiceHandle&) = delete;
  ServiceHandle& operator=(const ServiceHandle&) = delete;
  os::Handle get() const { return handle_; }

 private:
  os::Handle handle_;
};

}  // namespace cfgprobe
