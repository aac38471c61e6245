#pragma once
// The Windows devices that stand for a SiI3132 controller at a PCI position: the
// present SCSI adapters whose hardware ID begins with
// "PCI\VEN_1095&DEV_3132&SUBSYS_31321095" and whose location text names the bus,
// device and function numbers: the first three numbers of the text, in that
// order, equal them exactly (bus 1 is not bus 11).
#include <cstdint>

#include "os/device_setup.h"

namespace cfgprobe {

enum class DeviceScan {
  Done,                // every matching device was visited
  NoDeviceSet,         // the SCSI adapter class could not be listed
  PropertyUnreadable,  // a hardware ID (for a reason other than its absence) or a location could not be read
  Stopped,             // the visitor stopped the scan
};

class ControllerDeviceVisitor {
 public:
  virtual ~ControllerDeviceVisitor() = default;
  // One matching device; false stops the scan.
  virtual bool visit(os::Handle set, os::DevInfoData& device) = 0;
};

DeviceScan forEachControllerDevice(std::uint8_t bus, std::uint8_t dev, std::uint8_t function,
                                   ControllerDeviceVisitor& visitor);

}  // namespace cfgprobe
