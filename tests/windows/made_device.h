#pragma once
// A device of the SCSI adapter class made through SetupAPI for one check, registered
// so that it has a hardware key, and removed again with the object.
#include <string>

#include "os/platform.h"
#include "tests/windows/win32_helpers.h"

namespace wintest {

class MadeDevice {
 public:
  MadeDevice();
  ~MadeDevice();
  MadeDevice(const MadeDevice&) = delete;
  MadeDevice& operator=(const MadeDevice&) = delete;
  bool made() const { return made_; }
  os::Handle set() const { return set_; }
  SP_DEVINFO_DATA* record() { return reinterpret_cast<SP_DEVINFO_DATA*>(&data); }
  // A property as the system keeps it, all its bytes; empty when it has none.
  std::string property(DWORD which);
  // A DWORD value of the hardware key; 0xDEAD when it cannot be read.
  DWORD portValue(const char* name);

  os::DevInfoData data;

 private:
  HDEVINFO set_ = INVALID_HANDLE_VALUE;
  bool made_ = false;
};

// {4D36E97B-E325-11CE-BFC1-08002BE10318}: SCSI and RAID controllers.
inline const os::Guid kScsiAdapters{0x4D36E97B, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

}  // namespace wintest
