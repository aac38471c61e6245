#include "sim/access_driver.h"

#include <algorithm>
#include <cstring>

#include "sim/io_ports.h"
#include "sim/physical_memory.h"

namespace sim {
namespace {

constexpr std::uint32_t kFlashAddressMask = 0x0007FFFF;
constexpr std::uint32_t kFlashProgram = 0x02000000;
constexpr std::uint32_t kFlashRead = 0x03000000;
constexpr std::uint32_t kDataRegisterOffset = 4;

std::uint32_t word(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void putWord(std::uint8_t* bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// One byte to the flash through the registers: data register first, then the command.
void sendFlashByte(PhysicalMemory& memory, std::uint32_t reg, std::uint32_t address, std::uint8_t value) {
  memory.write8(reg + kDataRegisterOffset, value);
  memory.write32(reg, kFlashProgram | (address & kFlashAddressMask));
}

// What each code needs: input bytes, output bytes.
struct Shape {
  std::uint32_t input;
  std::uint32_t output;
};

bool shapeOf(std::uint32_t code, Shape* shape) {
  switch (code) {
    case access::kReadPort: *shape = {2, 4}; return true;
    case access::kReadMemByte: *shape = {4, 1}; return true;
    case access::kReadMemDword: *shape = {4, 4}; return true;
    case access::kWritePort:
    case access::kWriteMemByte:
    case access::kWriteMemDword:
    case access::kWriteBlock: *shape = {access::kRecordSize, 4}; return true;
    case access::kReadBlock: *shape = {access::kRecordSize, access::kRecordSize}; return true;
    default: return false;
  }
}

}  // namespace

bool FlashBlockAccess::read(PhysicalMemory& memory, std::uint32_t reg, std::uint32_t command, std::uint8_t* data) {
  const std::uint32_t first = command & kFlashAddressMask;
  for (std::uint32_t i = 0; i < access::kBlockSize; ++i) {
    memory.write32(reg, kFlashRead | ((first + i) & kFlashAddressMask));
    data[i] = memory.read8(reg + kDataRegisterOffset);
  }
  return true;
}

bool FlashBlockAccess::program(PhysicalMemory& memory, std::uint32_t reg, std::uint32_t command,
                               const std::uint8_t* data) {
  const std::uint32_t first = command & kFlashAddressMask;
  for (std::uint32_t i = 0; i < access::kBlockSize; ++i) {
    const std::uint32_t address = (first + i) & kFlashAddressMask;
    sendFlashByte(memory, reg, 0x5555, 0xAA);
    sendFlashByte(memory, reg, 0x2AAA, 0x55);
    sendFlashByte(memory, reg, 0x5555, 0xA0);
    sendFlashByte(memory, reg, address, data[i]);
    memory.write32(reg, kFlashRead | address);
    if (memory.read8(reg + kDataRegisterOffset) != data[i]) return false;
  }
  return true;
}

void AccessDriver::failRequests(int count, std::uint32_t error) {
  std::lock_guard lock(mutex_);
  failuresLeft_ = count;
  failure_ = error;
}

void AccessDriver::failRequestsOf(std::uint32_t code, std::uint64_t after, int count, std::uint32_t error) {
  std::lock_guard lock(mutex_);
  codeFaults_[code] = CodeFault{after, count, error};
}

void AccessDriver::onRequest(RequestHook hook) {
  std::lock_guard lock(mutex_);
  hook_ = std::move(hook);
}

bool AccessDriver::running() const {
  std::lock_guard lock(mutex_);
  return running_;
}

std::uint64_t AccessDriver::requests() const {
  std::lock_guard lock(mutex_);
  return total_;
}

std::uint64_t AccessDriver::requests(std::uint32_t code) const {
  std::lock_guard lock(mutex_);
  const auto it = perCode_.find(code);
  return it == perCode_.end() ? 0 : it->second;
}

void AccessDriver::resetCounts() {
  std::lock_guard lock(mutex_);
  total_ = 0;
  perCode_.clear();
}

std::uint32_t AccessDriver::lastCode() const {
  std::lock_guard lock(mutex_);
  return lastCode_;
}

std::array<std::uint8_t, access::kRecordSize> AccessDriver::lastInput() const {
  std::lock_guard lock(mutex_);
  return lastInput_;
}

std::uint32_t AccessDriver::lastInputSize() const {
  std::lock_guard lock(mutex_);
  return lastInputSize_;
}

std::uint32_t AccessDriver::lastOutputSize() const {
  std::lock_guard lock(mutex_);
  return lastOutputSize_;
}

std::uint32_t AccessDriver::load() {
  {
    std::lock_guard lock(mutex_);
    running_ = true;
  }
  devices_.createDevice(kDeviceName, *this);
  return 0;
}

void AccessDriver::unload(std::function<void()> stopped) {
  devices_.deleteDevice(kDeviceName, [this, stopped = std::move(stopped)] {
    {
      std::lock_guard lock(mutex_);
      running_ = false;
    }
    if (stopped) stopped();
  });
}

std::uint32_t AccessDriver::control(std::uint32_t code, const std::uint8_t* input, std::uint32_t inputSize,
                                    std::uint8_t* output, std::uint32_t outputSize, std::uint32_t* returned) {
  RequestHook hook;
  std::uint64_t earlier = 0;
  {
    std::lock_guard lock(mutex_);
    hook = hook_;
    const auto it = perCode_.find(code);
    earlier = it == perCode_.end() ? 0 : it->second;
  }
  if (hook) hook(code, earlier);
  std::lock_guard lock(mutex_);
  ++total_;
  ++perCode_[code];
  lastCode_ = code;
  lastInput_.fill(0);
  lastInputSize_ = inputSize;
  lastOutputSize_ = outputSize;
  if (input) std::memcpy(lastInput_.data(), input, std::min<std::uint32_t>(inputSize, access::kRecordSize));
  if (failuresLeft_ != 0) {
    if (failuresLeft_ > 0) --failuresLeft_;
    return failure_;
  }
  if (auto fault = codeFaults_.find(code); fault != codeFaults_.end() && fault->second.count != 0) {
    if (fault->second.skip > 0) {
      --fault->second.skip;
    } else {
      if (fault->second.count > 0) --fault->second.count;
      return fault->second.error;
    }
  }
  return serve(code, input, inputSize, output, outputSize, returned);
}

std::uint32_t AccessDriver::serve(std::uint32_t code, const std::uint8_t* input, std::uint32_t inputSize,
                                  std::uint8_t* output, std::uint32_t outputSize, std::uint32_t* returned) {
  Shape shape{};
  if (!shapeOf(code, &shape)) return os::kErrorInvalidFunction;
  if (inputSize < shape.input) return os::kErrorInvalidParameter;
  if (outputSize < shape.output) return os::kErrorInsufficientBuffer;
  const std::uint32_t address = shape.input >= 4 ? word(input) : 0;
  const std::uint32_t value = shape.input == access::kRecordSize ? word(input + 8) : 0;
  std::uint32_t result = 1;
  switch (code) {
    case access::kReadPort:
      putWord(output, ports_.read32(static_cast<std::uint16_t>(input[0] | input[1] << 8)));
      break;
    case access::kWritePort: ports_.write32(static_cast<std::uint16_t>(address), value); break;
    case access::kReadMemByte: output[0] = memory_.read8(address); break;
    case access::kWriteMemByte: memory_.write8(address, static_cast<std::uint8_t>(value)); break;
    case access::kReadMemDword: putWord(output, memory_.read32(address)); break;
    case access::kWriteMemDword: memory_.write32(address, value); break;
    case access::kWriteBlock: result = flash_->program(memory_, address, word(input + 4), input + 12) ? 1 : 0; break;
    case access::kReadBlock:
      std::memcpy(output, input, access::kRecordSize);
      if (!flash_->read(memory_, address, word(input + 4), output + 12)) return os::kErrorGenFailure;
      break;
  }
  if (shape.input == access::kRecordSize && code != access::kReadBlock) putWord(output, result);
  *returned = shape.output;
  return 0;
}

}  // namespace sim
