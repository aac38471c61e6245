#include "sim/jedec_flash.h"

#include <algorithm>

namespace sim {
namespace {

constexpr std::uint32_t kCommandAddressMask = 0x7FFF;
constexpr std::uint32_t kFirstCommandAddress = 0x5555;
constexpr std::uint32_t kSecondCommandAddress = 0x2AAA;

constexpr std::uint8_t kUnlock1 = 0xAA;
constexpr std::uint8_t kUnlock2 = 0x55;
constexpr std::uint8_t kSoftwareIdEntry = 0x90;
constexpr std::uint8_t kReset = 0xF0;
constexpr std::uint8_t kByteProgram = 0xA0;
constexpr std::uint8_t kEraseSetup = 0x80;
constexpr std::uint8_t kChipErase = 0x10;
constexpr std::uint8_t kSectorErase = 0x30;

bool at(std::uint32_t address, std::uint32_t commandAddress) {
  return (address & kCommandAddressMask) == commandAddress;
}

}  // namespace

JedecFlash::JedecFlash(os::Clock& clock, std::uint8_t manufacturer, std::uint8_t device)
    : clock_(clock), cells_(kSize, 0xFF), manufacturer_(manufacturer), device_(device) {}

void JedecFlash::settle() const {
  if (mode_ != Mode::Erasing || clock_.tickCount() < eraseEnd_) return;
  std::fill_n(cells_.begin() + eraseFirst_, eraseSize_, std::uint8_t{0xFF});
  mode_ = Mode::Read;
}

void JedecFlash::breakSequence() {
  step_ = Step::Idle;
  mode_ = Mode::Read;
}

void JedecFlash::startErase(std::uint32_t first, std::uint32_t size, std::uint32_t milliseconds) {
  step_ = Step::Idle;
  mode_ = Mode::Erasing;
  eraseFirst_ = first;
  eraseSize_ = size;
  eraseEnd_ = clock_.tickCount() + milliseconds;
  settle();
}

std::uint8_t JedecFlash::read(std::uint32_t address) {
  std::lock_guard lock(mutex_);
  settle();
  switch (mode_) {
    case Mode::Erasing:
      toggle_ ^= 0x40;
      return toggle_;  // bit 7 is the complement of the erased cell's 1
    case Mode::SoftwareId:
      return (address & 1) ? device_ : manufacturer_;
    case Mode::Read:
      break;
  }
  return cells_[address % kSize];
}

void JedecFlash::write(std::uint32_t address, std::uint8_t value) {
  std::lock_guard lock(mutex_);
  settle();
  if (mode_ == Mode::Erasing) return;  // the embedded erase takes no commands
  switch (step_) {
    case Step::Program:
      cells_[address % kSize] &= value;
      ++programmed_;
      step_ = Step::Idle;
      mode_ = Mode::Read;
      return;
    case Step::Idle:
      if (value == kReset) {
        mode_ = Mode::Read;
      } else if (value == kUnlock1 && at(address, kFirstCommandAddress)) {
        step_ = Step::Unlocked;
      }
      return;  // other writes outside a sequence do nothing
    case Step::Unlocked:
      if (value == kUnlock2 && at(address, kSecondCommandAddress))
        step_ = Step::Commanded;
      else
        breakSequence();
      return;
    case Step::Commanded:
      if (!at(address, kFirstCommandAddress)) return breakSequence();
      if (value == kSoftwareIdEntry) {
        step_ = Step::Idle;
        mode_ = Mode::SoftwareId;
      } else if (value == kByteProgram) {
        step_ = Step::Program;
      } else if (value == kEraseSetup) {
        step_ = Step::EraseSetup;
      } else {
        breakSequence();  // F0 leaves ID mode the same way
      }
      return;
    case Step::EraseSetup:
      if (value == kUnlock1 && at(address, kFirstCommandAddress))
        step_ = Step::EraseUnlocked;
      else
        breakSequence();
      return;
    case Step::EraseUnlocked:
      if (value == kUnlock2 && at(address, kSecondCommandAddress))
        step_ = Step::EraseCommanded;
      else
        breakSequence();
      return;
    case Step::EraseCommanded:
      if (value == kChipErase && at(address, kFirstCommandAddress)) {
        ++chipErases_;
        startErase(0, kSize, chipEraseMs_);
      } else if (value == kSectorErase) {
        const std::uint32_t sector = (address % kSize) / kSectorSize * kSectorSize;
        startErase(sector, kSectorSize, sectorEraseMs_);
      } else {
        breakSequence();
      }
      return;
  }
}

std::vector<std::uint8_t> JedecFlash::contents() const {
  std::lock_guard lock(mutex_);
  settle();
  return cells_;
}

void JedecFlash::load(std::span<const std::uint8_t> image) {
  std::lock_guard lock(mutex_);
  std::fill(cells_.begin(), cells_.end(), std::uint8_t{0xFF});
  std::copy_n(image.begin(), std::min<std::size_t>(image.size(), kSize), cells_.begin());
}

void JedecFlash::setIdentity(std::uint8_t manufacturer, std::uint8_t device) {
  std::lock_guard lock(mutex_);
  manufacturer_ = manufacturer;
  device_ = device;
}

std::uint8_t JedecFlash::manufacturer() const {
  std::lock_guard lock(mutex_);
  return manufacturer_;
}

std::uint8_t JedecFlash::device() const {
  std::lock_guard lock(mutex_);
  return device_;
}

void JedecFlash::setEraseTimes(std::uint32_t chipMs, std::uint32_t sectorMs) {
  std::lock_guard lock(mutex_);
  chipEraseMs_ = chipMs;
  sectorEraseMs_ = sectorMs;
}

JedecFlash::Mode JedecFlash::mode() {
  std::lock_guard lock(mutex_);
  settle();
  return mode_;
}

std::uint64_t JedecFlash::bytesProgrammed() const {
  std::lock_guard lock(mutex_);
  return programmed_;
}

int JedecFlash::chipErases() const {
  std::lock_guard lock(mutex_);
  return chipErases_;
}

}  // namespace sim
