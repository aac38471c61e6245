#include "cfgprobe/controller_devices.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "os/platform.h"

namespace cfgprobe {
namespace {

constexpr char kHardwareIdPrefix[] = "PCI\\VEN_1095&DEV_3132&SUBSYS_31321095";
constexpr std::size_t kHardwareIdCompared = 37;
static_assert(sizeof kHardwareIdPrefix - 1 == kHardwareIdCompared);
constexpr std::uint32_t kLocationBufferSize = 256;

enum class Match { Yes, No, Unreadable };

// The hardware ID, read into a buffer of the size the call asks for.
Match hardwareIdMatches(os::DeviceSetup& setup, os::Handle set, os::DevInfoData& device) {
  std::unique_ptr<std::uint8_t[]> buffer;
  std::uint32_t size = 0;
  for (;;) {
    std::uint32_t required = 0;
    if (setup.getDeviceRegistryPropertyA(set, &device, os::kSpdrpHardwareId, nullptr, buffer.get(), size, &required))
      break;
    const std::uint32_t error = os::lastError();
    if (error == os::kErrorInvalidData) return Match::No;  // the device has no hardware ID
    if (error != os::kErrorInsufficientBuffer || required <= size) return Match::Unreadable;
    // One zero beyond the reported size keeps the comparison inside the buffer.
    buffer.reset(new (std::nothrow) std::uint8_t[required + 1]());
    if (!buffer) return Match::Unreadable;
    size = required;
  }
  if (!buffer) return Match::No;
  return std::strncmp(reinterpret_cast<const char*>(buffer.get()), kHardwareIdPrefix, kHardwareIdCompared) == 0
             ? Match::Yes
             : Match::No;
}

Match locationMatches(os::DeviceSetup& setup, os::Handle set, os::DevInfoData& device, std::uint8_t bus,
                      std::uint8_t dev, std::uint8_t function) {
  char location[kLocationBufferSize + 1] = {};
  if (!setup.getDeviceRegistryPropertyA(set, &device, os::kSpdrpLocationInformation, nullptr,
                                        reinterpret_cast<std::uint8_t*>(location), kLocationBufferSize, nullptr))
    return Match::Unreadable;
  char busText[4], devText[4], functionText[4];
  std::snprintf(busText, sizeof busText, "%u", static_cast<unsigned>(bus));
  std::snprintf(devText, sizeof devText, "%u", static_cast<unsigned>(dev));
  std::snprintf(functionText, sizeof functionText, "%u", static_cast<unsigned>(function));
  const char* busHit = std::strstr(location, busText);
  if (!busHit) return Match::No;
  const char* devHit = std::strstr(busHit + 1, devText);
  if (!devHit) return Match::No;
  return std::strstr(devHit + 1, functionText) ? Match::Yes : Match::No;
}

}  // namespace

DeviceScan forEachControllerDevice(std::uint8_t bus, std::uint8_t dev, std::uint8_t function,
                                   ControllerDeviceVisitor& visitor) {
  os::DeviceSetup& setup = *os::platform().setup;
  const os::Handle set = setup.getClassDevsA(&os::kGuidDevClassScsiAdapter, nullptr, nullptr, os::kDigcfPresent);
  if (!os::isValid(set)) return DeviceScan::NoDeviceSet;
  DeviceScan result = DeviceScan::Done;
  os::DevInfoData device;
  for (std::uint32_t index = 0; result == DeviceScan::Done; ++index) {
    device = os::DevInfoData{};
    if (!setup.enumDeviceInfo(set, index, &device)) break;
    Match match = hardwareIdMatches(setup, set, device);
    if (match == Match::Yes) match = locationMatches(setup, set, device, bus, dev, function);
    if (match == Match::Unreadable) result = DeviceScan::PropertyUnreadable;
    if (match == Match::Yes && !visitor.visit(set, device)) result = DeviceScan::Stopped;
  }
  setup.destroyDeviceInfoList(set);
  return result;
}

}  // namespace cfgprobe
