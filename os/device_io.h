#pragma once
// Device I/O to kernel drivers, shaped after CreateFileA on a device name
// ("\\.\Name"), DeviceIoControl, CreateEventA, SetEvent, ResetEvent and CloseHandle.
// Each call states what it does, what it returns on failure and which Windows error
// it leaves in os::lastError(). The base class is the "facility absent" back end:
// every call fails with kErrorNotSupported.
// Threads: a BIOS worker thread sends its block requests (createEventA, setEvent,
// deviceIoControl, resetEvent, closeHandle) while the caller's thread uses the
// facility; every call may come from any thread.
#include <cstdint>
#include <string_view>

#include "os/types.h"

namespace os {

// Device access rights (FILE_READ_DATA, FILE_WRITE_DATA).
constexpr std::uint32_t kFileReadData = 0x1;
constexpr std::uint32_t kFileWriteData = 0x2;
// Further Windows errors of these calls.
constexpr std::uint32_t kErrorInvalidFunction = 1;

// CTL_CODE: a device I/O control code from its four parts.
constexpr std::uint32_t controlCode(std::uint32_t deviceType, std::uint32_t function, std::uint32_t method,
                                    std::uint32_t access) {
  return (deviceType << 16) | (access << 14) | (function << 2) | method;
}
constexpr std::uint32_t kMethodBuffered = 0;
constexpr std::uint32_t kFileAnyAccess = 0;

// OVERLAPPED: the event is set when the request completes.
struct Overlapped {
  std::uintptr_t internal = 0;
  std::uintptr_t internalHigh = 0;
  std::uint32_t offset = 0;
  std::uint32_t offsetHigh = 0;
  Handle event = nullptr;
};

class DeviceIo {
 public:
  virtual ~DeviceIo() = default;

  // CreateFileA on a device name such as "\\.\KxACS". access: kFileReadData |
  // kFileWriteData (or the generic rights), which the handle then carries; share,
  // disposition and attributes as CreateFile takes them (a device accepts every
  // disposition CreateFile knows). Returns a handle, or invalidHandle() with:
  //   kErrorFileNotFound      no device of that name exists (its driver is not running)
  //   kErrorAccessDenied      the device refuses the open
  //   kErrorPathNotFound      the name is not a device name
  //   kErrorSharingViolation  the access or share mode conflicts with a handle already open
  //   kErrorInvalidParameter  the disposition is not one CreateFile knows
  virtual Handle createFileA(std::string_view deviceName, std::uint32_t access, std::uint32_t share,
                             std::uint32_t disposition, std::uint32_t flagsAndAttributes);

  // DeviceIoControl: hands a request to the device's driver. For a handle opened
  // without overlapped I/O the call completes before it returns and then sets the
  // overlapped record's event (overlapped may be null). true with *returned bytes
  // written to output, or false with:
  //   kErrorInvalidHandle        device is not an open device handle
  //   kErrorAccessDenied         the code needs read or write access the handle lacks,
  //                              or the driver refuses what the request would reach
  //   kErrorInvalidFunction      the driver does not know the code
  //   kErrorInvalidParameter     the input or output is not the size the code takes
  //   kErrorGenFailure           the driver failed the request
  // On failure the output buffer is left as it was. returned may be null.
  virtual bool deviceIoControl(Handle device, std::uint32_t code, const void* input, std::uint32_t inputSize,
                               void* output, std::uint32_t outputSize, std::uint32_t* returned,
                               Overlapped* overlapped);

  // CreateEventA (unnamed when name is null): an event handle, or nullptr with
  // kErrorNotEnoughMemory (or kErrorNotSupported in the base class).
  virtual Handle createEventA(bool manualReset, bool initiallySignalled, const char* name);
  // SetEvent / ResetEvent: false with kErrorInvalidHandle for a handle that is not an event.
  virtual bool setEvent(Handle event);
  virtual bool resetEvent(Handle event);

  // CloseHandle for a device or event handle: false with kErrorInvalidHandle for a
  // handle that is not open.
  virtual bool closeHandle(Handle handle);
};

}  // namespace os
