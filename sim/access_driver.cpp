#include "sim/access_driver.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "sim/io_ports.h"
#include "sim/physical_memory.h"

namespace sim {
namespace {

// The completion statuses the request code gives, and the errors Windows makes of them.
struct StatusError {
  std::uint32_t status;
  std::uint32_t error;
};
constexpr StatusError kStatusErrors[] = {
    {0xC0000022u, os::kErrorAccessDenied},      // STATUS_ACCESS_DENIED
    {0xC000000Du, os::kErrorInvalidParameter},  // STATUS_INVALID_PARAMETER
    {0xC0000010u, os::kErrorInvalidFunction},   // STATUS_INVALID_DEVICE_REQUEST
    {0xC0000001u, os::kErrorGenFailure},        // STATUS_UNSUCCESSFUL
};

std::uint32_t errorOf(std::uint32_t status) {
  for (const StatusError& s : kStatusErrors)
    if (s.status == status) return s.error;
  return status == 0 ? 0 : os::kErrorGenFailure;
}

// A mapping is the physical address itself, tagged above the 32-bit space so that
// it is never null; the driver reaches it only through the table below.
constexpr std::uintptr_t kMappedTag = std::uintptr_t{1} << 32;

std::uint32_t physical(volatile void* mapped) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(mapped) & 0xFFFFFFFFu);
}

AccessDriver& driverOf(void* context) { return *static_cast<AccessDriver*>(context); }

// Every code of the driver's device type with a function from 0x900 to 0x90F,
// buffered and of any access, counts in a slot of its own.
constexpr std::uint32_t kCodeSlotMask = 0xFFFFFFC3u;
constexpr std::uint32_t kCodeSlotBase = 0x9C402400u;

}  // namespace

// The machine's parts behind the driver's hardware table.
struct AccessDriverParts {
  static IoPorts& ports(void* c) { return driverOf(c).ports_; }
  static PhysicalMemory& memory(void* c) { return driverOf(c).memory_; }
  static void stall(void* c, std::uint32_t microseconds) {
    AccessDriver& d = driverOf(c);
    const std::uint64_t before = d.stalled_ / 1000;
    d.stalled_ += microseconds;
    if (d.stalled_ / 1000 > before) d.clock_.advance(d.stalled_ / 1000 - before);
    if (d.stallHook_) d.stallHook_();
  }
};

const AccessHardware AccessDriver::kHardwareTable = {
    .context = nullptr,
    .readPort32 = [](void* c, std::uint16_t port) { return AccessDriverParts::ports(c).read32(port); },
    .writePort32 = [](void* c, std::uint16_t port,
                      std::uint32_t value) { AccessDriverParts::ports(c).write32(port, value); },
    .map = [](void*, std::uint32_t address, std::uint32_t) -> volatile void* {
      return reinterpret_cast<volatile void*>(kMappedTag | address);
    },
    .unmap = [](void*, volatile void*, std::uint32_t) {},
    .read8 = [](void* c, volatile void* reg) { return AccessDriverParts::memory(c).read8(physical(reg)); },
    .read32 = [](void* c, volatile void* reg) { return AccessDriverParts::memory(c).read32(physical(reg)); },
    .write8 = [](void* c, volatile void* reg,
                 std::uint8_t value) { AccessDriverParts::memory(c).write8(physical(reg), value); },
    .write32 = [](void* c, volatile void* reg,
                  std::uint32_t value) { AccessDriverParts::memory(c).write32(physical(reg), value); },
    .isRam = [](void*, std::uint32_t, std::uint32_t) { return 0; },  // the bus reaches no RAM here
    .stall = [](void* c, std::uint32_t microseconds) { AccessDriverParts::stall(c, microseconds); },
};

AccessDriver::AccessDriver(DeviceIo& devices, IoPorts& ports, PhysicalMemory& memory, Clock& clock)
    : devices_(devices), ports_(ports), memory_(memory), clock_(clock), hardware_(kHardwareTable) {
  hardware_.context = this;
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
  hook_ = hook ? std::make_shared<const RequestHook>(std::move(hook)) : nullptr;
}

void AccessDriver::onStall(std::function<void()> hook) {
  std::lock_guard lock(mutex_);
  stallHook_ = std::move(hook);
}

