#include "sim/pci_bus.h"

namespace sim {
namespace {

bool readOnly(std::uint8_t offset) { return offset == 0x00 || offset == 0x08 || offset == 0x2C; }

}  // namespace

PciFunction::PciFunction(std::uint32_t identity) { set32(0x00, identity); }

std::uint32_t PciFunction::read32(std::uint8_t offset) const {
  const std::size_t at = offset & 0xFCu;
  return static_cast<std::uint32_t>(config_[at]) | static_cast<std::uint32_t>(config_[at + 1]) << 8 |
         static_cast<std::uint32_t>(config_[at + 2]) << 16 | static_cast<std::uint32_t>(config_[at + 3]) << 24;
}

void PciFunction::write32(std::uint8_t offset, std::uint32_t value) {
  if (!readOnly(offset & 0xFCu)) set32(offset, value);
}

void PciFunction::set32(std::uint8_t offset, std::uint32_t value) {
  const std::size_t at = offset & 0xFCu;
  for (std::size_t i = 0; i < 4; ++i) config_[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint16_t PciBus::key(PciLocation at) {
  return static_cast<std::uint16_t>(at.bus << 8 | (at.device & 0x1F) << 3 | (at.function & 0x7));
}

PciFunction& PciBus::add(PciLocation at, std::uint32_t identity) {
  functions_.insert_or_assign(key(at), PciFunction(identity));
  return functions_.at(key(at));
}

void PciBus::remove(PciLocation at) { functions_.erase(key(at)); }

PciFunction* PciBus::find(PciLocation at) {
  const auto it = functions_.find(key(at));
  return it == functions_.end() ? nullptr : &it->second;
}

std::uint32_t PciBus::read32(PciLocation at, std::uint8_t offset) const {
  const auto it = functions_.find(key(at));
  return it == functions_.end() ? 0xFFFFFFFFu : it->second.read32(offset);
}

void PciBus::write32(PciLocation at, std::uint8_t offset, std::uint32_t value) {
  if (PciFunction* f = find(at)) f->write32(offset, value);
}

}  // namespace sim
