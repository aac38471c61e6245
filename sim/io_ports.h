#pragma once
// The machine's I/O port space. Ports 0xCF8 and 0xCFC are PCI configuration
// mechanism #1: a 32-bit write to 0xCF8 latches a configuration address (bit 31
// enable, bus 23-16, device 15-11, function 10-8, register 7-2), and 0xCFC then
// reads or writes that register. Without the enable bit, or for a function that
// is not present, 0xCFC reads all ones; so does every port nothing decodes.
#include <cstdint>

namespace sim {

class PciBus;

class IoPorts {
 public:
  explicit IoPorts(PciBus& pci) : pci_(pci) {}

  std::uint32_t read32(std::uint16_t port);
  void write32(std::uint16_t port, std::uint32_t value);

  std::uint32_t configAddress() const { return configAddress_; }

 private:
  PciBus& pci_;
  std::uint32_t configAddress_ = 0;
};

}  // namespace sim
