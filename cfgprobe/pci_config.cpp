// PCI configuration space through configuration mechanism #1: the address of a
// register goes to port 0xCF8, the register is read from port 0xCFC. Both scans
// probe every function of every device of every bus, in bus, device, function
// order, whether or not function 0 exists.
#include <cstring>

#include "cfgprobe/config_space.h"
#include "cfgprobe/library_state.h"

namespace {

using cfgprobe::configAddress;
using cfgprobe::kConfigAddressPort;
using cfgprobe::kConfigDataPort;

constexpr std::uint32_t kIdentityRegister = 0x00;
constexpr std::uint32_t kSubsystemRegister = 0x2C;
constexpr std::uint32_t kMatchRegister = 0x94;
constexpr int kBuses = 256;
constexpr int kDevices = 32;
constexpr int kFunctions = 8;

}  // namespace

int CKXACS::SearchPCIConfig(KxLong identity, KxLong subsystem, unsigned short) {
  if (identity == 0) return 0;
  std::memset(DeviceTable, 0xFF, sizeof DeviceTable);
  const auto readConfig = [this](int bus, int device, int function, std::uint32_t offset) {
    dwWritePort(hKXDriver, kConfigAddressPort, configAddress(bus, device, function, offset));
    return static_cast<std::uint32_t>(dwReadPort(hKXDriver, kConfigDataPort));
  };
  const auto wantedIdentity = static_cast<std::uint32_t>(identity);
  const auto wantedSubsystem = static_cast<std::uint32_t>(subsystem);
  int count = 0;
  for (int bus = 0; bus < kBuses; ++bus) {
    for (int device = 0; device < kDevices; ++device) {
      for (int function = 0; function < kFunctions; ++function) {
        if (readConfig(bus, device, function, kIdentityRegister) != wantedIdentity) continue;
        // Only the first function of a device that carries the identity is looked at.
        const auto b = static_cast<std::uint8_t>(bus), d = static_cast<std::uint8_t>(device),
                   f = static_cast<std::uint8_t>(function);
        DEVICEENTRY& entry = DeviceTable[count];
        if (wantedSubsystem != 0) {
          if (readConfig(bus, device, function, kSubsystemRegister) == wantedSubsystem) {
            entry.wFlashID = static_cast<std::uint16_t>(GetFlashID(hKXDriver, b, d, f));
            entry.bBus = b, entry.bDevice = d, entry.bFunction = f;
            GetDeviceDescription(b, d, f, entry.szDescription);
            KxLong port0 = entry.nSControlPort0, port1 = entry.nSControlPort1;
            GetSControl(b, d, f, &port0, &port1);
            entry.nSControlPort0 = port0, entry.nSControlPort1 = port1;
            ++count;
          }
        } else {
          entry.bBus = b, entry.bDevice = d, entry.bFunction = f;
          ++count;
        }
        // The table holds 16 records: a full table ends the search.
        if (count == kDeviceTableSize) return count;
        break;
      }
    }
  }
  return count;
}

int CKXACS::GetPCIConfig(KxLong identity, KxLong match, KxLong offset, KxULong* value) {
  // The offset fills bits 7-0 of the address; a larger one would name another function.
  if (identity == 0 || !value || offset < 0 || offset > 0xFF) return 0;
  const auto readConfig = [this](int bus, int device, int function, std::uint32_t offset) {
    dwWritePort(hKXDriver, kConfigAddressPort, configAddress(bus, device, function, offset));
    return static_cast<std::uint32_t>(dwReadPort(hKXDriver, kConfigDataPort));
  };
  const auto wantedIdentity = static_cast<std::uint32_t>(identity);
  const auto wantedMatch = static_cast<std::uint32_t>(match);
  for (int bus = 0; bus < kBuses; ++bus) {
    for (int device = 0; device < kDevices; ++device) {
      for (int function = 0; function < kFunctions; ++function) {
        if (readConfig(bus, device, function, kIdentityRegister) != wantedIdentity) continue;
        if (wantedMatch != 0 && readConfig(bus, device, function, kMatchRegister) != wantedMatch)
          continue;
        *value = readConfig(bus, device, function, static_cast<std::uint32_t>(offset));
        return 1;
      }
    }
  }
  return 0;
}

int OS_WINAPI KX_GetPCIConfig(KxLong identity, KxLong match, KxLong offset, KxULong* value) {
  if (!TheLibrary) return 0;
  return TheLibrary->GetPCIConfig(identity, match, offset, value);
}
