#pragma once
// The PCI configuration space read the way the access library's own scans read
// it: a register's address written to port 0xCF8, the register read from port
// 0xCFC, through the library's port access (CKXACS::dwWritePort, dwReadPort).
// The library keeps its object and open device to itself, so a reader makes an
// object of the library's class through its exported constructor and has it
// start the driver service and open the device with its own methods, as
// KX_InitLibrary does; it stops and removes the service again when it ends. The
// members are bound by their decorated names and called with the object as their
// first argument, as the C++ ABI of either build passes it. Nothing is written
// to 0xCFC: configuration registers are only ever read.
#include <cstdint>
#include <memory>
#include <string>

#include "cfgprobe/cfgprobe.h"
#include "cli/access_library.h"

namespace cli {

class LibraryPorts {
 public:
  // Binds the members, starts the driver and opens its device; nullptr after
  // error is set to one line. The library must not hold the device meanwhile
  // (it opens it exclusively): open this outside a LibrarySession.
  static std::unique_ptr<LibraryPorts> open(const AccessLibrary& library, const os::Platform& facilities,
                                            std::string& error);
  // Closes the device, then stops and removes the driver service.
  ~LibraryPorts();
  LibraryPorts(const LibraryPorts&) = delete;
  LibraryPorts& operator=(const LibraryPorts&) = delete;

  // The 32-bit register at offset (a multiple of 4) of a function.
  std::uint32_t readConfig(int bus, int device, int function, std::uint8_t offset);

 private:
  using Construct = void (*)(CKXACS*);
  using SysPath = bool (*)(CKXACS*, char*);
  using Manage = int (*)(CKXACS*, char*, char*, int);
  using LoadDriver = os::Handle (*)(CKXACS*, char*);
  using ReadPort = KxULong (*)(CKXACS*, os::Handle, unsigned short);
  using WritePort = KxULong (*)(CKXACS*, os::Handle, unsigned short, KxULong);

  explicit LibraryPorts(const os::Platform& facilities) : facilities_(facilities) {}
  CKXACS* object() { return reinterpret_cast<CKXACS*>(storage_); }

  const os::Platform& facilities_;
  alignas(CKXACS) unsigned char storage_[sizeof(CKXACS)] = {};
  Construct destroy_ = nullptr;
  Manage manage_ = nullptr;
  ReadPort readPort_ = nullptr;
  WritePort writePort_ = nullptr;
  os::Handle device_ = nullptr;
  char driverPath_[kPathBufferSize] = {};
  bool started_ = false;
};

}  // namespace cli
