// SATA link-speed limits. The library reads each port's SPD field from its
// SControl register, but sets a limit the way the system applies it: as the
// "Port0" and "Port1" values of the controller's hardware key, read by the
// link-speed filter driver that it installs below the controller's driver. The
// description carries a mark while a limit is set. Nothing is restarted: a new
// setting applies when Windows next builds the controller's driver stack.
#include <cstring>

#include "cfgprobe/controller_devices.h"
#include "cfgprobe/controller_port.h"
#include "cfgprobe/device_index.h"
#include "cfgprobe/driver_names.h"
#include "cfgprobe/result_codes.h"
#include "os/platform.h"

namespace {

constexpr std::uint32_t kSControlPort0 = 0x1F00;
constexpr std::uint32_t kSControlPort1 = 0x3F00;
constexpr KxLong kHighestLimit = 2;
constexpr char kPort0Value[] = "Port0";
constexpr char kPort1Value[] = "Port1";
constexpr char kDescriptionMark[] = "(1.5Gbps Driver)";
constexpr std::uint32_t kDescriptionBufferSize = 256;

KxLong speedField(std::uint32_t sControl) { return static_cast<KxLong>((sControl >> 4) & 0xF); }

void setDword(os::DeviceSetup& setup, os::Handle key, const char* name, KxLong value) {
  const auto word = static_cast<std::uint32_t>(value);
  setup.regSetValueExA(key, name, os::kRegDword, reinterpret_cast<const std::uint8_t*>(&word), sizeof word);
}

// Adds the mark to the description, or cuts it off with everything after it. A
// description that cannot be read, or that has no room for the mark within 256
// characters, stays as it is.
void markDescription(os::DeviceSetup& setup, os::Handle set, os::DevInfoData& device, bool limited) {
  char text[kDescriptionBufferSize + 1] = {};
  auto* bytes = reinterpret_cast<std::uint8_t*>(text);
  if (!setup.getDeviceRegistryPropertyA(set, &device, os::kSpdrpDeviceDesc, nullptr, bytes, kDescriptionBufferSize,
                                        nullptr))
    return;
  char* mark = std::strstr(text, kDescriptionMark);
  if (limited) {
    if (mark || std::strlen(text) + std::strlen(kDescriptionMark) >= kDescriptionBufferSize) return;
    std::strcat(text, kDescriptionMark);
  } else {
    if (!mark) return;
    *mark = '\0';
  }
  setup.setDeviceRegistryPropertyA(set, &device, os::kSpdrpDeviceDesc, bytes,
                                   static_cast<std::uint32_t>(std::strlen(text) + 1));
}

class LimitWriter final : public cfgprobe::ControllerDeviceVisitor {
 public:
  LimitWriter(CKXACS& library, KxLong port0, KxLong port1) : library_(library), port0_(port0), port1_(port1) {}

  bool visit(os::Handle set, os::DevInfoData& device) override {
    os::DeviceSetup& setup = *os::platform().setup;
    const os::Handle key = setup.openDevRegKey(set, &device, os::kDicsFlagGlobal, 0, os::kDiregDev, os::kKeyWrite);
    // Without the key there is nowhere for the filter to find the limits: the
    // device is left as it is, filter and description included.
    if (!os::isValid(key)) {
      result = cfgprobe::kHardwareKeyUnopenable;
      return false;
    }
    setDword(setup, key, kPort0Value, port0_);
    setDword(setup, key, kPort1Value, port1_);
    const bool limited = port0_ != 0 || port1_ != 0;
    if (limited) {
      int wow64 = 0;
      library_.Is64Win(&wow64);
      // The filter's name as a multi-string: the name, its zero and the list's zero.
      char filters[sizeof cfgprobe::kFilterNameWow64 + 1] = {};
      const char* name = wow64 ? cfgprobe::kFilterNameWow64 : cfgprobe::kFilterName;
      std::memcpy(filters, name, std::strlen(name));
      setup.setDeviceRegistryPropertyA(set, &device, os::kSpdrpLowerFilters,
                                       reinterpret_cast<const std::uint8_t*>(filters),
                                       static_cast<std::uint32_t>(std::strlen(name) + 2));
    } else {
      setup.setDeviceRegistryPropertyA(set, &device, os::kSpdrpLowerFilters, nullptr, 0);
    }
    markDescription(setup, set, device, limited);
    setup.regCloseKey(key);
    result = library_.AddTAVSCNTLService();
    return result == cfgprobe::kDone;
  }

  KxLong result = cfgprobe::kDone;

 private:
  CKXACS& library_;
  KxLong port0_, port1_;
};

}  // namespace

int CKXACS::GetSControl(std::uint8_t bus, std::uint8_t dev, std::uint8_t function, KxLong* port0, KxLong* port1) {
  cfgprobe::ControllerPort port(*this, hKXDriver, bus, dev, function);
  if (port.windowsAbove4G()) return cfgprobe::kWindowsAbove4G;  // the outputs stay as they are
  port.selectRegister(cfgprobe::kPortBaseRegister);
  port.readBase();
  const KxLong speed0 = speedField(port.read32(kSControlPort0));
  const KxLong speed1 = speedField(port.read32(kSControlPort1));
  if (port0) *port0 = speed0;
  if (port1) *port1 = speed1;
  return 1;
}

KxLong CKXACS::SetDeviceParameters(std::uint8_t bus, std::uint8_t dev, std::uint8_t function, KxLong port0,
                                   KxLong port1) {
  LimitWriter writer(*this, port0, port1);
  switch (cfgprobe::forEachControllerDevice(bus, dev, function, writer)) {
    case cfgprobe::DeviceScan::NoDeviceSet: return cfgprobe::kNoDeviceSet;
    case cfgprobe::DeviceScan::PropertyUnreadable: return cfgprobe::kDevicePropertyUnreadable;
    case cfgprobe::DeviceScan::Stopped: return writer.result;
    case cfgprobe::DeviceScan::Done: break;
  }
  return cfgprobe::kDone;
}

int OS_WINAPI KX_SetSControl(int index, int port0Limit, int port1Limit) {
  if (!TheLibrary) return cfgprobe::kNoControllerAtIndex;
  const DEVICEENTRY* entry = cfgprobe::entryAt(index);
  if (!entry) return cfgprobe::kNoControllerAtIndex;
  // A negative limit has no meaning for the filter; it is refused as one above 2 is.
  if (port0Limit < 0 || port0Limit > kHighestLimit) return cfgprobe::kNullOutput;
  if (port1Limit < 0 || port1Limit > kHighestLimit) return cfgprobe::kNullOutput;
  if (cfgprobe::ControllerPort(*TheLibrary, TheLibrary->hKXDriver, entry->bBus, entry->bDevice, entry->bFunction)
          .windowsAbove4G())
    return cfgprobe::kWindowsAbove4G;
  return TheLibrary->SetDeviceParameters(entry->bBus, entry->bDevice, entry->bFunction, port0Limit, port1Limit);
}
