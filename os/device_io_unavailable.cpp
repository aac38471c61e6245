// Device I/O when no back end provides it: no device opens and no event exists.
#include "os/device_io.h"

namespace os {
namespace {
template <typename T>
T fail(T value) {
  setLastError(kErrorNotSupported);
  return value;
}
}  // namespace

Handle DeviceIo::createFileA(std::string_view, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {
  return fail(invalidHandle());
}
bool DeviceIo::deviceIoControl(Handle, std::uint32_t, const void*, std::uint32_t, void*, std::uint32_t,
                               std::uint32_t* returned, Overlapped*) {
  if (returned) *returned = 0;
  return fail(false);
}
Handle DeviceIo::createEventA(bool, bool, const char*) { return fail<Handle>(nullptr); }
bool DeviceIo::setEvent(Handle) { return fail(false); }
bool DeviceIo::resetEvent(Handle) { return fail(false); }
bool DeviceIo::closeHandle(Handle) { return fail(false); }

}  // namespace os
