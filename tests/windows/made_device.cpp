#include "tests/windows/made_device.h"

namespace wintest {

MadeDevice::MadeDevice() {
  set_ = ::SetupDiCreateDeviceInfoList(reinterpret_cast<const GUID*>(&kScsiAdapters), nullptr);
  if (set_ == INVALID_HANDLE_VALUE) return;
  made_ = ::SetupDiCreateDeviceInfoA(set_, "SPANFINDERCHECK", reinterpret_cast<const GUID*>(&kScsiAdapters), nullptr,
                                     nullptr, DICD_GENERATE_ID, record());
  made_ = made_ && ::SetupDiRegisterDeviceInfo(set_, record(), 0, nullptr, nullptr, nullptr);
}

MadeDevice::~MadeDevice() {
  if (set_ == INVALID_HANDLE_VALUE) return;
  if (made_) ::SetupDiRemoveDevice(set_, record());
  ::SetupDiDestroyDeviceInfoList(set_);
}

}  // namespace wintest
