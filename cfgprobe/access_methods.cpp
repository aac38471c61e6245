// Port and physical memory access through the access driver's single-value codes.
// Reads send only the port or address; writes send the whole request record and
// take the driver's 32-bit result word (0: failed).
#include "cfgprobe/access_request.h"
#include "cfgprobe/cfgprobe.h"
#include "cfgprobe/driver_channel.h"

namespace {

KxULong writeRequest(os::Handle device, std::uint32_t code, std::uint32_t address, std::uint32_t value) {
  ACCESSREQUEST request{};  // unused fields go out as zeros rather than stack leftovers
  request.dwAddress = address;
  request.dwValue = value;
  std::uint32_t result = 0;
  cfgprobe::requestDriver(device, code, &request, sizeof request, &result, sizeof result);
  return result;
}

}  // namespace

KxULong CKXACS::dwReadPort(os::Handle device, unsigned short port) {
  const std::uint16_t request = port;
  std::uint32_t value = 0;
  cfgprobe::requestDriver(device, IOCTL_ACS_READ_PORT, &request, sizeof request, &value, sizeof value);
  return value;
}

KxULong CKXACS::dwWritePort(os::Handle device, unsigned short port, KxULong value) {
  return writeRequest(device, IOCTL_ACS_WRITE_PORT, port, value);
}

KxULong CKXACS::ReadMem(os::Handle device, KxULong address) {
  const std::uint32_t request = address;
  std::uint8_t value = 0;
  cfgprobe::requestDriver(device, IOCTL_ACS_READ_MEM_BYTE, &request, sizeof request, &value, sizeof value);
  return value;
}

KxULong CKXACS::dwReadMem(os::Handle device, KxULong address) {
  const std::uint32_t request = address;
  std::uint32_t value = 0;
  cfgprobe::requestDriver(device, IOCTL_ACS_READ_MEM_DWORD, &request, sizeof request, &value, sizeof value);
  return value;
}

int CKXACS::bWriteMem(os::Handle device, KxULong address, unsigned short value) {
  return static_cast<int>(writeRequest(device, IOCTL_ACS_WRITE_MEM_BYTE, address, value));
}

int CKXACS::dwWriteMem(os::Handle device, KxULong address, KxULong value) {
  return static_cast<int>(writeRequest(device, IOCTL_ACS_WRITE_MEM_DWORD, address, value));
}
