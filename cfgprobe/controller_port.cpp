#include "cfgprobe/controller_port.h"

#include <initializer_list>

#include "cfgprobe/config_space.h"

namespace cfgprobe {
namespace {

constexpr std::uint32_t kBaseMask = 0xFFFFFFF0u;
constexpr std::uint32_t kBarTypeMask = 0x7;       // memory space, type in bits 2:1
constexpr std::uint32_t kMemoryBar64 = 0x4;
constexpr std::uint32_t kFlashCommand = 0x70;
constexpr std::uint32_t kFlashData = 0x74;
constexpr std::uint32_t kFlashReadCommand = 0x03000000;
constexpr std::uint32_t kFlashWriteCommand = 0x02000000;

}  // namespace

KxULong ControllerPort::selectRegister(std::uint8_t offset) {
  return library_.dwWritePort(device_, kConfigAddressPort, configAddress(bus_, dev_, function_, offset));
}

std::uint32_t ControllerPort::readBase() {
  base_ = library_.dwReadPort(device_, kConfigDataPort) & kBaseMask;
  return base_;
}

ControllerPort::Reach ControllerPort::reach() {
  for (const std::uint8_t bar : {kGlobalBaseRegister, kPortBaseRegister}) {
    if (selectRegister(bar) == 0) return Reach::Unreachable;
    if ((library_.dwReadPort(device_, kConfigDataPort) & kBarTypeMask) != kMemoryBar64) continue;
    if (selectRegister(static_cast<std::uint8_t>(bar + 4)) == 0) return Reach::Unreachable;
    if (library_.dwReadPort(device_, kConfigDataPort) != 0) return Reach::Above4G;
  }
  return Reach::Reachable;
}

bool ControllerPort::writeFlash(std::uint32_t address, std::uint8_t value) {
  if (library_.bWriteMem(device_, base_ + kFlashData, value) == 0) return false;
  return library_.dwWriteMem(device_, base_ + kFlashCommand, kFlashWriteCommand | address) != 0;
}

bool ControllerPort::readFlash(std::uint32_t address, std::uint8_t* value) {
  if (library_.dwWriteMem(device_, base_ + kFlashCommand, kFlashReadCommand | address) == 0) return false;
  *value = static_cast<std::uint8_t>(library_.ReadMem(device_, base_ + kFlashData));
  return true;
}

std::uint32_t ControllerPort::read32(std::uint32_t offset) { return library_.dwReadMem(device_, base_ + offset); }

}  // namespace cfgprobe
