#pragma once
// The machine's PCI functions, each with a full 256-byte configuration space, and
// configuration mechanism #1's view of them: a function that is not present reads
// all ones. Identity (0x00), class and revision (0x08) and subsystem (0x2C) are
// read-only, as in a real function; other registers keep what is written.
#include <array>
#include <cstdint>
#include <map>

namespace sim {

struct PciLocation {
  std::uint8_t bus = 0;
  std::uint8_t device = 0;  // 0 to 31
  std::uint8_t function = 0;  // 0 to 7
};

class PciFunction {
 public:
  // identity: device ID in the high 16 bits, vendor ID in the low 16 bits.
  explicit PciFunction(std::uint32_t identity);

  std::uint32_t read32(std::uint8_t offset) const;
  // A write through configuration space (read-only registers stay as they are).
  void write32(std::uint8_t offset, std::uint32_t value);
  // Sets any register, read-only ones included, as the function's hardware does.
  void set32(std::uint8_t offset, std::uint32_t value);

 private:
  std::array<std::uint8_t, 256> config_{};
};

class PciBus {
 public:
  // Adds (or replaces) the function at a location; returns it for further set-up.
  PciFunction& add(PciLocation at, std::uint32_t identity);
  void remove(PciLocation at);
  PciFunction* find(PciLocation at);

  // Configuration reads and writes; offsets are taken to their 32-bit register.
  std::uint32_t read32(PciLocation at, std::uint8_t offset) const;
  void write32(PciLocation at, std::uint8_t offset, std::uint32_t value);

 private:
  static std::uint16_t key(PciLocation at);
  std::map<std::uint16_t, PciFunction> functions_;
};

}  // namespace sim
