#pragma once
// PCI configuration mechanism #1 as the library uses it: the address of a register
// goes to port 0xCF8, the register is then read from port 0xCFC.
#include <cstdint>

namespace cfgprobe {

constexpr unsigned short kConfigAddressPort = 0xCF8;
constexpr unsigned short kConfigDataPort = 0xCFC;

constexpr std::uint32_t configAddress(int bus, int device, int function, std::uint32_t offset) {
  return 0x80000000u | static_cast<std::uint32_t>(bus) << 16 | static_cast<std::uint32_t>(device) << 11 |
         static_cast<std::uint32_t>(function) << 8 | offset;
}

}  // namespace cfgprobe
