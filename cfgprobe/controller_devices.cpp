#include "cfgprobe/controller_devices.h"

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

// The first three numbers of the location text, in order: Windows writes the bus,
// device and function numbers there and no other digits, in every language
// ("PCI bus 3, device 0, function 0"). false when the text has fewer than three.
bool locationNumbers(const char* text, unsigned (&numbers)[3]) {
  int found = 0;
  for (const char* c = text; *c != '\0' && found < 3; ++c) {
    if (*c < '0' || *c > '9') continue;
    unsigned value = 0;
    for (; *c >= '0' && *c <= '9'; ++c) value = value > 9999 ? value : value * 10 + static_cast<unsigned>(*c - '0');
    numbers[found++] = value;
    if (*c == '\0') break;
  }
  return found == 3;
}

Match locationMatches(os::DeviceSetup& setup, os::Handle set, os::DevInfoData& device, std::uint8_t bus,
                      std::uint8_t dev, std::uint8_t function) {
  char location[kLocationBufferSize + 1] = {};
  if (!setup.getDeviceRegistryPropertyA(set, &device, os::kSpdrpLocationInformation, nullptr,
                                        reinterpret_cast<std::uint8_t*>(location), kLocationBufferSize, nullptr))
    return Match::Unreadable;
  unsigned numbers[3] = {};
  if (!locationNumbers(location, numbers)) return Match::No;
  return numbers[0] == bus && numbers[1] == dev && numbers[2] == function ? Match::Yes : Match::No;
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
