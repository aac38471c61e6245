#include "sim/sii3132.h"

namespace sim {
namespace {

constexpr std::uint32_t kStart = 1u << 25;
constexpr std::uint32_t kRead = 1u << 24;
constexpr std::uint32_t kFlashAddressMask = 0x0007FFFF;
constexpr std::uint32_t kMemoryBar64 = 0x4;  // memory space, 64-bit, not prefetchable
constexpr std::uint32_t kMassStorageOther = 0x0180;
constexpr std::uint32_t kCycleReads = 3;

bool below4G(std::uint64_t base) { return base >> 32 == 0; }

}  // namespace

// The global register window: plain registers, except for the flash pair. Like
// all of physical memory it is reached under the access driver's lock (or by a
// test while no thread of the machine runs); the chip behind it locks itself.
class SiI3132::GlobalRegisters final : public RegisterWindow {
 public:
  explicit GlobalRegisters(std::shared_ptr<JedecFlash> flash) : flash_(std::move(flash)) {}

  std::uint8_t read8(std::uint32_t offset) override {
    beforeRead(offset, 1);
    return plain_.read8(offset);
  }
  std::uint32_t read32(std::uint32_t offset) override {
    beforeRead(offset, 4);
    return plain_.read32(offset);
  }
  void write8(std::uint32_t offset, std::uint8_t value) override {
    plain_.write8(offset, value);
    afterWrite(offset, 1);
  }
  void write32(std::uint32_t offset, std::uint32_t value) override {
    plain_.write32(offset, value);
    afterWrite(offset, 4);
  }

 private:
  static bool onCommand(std::uint32_t offset, std::uint32_t width) {
    return offset < kFlashCommand + 4 && offset + width > kFlashCommand;
  }
  void afterWrite(std::uint32_t offset, std::uint32_t width) {
    if (onCommand(offset, width)) cycleReads_ = (plain_.read32(kFlashCommand) & kStart) ? kCycleReads : 0;
  }
  void beforeRead(std::uint32_t offset, std::uint32_t width) {
    if (cycleReads_ == 0 || !onCommand(offset, width)) return;
    if (--cycleReads_ == 0) endCycle();
  }
  void endCycle() {
    const std::uint32_t command = plain_.read32(kFlashCommand);
    const std::uint32_t address = command & kFlashAddressMask;
    if (command & kRead)
      plain_.write8(kFlashData, flash_->read(address));
    else
      flash_->write(address, plain_.read8(kFlashData));
    plain_.write32(kFlashCommand, command & ~kStart);  // done
  }

  std::shared_ptr<JedecFlash> flash_;
  RegisterBlock plain_{kGlobalWindowSize};
  std::uint32_t cycleReads_ = 0;  // reads of the command register before the running cycle ends
};

SiI3132::SiI3132(const SiI3132Setup& setup, os::Clock& clock)
    : setup_(setup),
      flash_(std::make_shared<JedecFlash>(clock, setup.flashManufacturer, setup.flashDevice)),
      global_(std::make_shared<GlobalRegisters>(flash_)),
      ports_(std::make_shared<RegisterBlock>(kPortWindowSize)) {
  flash_->load(setup.flashImage);
  if (setup.flashChipEraseMs) flash_->setEraseTimes(*setup.flashChipEraseMs, flash_->sectorEraseMs());
  for (int port = 0; port < 2; ++port) ports_->write32(kSControl[port], setup.sControl[port]);
}

void SiI3132::attach(PciBus& pci, PhysicalMemory& memory) {
  PciFunction& f = pci.add(setup_.location, kIdentity);
  f.set32(0x04, 0x02100006);  // memory space and bus master enabled; capability list
  f.set32(0x08, kMassStorageOther << 16 | setup_.revision);
  f.set32(0x10, static_cast<std::uint32_t>(setup_.globalBase) | kMemoryBar64);
  f.set32(0x14, static_cast<std::uint32_t>(setup_.globalBase >> 32));
  f.set32(0x18, static_cast<std::uint32_t>(setup_.portBase) | kMemoryBar64);
  f.set32(0x1C, static_cast<std::uint32_t>(setup_.portBase >> 32));
  f.set32(0x2C, kSubsystem);
  if (below4G(setup_.globalBase)) memory.map(static_cast<std::uint32_t>(setup_.globalBase), kGlobalWindowSize, global_);
  if (below4G(setup_.portBase)) memory.map(static_cast<std::uint32_t>(setup_.portBase), kPortWindowSize, ports_);
}

void SiI3132::detach(PciBus& pci, PhysicalMemory& memory) {
  pci.remove(setup_.location);
  if (below4G(setup_.globalBase)) memory.unmap(static_cast<std::uint32_t>(setup_.globalBase));
  if (below4G(setup_.portBase)) memory.unmap(static_cast<std::uint32_t>(setup_.portBase));
}

std::uint32_t SiI3132::sControl(int port) const { return ports_->read32(kSControl[port & 1]); }

void SiI3132::setSControl(int port, std::uint32_t value) { ports_->write32(kSControl[port & 1], value); }

}  // namespace sim
