#include "cfgprobe/driver_channel.h"

#include <cstring>

#include "os/platform.h"

namespace cfgprobe {

bool requestDriver(os::Handle device, std::uint32_t code, const void* input, std::uint32_t inputSize, void* output,
                   std::uint32_t outputSize, std::uint32_t* returned) {
  os::DeviceIo& io = *os::platform().devices;
  std::memset(output, 0, outputSize);
  const os::Handle event = io.createEventA(true, false, nullptr);
  if (!event) return false;
  io.setEvent(event);
  os::Overlapped overlapped;
  overlapped.event = event;
  std::uint32_t filled = 0;
  const bool done = io.deviceIoControl(device, code, input, inputSize, output, outputSize, &filled, &overlapped);
  if (returned) *returned = done ? filled : 0;
  io.resetEvent(event);
  io.closeHandle(event);
  return done;
}

}  // namespace cfgprobe
