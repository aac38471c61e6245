#pragma once
// A byte-wide 128 KiB flash chip with the JEDEC command set of the small parallel
// parts that hold an add-in board's option ROM. It starts in read mode and takes
// commands as sequences of bus write cycles on the command addresses 0x5555 and
// 0x2AAA (decoded on address bits 14 to 0):
//   AA@5555 55@2AAA 90@5555            software ID mode: address 0 reads the
//                                      manufacturer code, address 1 the device code
//   F0 (any address), or AA 55 F0@5555 back to read mode
//   AA 55 A0@5555, then data@address   byte program: a program can only clear bits,
//                                      so the stored byte becomes old AND data
//   AA 55 80@5555 AA 55 10@5555        chip erase: every byte to 0xFF
//   AA 55 80@5555 AA 55, then 30@sector  sector erase: one 4 KiB sector to 0xFF
// A write that breaks a sequence returns the chip to read mode. An erase takes
// time on the machine's clock; until it has passed the chip ignores writes and
// its reads return status (bit 7 low, bit 6 toggling with every read) instead of
// data, as the part's data polling and toggle bits do.
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "os/clock.h"

namespace sim {

class JedecFlash {
 public:
  static constexpr std::uint32_t kSize = 128 * 1024;
  static constexpr std::uint32_t kSectorSize = 4 * 1024;

  enum class Mode { Read, SoftwareId, Erasing };

  JedecFlash(os::Clock& clock, std::uint8_t manufacturer, std::uint8_t device);

  // Bus cycles, as the controller drives the chip's pins. Address bits above the
  // chip's 17 are not connected.
  std::uint8_t read(std::uint32_t address);
  void write(std::uint32_t address, std::uint8_t value);

  // Set-up and inspection, not bus cycles: the stored bytes (kSize of them).
  std::vector<std::uint8_t> contents() const;
  // Stores image from address 0; bytes beyond it are erased (0xFF). Longer images are cut.
  void load(std::span<const std::uint8_t> image);
  void setIdentity(std::uint8_t manufacturer, std::uint8_t device);
  std::uint8_t manufacturer() const;
  std::uint8_t device() const;
  // How long an erase takes on the machine's clock (the part's typical times by default).
  void setEraseTimes(std::uint32_t chipMs, std::uint32_t sectorMs);
  std::uint32_t sectorEraseMs() const { return sectorEraseMs_; }

  Mode mode();
  std::uint64_t bytesProgrammed() const;  // byte-program commands carried out
  int chipErases() const;                 // chip erases started

 private:
  enum class Step { Idle, Unlocked, Commanded, EraseSetup, EraseUnlocked, EraseCommanded, Program };

  void settle() const;  // finishes an erase whose time has passed
  void breakSequence();
  void startErase(std::uint32_t first, std::uint32_t size, std::uint32_t milliseconds);

  os::Clock& clock_;
  mutable std::mutex mutex_;
  // An erase finishes when someone next looks, once its time has passed.
  mutable std::vector<std::uint8_t> cells_;
  std::uint8_t manufacturer_;
  std::uint8_t device_;
  mutable Mode mode_ = Mode::Read;
  Step step_ = Step::Idle;
  std::uint32_t chipEraseMs_ = 70;
  std::uint32_t sectorEraseMs_ = 18;
  std::uint64_t eraseEnd_ = 0;
  std::uint32_t eraseFirst_ = 0;
  std::uint32_t eraseSize_ = 0;
  std::uint8_t toggle_ = 0;
  std::uint64_t programmed_ = 0;
  int chipErases_ = 0;
};

}  // namespace sim
