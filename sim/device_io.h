#pragma once
// The machine's device namespace ("\\.\Name") and its handles: drivers create and
// delete their devices here, programs open them and send control requests, and
// every request's event is an event handle of this table. A deleted device stays
// usable through the handles already open and is gone when the last one closes,
// as the I/O manager keeps a driver loaded while its device is referenced.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "os/device_io.h"

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
    bool open = false;
    bool signalled = false;
  };

  std::shared_ptr<Device> deviceOf(os::Handle handle) const;
  Event* eventOf(os::Handle handle);

  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<Device>> devices_;
  std::map<std::string, std::uint32_t> openFaults_;
  std::vector<std::shared_ptr<Device>> deviceHandles_;  // slot per handle; null when closed
  std::vector<Event> events_;
  std::vector<std::size_t> freeEvents_;
  int eventsOpen_ = 0;
  std::uint64_t eventsCreated_ = 0;
};

}  // namespace sim
