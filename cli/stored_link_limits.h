#pragma once
// The link-speed limits stored for a controller's next start: the "Port0" and
// "Port1" values of its device's hardware key, which the link-speed filter reads
// when Windows next starts the controller. The SControl registers show the limit
// in effect now; the two differ after link-speed until that start.
#include <cstdint>
#include <optional>

#include "os/device_setup.h"

namespace cli {

struct StoredLinkLimits {
  int port0 = 0;  // 0 when no value is stored: no limit
  int port1 = 0;
};

// The limits of the SiI3132 device whose location is that PCI position; nothing
// when the system has no such device or its hardware key cannot be read.
std::optional<StoredLinkLimits> storedLinkLimits(os::DeviceSetup& setup, std::uint8_t bus, std::uint8_t device,
                                                 std::uint8_t function);

}  // namespace cli
