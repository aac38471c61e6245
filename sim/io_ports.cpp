#include "sim/io_ports.h"

#include "sim/pci_bus.h"

namespace sim {
namespace {

constexpr std::uint16_t kConfigAddressPort = 0xCF8;
constexpr std::uint16_t kConfigDataPort = 0xCFC;
constexpr std::uint32_t kEnable = 0x80000000u;

PciLocation locationOf(std::uint32_t address) {
  return PciLocation{static_cast<std::uint8_t>(address >> 16), static_cast<std::uint8_t>((address >> 11) & 0x1F),
                     static_cast<std::uint8_t>((address >> 8) & 0x7)};
}

}  // namespace

std::uint32_t IoPorts::read32(std::uint16_t port) {
  if (port == kConfigAddressPort) return configAddress_;
  if (port == kConfigDataPort && (configAddress_ & kEnable))
    return pci_.read32(locationOf(configAddress_), static_cast<std::uint8_t>(configAddress_ & 0xFC));
  return 0xFFFFFFFFu;
}

void IoPorts::write32(std::uint16_t port, std::uint32_t value) {
  if (port == kConfigAddressPort) {
    configAddress_ = value & 0x80FFFFFCu;  // reserved bits 30-24 and 1-0 read back as zero
  } else if (port == kConfigDataPort && (configAddress_ & kEnable)) {
    pci_.write32(locationOf(configAddress_), static_cast<std::uint8_t>(configAddress_ & 0xFC), value);
  }
}

}  // namespace sim
