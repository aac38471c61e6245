#pragma once
// The registers of one SiI3132 controller, reached through the library's port and
// memory access methods: its configuration registers, its global and port
// register bases, and single flash bytes through the flash command register
// (global base + 0x70) and flash data register (global base + 0x74).
#include <cstdint>

#include "cfgprobe/cfgprobe.h"

namespace cfgprobe {

constexpr std::uint8_t kGlobalBaseRegister = 0x10;  // BAR0
constexpr std::uint8_t kPortBaseRegister = 0x18;    // BAR2

class ControllerPort {
 public:
  ControllerPort(CKXACS& library, os::Handle device, std::uint8_t bus, std::uint8_t dev, std::uint8_t function)
      : library_(library), device_(device), bus_(bus), dev_(dev), function_(function) {}

  // Writes the configuration address of a register to port 0xCF8: the driver's
  // result word, 0 when the write failed.
  KxULong selectRegister(std::uint8_t offset);
  // Reads the selected register from port 0xCFC as a base address (low four bits
  // cleared) and keeps it as the base for the flash accesses.
  std::uint32_t readBase();
  void useBase(std::uint32_t base) { base_ = base; }
  // Whether the controller's windows can be reached: Above4G when BAR0 or BAR2 is
  // a 64-bit BAR whose upper dword (at 0x14, 0x1C) puts its window above 4 GB,
  // beyond the driver's 32-bit addresses (the low dword alone names some other
  // device's registers or memory); Unreachable when a configuration write failed.
  // Reads configuration space only; changes the selected register.
  enum class Reach { Reachable, Unreachable, Above4G };
  Reach reach();
  bool windowsAbove4G() { return reach() == Reach::Above4G; }

  // One flash byte through the flash registers; false when a register write failed.
  bool writeFlash(std::uint32_t address, std::uint8_t value);
  bool readFlash(std::uint32_t address, std::uint8_t* value);
  // A 32-bit register at an offset from the base.
  std::uint32_t read32(std::uint32_t offset);

 private:
  CKXACS& library_;
  os::Handle device_;
  std::uint8_t bus_, dev_, function_;
  std::uint32_t base_ = 0;
};

}  // namespace cfgprobe
