#pragma once
// The machine's device namespace ("\\.\Name") and its handles: drivers create and
// delete their devices here, programs open them and send control requests, and
// every request's event is an event handle of this table. A deleted device stays
// usable through the handles already open and is gone when the last one closes,
// as the I/O manager keeps a driver loaded while its device is referenced.
//
// An open checks its arguments as the I/O manager does: the creation disposition
// must be one CreateFile knows, and the access asked for must agree with the share
// modes of the handles already open to the device (and theirs with its own), or
// the open fails with ERROR_SHARING_VIOLATION. A handle carries its access: a
// control code that needs read or write access fails with ERROR_ACCESS_DENIED on a
// handle opened without it.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "os/device_io.h"
#include "sim/handle_table.h"
#include "sim/spin_lock.h"

namespace sim {

// A driver's side of its device: serves one control request. Returns 0, or the
// Windows error the request fails with (the output is then left as it was).
class DeviceHandler {
 public:
  virtual ~DeviceHandler() = default;
  virtual std::uint32_t control(std::uint32_t code, const std::uint8_t* input, std::uint32_t inputSize,
                                std::uint8_t* output, std::uint32_t outputSize, std::uint32_t* returned) = 0;
};

class DeviceIo final : public os::DeviceIo {
 public:
  // Called by drivers. name is the bare device name ("KxACS"), without letter case.
  void createDevice(std::string_view name, DeviceHandler& handler);
  // Removes the name at once; whenGone runs when no handle to the device is open
  // any more (at once if none is).
  void deleteDevice(std::string_view name, std::function<void()> whenGone);

  bool deviceExists(std::string_view name) const;
  int openHandles(std::string_view name) const;  // handles open to the named device
  int eventsOpen() const;
  std::uint64_t eventsCreated() const;

  // Fault: opening the named device fails with error until cleared (error 0).
  void failOpen(std::string_view name, std::uint32_t error);
  // Fault: the next count event creations (count < 0: all, 0: none) fail with
  // ERROR_NOT_ENOUGH_MEMORY.
  void failEvents(int count);

  os::Handle createFileA(std::string_view deviceName, std::uint32_t access, std::uint32_t share,
                         std::uint32_t disposition, std::uint32_t flagsAndAttributes) override;
  bool deviceIoControl(os::Handle device, std::uint32_t code, const void* input, std::uint32_t inputSize,
                       void* output, std::uint32_t outputSize, std::uint32_t* returned,
                       os::Overlapped* overlapped) override;
  os::Handle createEventA(bool manualReset, bool initiallySignalled, const char* name) override;
  bool setEvent(os::Handle event) override;
  bool resetEvent(os::Handle event) override;
  bool closeHandle(os::Handle handle) override;

 private:
  struct Device {
    std::string name;
    DeviceHandler* handler = nullptr;
    int openHandles = 0;
    bool deleted = false;
    std::function<void()> whenGone;
  };
  struct Event {
    bool signalled = false;
  };
  struct DeviceHandle {
    std::shared_ptr<Device> device;
    std::uint32_t access = 0;  // kFileReadData | kFileWriteData
    std::uint32_t share = 0;
  };

  bool sharingAllows(const Device& device, std::uint32_t access, std::uint32_t share) const;
  bool signal(os::Handle event, bool signalled);

  mutable SpinLock mutex_;
  std::map<std::string, std::shared_ptr<Device>> devices_;
  std::map<std::string, std::uint32_t> openFaults_;
  HandleTable<DeviceHandle> deviceHandles_{HandleKind::Device};
  HandleTable<Event> events_{HandleKind::Event};
  int eventFailures_ = 0;
  std::uint64_t eventsCreated_ = 0;
};

}  // namespace sim
