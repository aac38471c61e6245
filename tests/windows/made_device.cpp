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

std::string MadeDevice::property(DWORD which) {
  char text[512] = {};
  DWORD needed = 0;
  if (!::SetupDiGetDeviceRegistryPropertyA(set_, record(), which, nullptr, reinterpret_cast<BYTE*>(text),
                                           sizeof text - 1, &needed))
    needed = 0;
  return std::string(text, needed);
}

DWORD MadeDevice::portValue(const char* name) {
  const HKEY key = ::SetupDiOpenDevRegKey(set_, record(), DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) return 0xDEAD;
  DWORD value = 0xDEAD, size = sizeof value;
  ::RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
  ::RegCloseKey(key);
  return value;
}

}  // namespace wintest
