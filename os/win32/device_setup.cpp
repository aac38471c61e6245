#include <cstddef>

#include "os/win32/adapters.h"
#include "os/win32/windows_api.h"

namespace os::win32 {
namespace {

// The interface's records are the system's, field for field, so that they pass
// through as they are: SetupAPI checks cbSize and keeps its own reference in the
// reserved field between calls.
static_assert(sizeof(Guid) == sizeof(GUID));
static_assert(sizeof(DevInfoData) == sizeof(SP_DEVINFO_DATA));
static_assert(offsetof(DevInfoData, classGuid) == offsetof(SP_DEVINFO_DATA, ClassGuid));
static_assert(offsetof(DevInfoData, devInst) == offsetof(SP_DEVINFO_DATA, DevInst));
static_assert(offsetof(DevInfoData, reserved) == offsetof(SP_DEVINFO_DATA, Reserved));

const GUID* guid(const Guid* g) { return reinterpret_cast<const GUID*>(g); }
SP_DEVINFO_DATA* record(DevInfoData* data) { return reinterpret_cast<SP_DEVINFO_DATA*>(data); }
HKEY key(Handle handle) { return static_cast<HKEY>(handle); }

class Win32DeviceSetup final : public DeviceSetup {
 public:
  Handle getClassDevsA(const Guid* classGuid, const char* enumerator, Handle parent, std::uint32_t flags) override {
    return ::SetupDiGetClassDevsA(guid(classGuid), enumerator, static_cast<HWND>(parent), flags);
  }
  bool enumDeviceInfo(Handle set, std::uint32_t index, DevInfoData* data) override {
    return ::SetupDiEnumDeviceInfo(set, index, record(data));
  }
  bool getDeviceRegistryPropertyA(Handle set, DevInfoData* data, std::uint32_t property, std::uint32_t* type,
                                  std::uint8_t* buffer, std::uint32_t size, std::uint32_t* required) override {
    DWORD valueType = 0, needed = 0;
    const bool ok = ::SetupDiGetDeviceRegistryPropertyA(set, record(data), property, type ? &valueType : nullptr,
                                                        buffer, size, required ? &needed : nullptr);
    const DWORD error = ::GetLastError();
    if (type) *type = valueType;
    if (required) *required = needed;
    ::SetLastError(error);
    return ok;
  }
  bool setDeviceRegistryPropertyA(Handle set, DevInfoData* data, std::uint32_t property, const std::uint8_t* buffer,
                                  std::uint32_t size) override {
    return ::SetupDiSetDeviceRegistryPropertyA(set, record(data), property, buffer, size);
  }
  Handle openDevRegKey(Handle set, DevInfoData* data, std::uint32_t scope, std::uint32_t hardwareProfile,
                       std::uint32_t keyType, std::uint32_t access) override {
    return ::SetupDiOpenDevRegKey(set, record(data), scope, hardwareProfile, keyType, access);
  }
  bool destroyDeviceInfoList(Handle set) override { return ::SetupDiDestroyDeviceInfoList(set); }

  std::int32_t regSetValueExA(Handle handle, const char* name, std::uint32_t type, const std::uint8_t* data,
                              std::uint32_t size) override {
    return ::RegSetValueExA(key(handle), name, 0, type, data, size);
  }
  std::int32_t regQueryValueExA(Handle handle, const char* name, std::uint32_t* type, std::uint8_t* data,
                                std::uint32_t* size) override {
    DWORD valueType = 0, length = size ? *size : 0;
    const LSTATUS status =
        ::RegQueryValueExA(key(handle), name, nullptr, type ? &valueType : nullptr, data, size ? &length : nullptr);
    if (type) *type = valueType;
    if (size) *size = length;
    return status;
  }
  std::int32_t regCloseKey(Handle handle) override { return ::RegCloseKey(key(handle)); }
};

}  // namespace

DeviceSetup& deviceSetup() {
  static Win32DeviceSetup instance;
  return instance;
}

}  // namespace os::win32