bool AccessDriver::running() const {
  std::lock_guard lock(mutex_);
  return running_;
}

std::uint64_t AccessDriver::requests() const {
  std::lock_guard lock(mutex_);
  return total_;
}

std::uint64_t& AccessDriver::countOf(std::uint32_t code) {
  if ((code & kCodeSlotMask) == kCodeSlotBase) return perFunction_[(code >> 2) & 0xF];
  return perOther_[code];
}

std::uint64_t AccessDriver::requests(std::uint32_t code) const {
  std::lock_guard lock(mutex_);
  if ((code & kCodeSlotMask) == kCodeSlotBase) return perFunction_[(code >> 2) & 0xF];
  const auto it = perOther_.find(code);
  return it == perOther_.end() ? 0 : it->second;
}

void AccessDriver::resetCounts() {
  std::lock_guard lock(mutex_);
  total_ = 0;
  perFunction_.fill(0);
  perOther_.clear();
}

std::uint32_t AccessDriver::lastCode() const {
  std::lock_guard lock(mutex_);
  return lastCode_;
}

std::array<std::uint8_t, access::kRecordSize> AccessDriver::lastInput() const {
  std::lock_guard lock(mutex_);
  std::array<std::uint8_t, access::kRecordSize> input{};
  std::copy_n(lastInput_.begin(), lastInputKept_, input.begin());
  return input;
}

std::uint32_t AccessDriver::lastInputSize() const {
  std::lock_guard lock(mutex_);
  return lastInputSize_;
}

std::uint32_t AccessDriver::lastOutputSize() const {
  std::lock_guard lock(mutex_);
  return lastOutputSize_;
}

std::uint64_t AccessDriver::stalledMicroseconds() const {
  std::lock_guard lock(mutex_);
  return stalled_;
}

// A driver that starts afresh has found no windows yet, as the real one after its load.
std::uint32_t AccessDriver::load() {
  {
    std::lock_guard lock(mutex_);
    running_ = true;
    reach_ = AccessReach{};
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
  std::unique_lock lock(mutex_);
  if (hook_) {
    const std::shared_ptr<const RequestHook> hook = hook_;
    const std::uint64_t earlier = countOf(code);
    lock.unlock();
    (*hook)(code, earlier);
    lock.lock();
  }
  ++total_;
  ++countOf(code);
  lastCode_ = code;
  lastInputSize_ = inputSize;
  lastOutputSize_ = outputSize;
  lastInputKept_ = input ? std::min<std::uint32_t>(inputSize, access::kRecordSize) : 0;
  if (lastInputKept_) std::memcpy(lastInput_.data(), input, lastInputKept_);
  if (failuresLeft_ != 0) {
    if (failuresLeft_ > 0) --failuresLeft_;
    return failure_;
  }
  if (codeFaults_.empty()) return serve(code, input, inputSize, output, outputSize, returned);
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

// A buffered request: the input copied into the system buffer, the driver's output
// copied back for as many bytes as it reports (none when it fails the request).
std::uint32_t AccessDriver::serve(std::uint32_t code, const std::uint8_t* input, std::uint32_t inputSize,
                                  std::uint8_t* output, std::uint32_t outputSize, std::uint32_t* returned) {
  const std::uint32_t size = std::max(inputSize, outputSize);
  std::array<std::uint8_t, access::kRecordSize> small;
  std::vector<std::uint8_t> large;
  std::uint8_t* buffer = nullptr;
  if (size > small.size()) {
    large.assign(size, 0);
    buffer = large.data();
    if (inputSize) std::memcpy(buffer, input, inputSize);
  } else if (size > 0) {
    // The input is in lastInput_ already. Beyond it the buffer holds what earlier
    // requests left there, as Windows does not clear it either.
    small = lastInput_;
    buffer = small.data();
  }
  std::uint32_t done = 0;
  const std::uint32_t status = serveAccessRequest(&hardware_, &reach_, code, buffer, inputSize, outputSize, &done);
  if (status != 0) return errorOf(status);
  done = std::min(done, outputSize);
  if (done) std::memcpy(output, buffer, done);
  *returned = done;
  return 0;
}

}  // namespace sim
