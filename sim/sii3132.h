#pragma once
// A SiI3132 SATA controller (vendor 0x1095, device 0x3132) as the host sees it:
// a PCI function with subsystem 0x31321095, its global registers behind BAR0
// (configuration offset 0x10) and its port registers behind BAR2 (offset 0x18),
// both 64-bit memory BARs, and the byte-wide flash chip that holds its option ROM.
//
// Global registers (a 128-byte window): the flash command register at +0x70 and
// the flash data register at +0x74. Writing a command with bit 25 (start) set runs
// one flash bus cycle at the flash address in bits 18 to 0: with bit 24 (read) set
// the chip's byte is latched into the data register, otherwise the byte the data
// register holds is written to the chip. The cycle takes its time: it ends at the
// third read of the command register after the command, and until then the start
// bit reads 1 and the data register holds its old byte (a program takes the data
// register's byte as the cycle ends; a command written over a running cycle
// replaces it). Every other register keeps what is written.
//
// Port registers (a 32 KiB window): SControl of port 0 at +0x1F00 and of port 1 at
// +0x3F00, the link-speed limit (SPD) in bits 7 to 4. They keep what is written.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "sim/jedec_flash.h"
#include "sim/pci_bus.h"
#include "sim/physical_memory.h"

namespace sim {

// What a profile says about one controller.
struct SiI3132Setup {
  PciLocation location;
  // 64-bit BARs: a base above 4 GB fills the upper dword (0x14, 0x1C). Physical
  // memory as the access driver reaches it ends at 4 GB, so such a window is in no
  // address the driver can name.
  std::uint64_t globalBase = 0;  // BAR0; 0: the machine picks a free window
  std::uint64_t portBase = 0;    // BAR2; 0: the machine picks a free window
  std::uint8_t revision = 0x01;
  std::uint8_t flashManufacturer = 0xBF;
  std::uint8_t flashDevice = 0xB5;
  std::optional<std::uint32_t> flashChipEraseMs;  // unset: the part's typical time
  std::vector<std::uint8_t> flashImage;  // the chip's bytes from address 0; empty: erased
  std::array<std::uint32_t, 2> sControl{0x00000300, 0x00000300};  // SPD 0: no limit
};

class SiI3132 {
 public:
  static constexpr std::uint32_t kIdentity = 0x31321095;
  static constexpr std::uint32_t kSubsystem = 0x31321095;
  static constexpr std::uint32_t kGlobalWindowSize = 0x80;
  static constexpr std::uint32_t kPortWindowSize = 0x8000;
  static constexpr std::uint32_t kFlashCommand = 0x70;
  static constexpr std::uint32_t kFlashData = 0x74;
  static constexpr std::array<std::uint32_t, 2> kSControl{0x1F00, 0x3F00};

  // setup's bases must be set (Machine::addSiI3132 picks them when they are not).
  SiI3132(const SiI3132Setup& setup, os::Clock& clock);

  // Puts the function on the bus and its windows into the address space, or takes
  // them away again (the controller is pulled out; its chip keeps its contents).
  void attach(PciBus& pci, PhysicalMemory& memory);
  void detach(PciBus& pci, PhysicalMemory& memory);

  PciLocation location() const { return setup_.location; }
  std::uint64_t globalBase() const { return setup_.globalBase; }
  std::uint64_t portBase() const { return setup_.portBase; }
  std::uint8_t revision() const { return setup_.revision; }

  JedecFlash& flash() { return *flash_; }
  std::uint32_t sControl(int port) const;
  void setSControl(int port, std::uint32_t value);

 private:
  class GlobalRegisters;

  SiI3132Setup setup_;
  std::shared_ptr<JedecFlash> flash_;
  std::shared_ptr<GlobalRegisters> global_;
  std::shared_ptr<RegisterBlock> ports_;
};

}  // namespace sim
