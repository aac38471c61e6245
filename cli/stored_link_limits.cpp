#include "cli/stored_link_limits.h"

#include <cstring>
#include <string>

namespace cli {
namespace {

constexpr char kHardwareIdPrefix[] = "PCI\\VEN_1095&DEV_3132";

std::string property(os::DeviceSetup& setup, os::Handle set, os::DevInfoData& device, std::uint32_t which) {
  std::uint8_t buffer[1024] = {};
  if (!setup.getDeviceRegistryPropertyA(set, &device, which, nullptr, buffer, sizeof buffer - 1, nullptr)) return {};
  return reinterpret_cast<const char*>(buffer);
}

int dword(os::DeviceSetup& setup, os::Handle key, const char* name) {
  std::uint32_t value = 0, size = sizeof value, type = 0;
  if (setup.regQueryValueExA(key, name, &type, reinterpret_cast<std::uint8_t*>(&value), &size) != 0 ||
      type != os::kRegDword)
    return 0;
  return static_cast<int>(value);
}

}  // namespace

std::optional<StoredLinkLimits> storedLinkLimits(os::DeviceSetup& setup, std::uint8_t bus, std::uint8_t device,
                                                 std::uint8_t function) {
  const os::Handle set = setup.getClassDevsA(&os::kGuidDevClassScsiAdapter, nullptr, nullptr, os::kDigcfPresent);
  if (!os::isValid(set)) return std::nullopt;
  const std::string place = "PCI bus " + std::to_string(bus) + ", device " + std::to_string(device) + ", function " +
                            std::to_string(function);
  std::optional<StoredLinkLimits> found;
  os::DevInfoData data;
  for (std::uint32_t index = 0; !found && setup.enumDeviceInfo(set, index, &data); ++index, data = {}) {
    if (property(setup, set, data, os::kSpdrpHardwareId).rfind(kHardwareIdPrefix, 0) != 0 ||
        property(setup, set, data, os::kSpdrpLocationInformation) != place)
      continue;
    const os::Handle key = setup.openDevRegKey(set, &data, os::kDicsFlagGlobal, 0, os::kDiregDev, os::kKeyRead);
    if (!os::isValid(key)) break;
    found = StoredLinkLimits{dword(setup, key, "Port0"), dword(setup, key, "Port1")};
    setup.regCloseKey(key);
  }
  setup.destroyDeviceInfoList(set);
  return found;
}

}  // namespace cli
