#include "sim/device_io.h"

#include <mutex>

#include "os/files.h"
#include "sim/win_names.h"

namespace sim {
namespace {

constexpr std::uint32_t kGenericAll = 0x10000000u;
constexpr std::uint32_t kMaximumAllowed = 0x02000000u;
constexpr std::uint32_t kTruncateExisting = 5;
constexpr std::uint32_t kFileReadAccess = 1;   // bits 15-14 of a control code
constexpr std::uint32_t kFileWriteAccess = 2;

// The data access a CreateFile access mask asks for.
std::uint32_t dataAccess(std::uint32_t access) {
  std::uint32_t data = access & (os::kFileReadData | os::kFileWriteData);
  if (access & (os::kGenericRead | kGenericAll | kMaximumAllowed)) data |= os::kFileReadData;
  if (access & (os::kGenericWrite | kGenericAll | kMaximumAllowed)) data |= os::kFileWriteData;
  return data;
}

}  // namespace

void DeviceIo::createDevice(std::string_view name, DeviceHandler& handler) {
  std::lock_guard lock(mutex_);
  auto device = std::make_shared<Device>();
  device->name = foldName(name);
  device->handler = &handler;
  devices_[device->name] = device;
}

void DeviceIo::deleteDevice(std::string_view name, std::function<void()> whenGone) {
  std::unique_lock lock(mutex_);
  const auto it = devices_.find(foldName(name));
  if (it == devices_.end()) return;
  const std::shared_ptr<Device> device = it->second;
  devices_.erase(it);
  device->deleted = true;
  if (device->openHandles > 0) {
    device->whenGone = std::move(whenGone);
    return;
  }
  lock.unlock();
  if (whenGone) whenGone();
}

bool DeviceIo::deviceExists(std::string_view name) const {
  std::lock_guard lock(mutex_);
  return devices_.count(foldName(name)) > 0;
}

int DeviceIo::openHandles(std::string_view name) const {
  std::lock_guard lock(mutex_);
  const std::string folded = foldName(name);
  int count = 0;
  deviceHandles_.forEach([&](const DeviceHandle& h) { count += h.device->name == folded ? 1 : 0; });
  return count;
}

void DeviceIo::failEvents(int count) {
  std::lock_guard lock(mutex_);
  eventFailures_ = count;
}

// IoCheckShareAccess: an open that asks for no data access is not checked, and
// such a handle constrains no later open.
bool DeviceIo::sharingAllows(const Device& device, std::uint32_t access, std::uint32_t share) const {
  if (access == 0) return true;
  bool allowed = true;
  deviceHandles_.forEach([&](const DeviceHandle& h) {
    if (h.device.get() != &device || h.access == 0) return;
    if (((access & os::kFileReadData) && !(h.share & os::kFileShareRead)) ||
        ((access & os::kFileWriteData) && !(h.share & os::kFileShareWrite)) ||
        ((h.access & os::kFileReadData) && !(share & os::kFileShareRead)) ||
        ((h.access & os::kFileWriteData) && !(share & os::kFileShareWrite)))
      allowed = false;
  });
  return allowed;
}

int DeviceIo::eventsOpen() const {
  std::lock_guard lock(mutex_);
  return events_.openCount();
}

std::uint64_t DeviceIo::eventsCreated() const {
  std::lock_guard lock(mutex_);
  return eventsCreated_;
}

void DeviceIo::failOpen(std::string_view name, std::uint32_t error) {
  std::lock_guard lock(mutex_);
  if (error == 0)
    openFaults_.erase(foldName(name));
  else
    openFaults_[foldName(name)] = error;
}

os::Handle DeviceIo::createFileA(std::string_view deviceName, std::uint32_t access, std::uint32_t share,
                                 std::uint32_t disposition, std::uint32_t) {
  constexpr std::string_view prefix = "\\\\.\\";
  if (disposition < os::kCreateNew || disposition > kTruncateExisting)
    return failWith(os::kErrorInvalidParameter, os::invalidHandle());
  if (deviceName.substr(0, prefix.size()) != prefix || deviceName.size() == prefix.size())
    return failWith(os::kErrorPathNotFound, os::invalidHandle());
  const std::string name = foldName(deviceName.substr(prefix.size()));
  std::lock_guard lock(mutex_);
  if (const auto fault = openFaults_.find(name); fault != openFaults_.end())
    return failWith(fault->second, os::invalidHandle());
  const auto it = devices_.find(name);
  if (it == devices_.end()) return failWith(os::kErrorFileNotFound, os::invalidHandle());
  const std::uint32_t wanted = dataAccess(access);
  if (!sharingAllows(*it->second, wanted, share)) return failWith(os::kErrorSharingViolation, os::invalidHandle());
  ++it->second->openHandles;
  return deviceHandles_.open(DeviceHandle{it->second, wanted, share});
}

bool DeviceIo::deviceIoControl(os::Handle device, std::uint32_t code, const void* input, std::uint32_t inputSize,
                               void* output, std::uint32_t outputSize, std::uint32_t* returned,
                               os::Overlapped* overlapped) {
  if (returned) *returned = 0;
  // Only the handler is taken: a driver outlives its device, whose record may go
  // with its last handle while the request runs.
  DeviceHandler* handler = nullptr;
  std::uint32_t access = 0;
  {
    std::lock_guard lock(mutex_);
    if (const DeviceHandle* h = deviceHandles_.find(device)) {
      handler = h->device->handler;
      access = h->access;
    }
  }
  if (!handler) return failWith(os::kErrorInvalidHandle, false);
  const std::uint32_t needed = (code >> 14) & 3;
  if (((needed & kFileReadAccess) && !(access & os::kFileReadData)) ||
      ((needed & kFileWriteAccess) && !(access & os::kFileWriteData)))
    return failWith(os::kErrorAccessDenied, false);
  if ((inputSize && !input) || (outputSize && !output)) return failWith(os::kErrorInvalidParameter, false);
  std::uint32_t done = 0;
  const std::uint32_t error = handler->control(code, static_cast<const std::uint8_t*>(input), inputSize,
                                               static_cast<std::uint8_t*>(output), outputSize, &done);
  if (overlapped) {
    overlapped->internal = error;
    overlapped->internalHigh = done;
    if (overlapped->event) setEvent(overlapped->event);
  }
  if (error != 0) return failWith(error, false);
  if (returned) *returned = done;
  return true;
}

os::Handle DeviceIo::createEventA(bool, bool initiallySignalled, const char*) {
  std::lock_guard lock(mutex_);
  if (eventFailures_ != 0) {
    if (eventFailures_ > 0) --eventFailures_;
    return failWith<os::Handle>(os::kErrorNotEnoughMemory, nullptr);
  }
  ++eventsCreated_;
  return events_.open(Event{initiallySignalled});
}

bool DeviceIo::setEvent(os::Handle event) { return signal(event, true); }

bool DeviceIo::resetEvent(os::Handle event) { return signal(event, false); }

bool DeviceIo::signal(os::Handle event, bool signalled) {
  std::lock_guard lock(mutex_);
  Event* e = events_.find(event);
  if (!e) return failWith(os::kErrorInvalidHandle, false);
  e->signalled = signalled;
  return true;
}

bool DeviceIo::closeHandle(os::Handle handle) {
  std::unique_lock lock(mutex_);
  if (events_.close(handle)) return true;
  const std::optional<DeviceHandle> closed = deviceHandles_.close(handle);
  if (!closed) return failWith(os::kErrorInvalidHandle, false);
  Device& device = *closed->device;
  if (--device.openHandles > 0 || !device.deleted || !device.whenGone) return true;
  auto whenGone = std::move(device.whenGone);
  device.whenGone = nullptr;
  lock.unlock();
  whenGone();
  return true;
}

}  // namespace sim
