#include "sim/device_io.h"

#include "sim/win_names.h"

namespace sim {
namespace {

// Handles are tagged slot numbers, far from the addresses other tables hand out.
constexpr std::uintptr_t kDeviceTag = 0x0D000000;
constexpr std::uintptr_t kEventTag = 0x0E000000;
constexpr std::uintptr_t kSlotMask = 0x00FFFFFF;

os::Handle makeHandle(std::uintptr_t tag, std::size_t slot) { return reinterpret_cast<os::Handle>(tag | (slot + 1)); }

bool slotOf(os::Handle handle, std::uintptr_t tag, std::size_t* slot) {
  const auto raw = reinterpret_cast<std::uintptr_t>(handle);
  if ((raw & ~kSlotMask) != tag || (raw & kSlotMask) == 0) return false;
  *slot = (raw & kSlotMask) - 1;
  return true;
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
  int count = 0;
  for (const auto& device : deviceHandles_)
    if (device && device->name == foldName(name)) ++count;
  return count;
}

int DeviceIo::eventsOpen() const {
  std::lock_guard lock(mutex_);
  return eventsOpen_;
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

os::Handle DeviceIo::createFileA(std::string_view deviceName, std::uint32_t, std::uint32_t, std::uint32_t,
                                 std::uint32_t) {
  constexpr std::string_view prefix = "\\\\.\\";
  if (deviceName.substr(0, prefix.size()) != prefix || deviceName.size() == prefix.size())
    return failWith(os::kErrorPathNotFound, os::invalidHandle());
  const std::string name = foldName(deviceName.substr(prefix.size()));
  std::lock_guard lock(mutex_);
  if (const auto fault = openFaults_.find(name); fault != openFaults_.end())
    return failWith(fault->second, os::invalidHandle());
  const auto it = devices_.find(name);
  if (it == devices_.end()) return failWith(os::kErrorFileNotFound, os::invalidHandle());
  ++it->second->openHandles;
  for (std::size_t slot = 0; slot < deviceHandles_.size(); ++slot) {
    if (!deviceHandles_[slot]) {
      deviceHandles_[slot] = it->second;
      return makeHandle(kDeviceTag, slot);
    }
  }
  deviceHandles_.push_back(it->second);
  return makeHandle(kDeviceTag, deviceHandles_.size() - 1);
}

std::shared_ptr<DeviceIo::Device> DeviceIo::deviceOf(os::Handle handle) const {
  std::size_t slot = 0;
  if (!slotOf(handle, kDeviceTag, &slot) || slot >= deviceHandles_.size()) return nullptr;
  return deviceHandles_[slot];
}

DeviceIo::Event* DeviceIo::eventOf(os::Handle handle) {
  std::size_t slot = 0;
  if (!slotOf(handle, kEventTag, &slot) || slot >= events_.size() || !events_[slot].open) return nullptr;
  return &events_[slot];
}

bool DeviceIo::deviceIoControl(os::Handle device, std::uint32_t code, const void* input, std::uint32_t inputSize,
                               void* output, std::uint32_t outputSize, std::uint32_t* returned,
                               os::Overlapped* overlapped) {
  if (returned) *returned = 0;
  std::shared_ptr<Device> target;
  {
    std::lock_guard lock(mutex_);
    target = deviceOf(device);
  }
  if (!target) return failWith(os::kErrorInvalidHandle, false);
  if ((inputSize && !input) || (outputSize && !output)) return failWith(os::kErrorInvalidParameter, false);
  std::uint32_t done = 0;
  const std::uint32_t error = target->handler->control(code, static_cast<const std::uint8_t*>(input), inputSize,
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
  std::size_t slot = events_.size();
  if (!freeEvents_.empty()) {
    slot = freeEvents_.back();
    freeEvents_.pop_back();
  } else {
    events_.emplace_back();
  }
  events_[slot] = Event{true, initiallySignalled};
  ++eventsOpen_;
  ++eventsCreated_;
  return makeHandle(kEventTag, slot);
}

bool DeviceIo::setEvent(os::Handle event) {
  std::lock_guard lock(mutex_);
  Event* e = eventOf(event);
  if (!e) return failWith(os::kErrorInvalidHandle, false);
  e->signalled = true;
  return true;
}

bool DeviceIo::resetEvent(os::Handle event) {
  std::lock_guard lock(mutex_);
  Event* e = eventOf(event);
  if (!e) return failWith(os::kErrorInvalidHandle, false);
  e->signalled = false;
  return true;
}

bool DeviceIo::closeHandle(os::Handle handle) {
  std::unique_lock lock(mutex_);
  std::size_t slot = 0;
  if (Event* e = eventOf(handle)) {
    e->open = false;
    --eventsOpen_;
    slotOf(handle, kEventTag, &slot);
    freeEvents_.push_back(slot);
    return true;
  }
  std::shared_ptr<Device> device = deviceOf(handle);
  if (!device) return failWith(os::kErrorInvalidHandle, false);
  slotOf(handle, kDeviceTag, &slot);
  deviceHandles_[slot] = nullptr;
  if (--device->openHandles > 0 || !device->deleted || !device->whenGone) return true;
  auto whenGone = std::move(device->whenGone);
  device->whenGone = nullptr;
  lock.unlock();
  whenGone();
  return true;
}

}  // namespace sim
