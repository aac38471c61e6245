#include "sim/physical_memory.h"

namespace sim {

std::uint8_t RegisterBlock::read8(std::uint32_t offset) { return offset < bytes_.size() ? bytes_[offset] : 0xFF; }

std::uint32_t RegisterBlock::read32(std::uint32_t offset) {
  if (std::uint64_t{offset} + 4 <= bytes_.size()) {
    const std::uint8_t* b = bytes_.data() + offset;
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
  }
  std::uint32_t value = 0;
  for (std::uint32_t i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(read8(offset + i)) << (8 * i);
  return value;
}

void RegisterBlock::write8(std::uint32_t offset, std::uint8_t value) {
  if (offset < bytes_.size()) bytes_[offset] = value;
}

void RegisterBlock::write32(std::uint32_t offset, std::uint32_t value) {
  if (std::uint64_t{offset} + 4 <= bytes_.size()) {
    std::uint8_t* b = bytes_.data() + offset;
    for (int i = 0; i < 4; ++i) b[i] = static_cast<std::uint8_t>(value >> (8 * i));
    return;
  }
  for (std::uint32_t i = 0; i < 4; ++i) write8(offset + i, static_cast<std::uint8_t>(value >> (8 * i)));
}

void PhysicalMemory::map(std::uint32_t base, std::uint32_t size, std::shared_ptr<RegisterWindow> window) {
  windows_[base] = Mapping{size, std::move(window)};
  last_ = Last{};
}

void PhysicalMemory::unmap(std::uint32_t base) {
  windows_.erase(base);
  last_ = Last{};
}

RegisterWindow* PhysicalMemory::find(std::uint32_t address, std::uint32_t width, std::uint32_t* offset) {
  if (last_.window && address >= last_.base && std::uint64_t{address} - last_.base + width <= last_.size) {
    *offset = address - last_.base;
    return last_.window;
  }
  auto it = windows_.upper_bound(address);
  if (it == windows_.begin()) return nullptr;
  --it;
  const std::uint64_t into = address - it->first;
  if (into + width > it->second.size) return nullptr;
  *offset = static_cast<std::uint32_t>(into);
  last_ = Last{it->first, it->second.size, it->second.window.get()};
  return it->second.window.get();
}

std::uint8_t PhysicalMemory::read8(std::uint32_t address) {
  std::uint32_t offset = 0;
  RegisterWindow* w = find(address, 1, &offset);
  return w ? w->read8(offset) : 0xFF;
}

std::uint32_t PhysicalMemory::read32(std::uint32_t address) {
  std::uint32_t offset = 0;
  RegisterWindow* w = find(address, 4, &offset);
  return w ? w->read32(offset) : 0xFFFFFFFFu;
}

void PhysicalMemory::write8(std::uint32_t address, std::uint8_t value) {
  std::uint32_t offset = 0;
  if (RegisterWindow* w = find(address, 1, &offset)) w->write8(offset, value);
}

void PhysicalMemory::write32(std::uint32_t address, std::uint32_t value) {
  std::uint32_t offset = 0;
  if (RegisterWindow* w = find(address, 4, &offset)) w->write32(offset, value);
}

}  // namespace sim
