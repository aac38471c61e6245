#include "os/win32/adapters.h"
#include "os/win32/windows_api.h"

namespace os::win32 {
namespace {

class Win32DeviceIo final : public DeviceIo {
 public:
  Handle createFileA(std::string_view deviceName, std::uint32_t access, std::uint32_t share,
                     std::uint32_t disposition, std::uint32_t flagsAndAttributes) override {
    return ::CreateFileA(terminated(deviceName).c_str(), access, share, nullptr, disposition, flagsAndAttributes,
                         nullptr);
  }

  bool deviceIoControl(Handle device, std::uint32_t code, const void* input, std::uint32_t inputSize, void* output,
                       std::uint32_t outputSize, std::uint32_t* returned, Overlapped* overlapped) override {
    // The record is handed over as the system's own and its results copied back.
    OVERLAPPED record{};
    if (overlapped) {
      record.Offset = overlapped->offset;
      record.OffsetHigh = overlapped->offsetHigh;
      record.hEvent = overlapped->event;
    }
    DWORD bytes = 0;
    const bool ok = ::DeviceIoControl(device, code, const_cast<void*>(input), inputSize, output, outputSize, &bytes,
                                      overlapped ? &record : nullptr);
    const DWORD error = ::GetLastError();
    if (overlapped) {
      overlapped->internal = record.Internal;
      overlapped->internalHigh = record.InternalHigh;
    }
    if (returned) *returned = bytes;
    ::SetLastError(error);
    return ok;
  }

  Handle createEventA(bool manualReset, bool initiallySignalled, const char* name) override {
    return ::CreateEventA(nullptr, manualReset, initiallySignalled, name);
  }
  bool setEvent(Handle event) override { return ::SetEvent(event); }
  bool resetEvent(Handle event) override { return ::ResetEvent(event); }
  bool closeHandle(Handle handle) override { return ::CloseHandle(handle); }
};

}  // namespace

DeviceIo& devices() {
  static Win32DeviceIo instance;
  return instance;
}

}  // namespace os::win32
