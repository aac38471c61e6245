// The controller's flash chip through its two flash registers: the JEDEC
// identification and the chip erase. The erase is not watched on the chip; the
// fixed wait is the whole erase time it is given.
#include "cfgprobe/controller_port.h"
#include "os/platform.h"

namespace {

constexpr std::uint32_t kEraseWaitMs = 100;
constexpr KxLong kNoFlashId = 0xFFFF;

struct FlashCycle {
  std::uint32_t address;
  std::uint8_t value;
};

constexpr FlashCycle kSoftwareIdEntry[] = {{0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0x90}};
constexpr FlashCycle kSoftwareIdExit{0x0000, 0xF0};
constexpr FlashCycle kChipEraseSequence[] = {{0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0x80},
                                             {0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0x10}};

}  // namespace

KxLong CKXACS::GetFlashID(os::Handle device, std::uint8_t bus, std::uint8_t dev, std::uint8_t function) {
  cfgprobe::ControllerPort port(*this, device, bus, dev, function);
  // No identification reaches a window the driver cannot address: no chip answers.
  if (port.windowsAbove4G()) return kNoFlashId;
  if (port.selectRegister(cfgprobe::kGlobalBaseRegister) == 0) return 0;
  port.readBase();
  // A register write that fails ends the sequence; no identifier is made up of
  // codes that were never read.
  for (const FlashCycle& cycle : kSoftwareIdEntry)
    if (!port.writeFlash(cycle.address, cycle.value)) return 0;
  std::uint8_t manufacturer = 0, code = 0;
  if (!port.readFlash(0x0000, &manufacturer) || !port.readFlash(0x0001, &code)) return 0;
  if (!port.writeFlash(kSoftwareIdExit.address, kSoftwareIdExit.value)) return 0;
  return static_cast<KxLong>(manufacturer) << 8 | code;
}

int CKXACS::ChipErase(os::Handle device, std::uint8_t bus, std::uint8_t dev, std::uint8_t function) {
  cfgprobe::ControllerPort port(*this, device, bus, dev, function);
  if (port.windowsAbove4G()) return 0;
  port.selectRegister(cfgprobe::kGlobalBaseRegister);
  port.readBase();
  for (const FlashCycle& cycle : kChipEraseSequence)
    if (!port.writeFlash(cycle.address, cycle.value)) return 0;
  os::platform().clock->sleep(kEraseWaitMs);
  return 1;
}
