#pragma once
// The machine's physical address space as the access driver reaches it: device
// register windows mapped at their base addresses (a function's BARs), and all
// ones wherever nothing is mapped; writes there go nowhere, as on a real bus.
// Not locked: the access driver reaches it under its own lock, and windows are
// mapped while no thread of the machine runs.
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace sim {

// The registers of one device behind a memory window; offsets are from its base.
class RegisterWindow {
 public:
  virtual ~RegisterWindow() = default;
  virtual std::uint8_t read8(std::uint32_t offset) = 0;
  virtual std::uint32_t read32(std::uint32_t offset) = 0;
  virtual void write8(std::uint32_t offset, std::uint8_t value) = 0;
  virtual void write32(std::uint32_t offset, std::uint32_t value) = 0;
};

// A window of plain registers that keep what is written (little-endian).
class RegisterBlock final : public RegisterWindow {
 public:
  explicit RegisterBlock(std::uint32_t size) : bytes_(size, 0) {}
  std::uint8_t read8(std::uint32_t offset) override;
  std::uint32_t read32(std::uint32_t offset) override;
  void write8(std::uint32_t offset, std::uint8_t value) override;
  void write32(std::uint32_t offset, std::uint32_t value) override;

 private:
  std::vector<std::uint8_t> bytes_;
};

class PhysicalMemory {
 public:
  // Maps a window of size bytes at base; the memory keeps it alive. Windows must not overlap.
  void map(std::uint32_t base, std::uint32_t size, std::shared_ptr<RegisterWindow> window);
  void unmap(std::uint32_t base);

  std::uint8_t read8(std::uint32_t address);
  std::uint32_t read32(std::uint32_t address);
  void write8(std::uint32_t address, std::uint8_t value);
  void write32(std::uint32_t address, std::uint32_t value);

 private:
  struct Mapping {
    std::uint32_t size;
    std::shared_ptr<RegisterWindow> window;
  };
  // The window holding [address, address + width), with the offset into it.
  RegisterWindow* find(std::uint32_t address, std::uint32_t width, std::uint32_t* offset);

  std::map<std::uint32_t, Mapping> windows_;
  // The window found last: a block request reaches the same registers thousands of times.
  struct Last {
    std::uint32_t base = 0;
    std::uint32_t size = 0;
    RegisterWindow* window = nullptr;
  };
  Last last_;
};

}  // namespace sim
