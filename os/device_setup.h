#pragma once
// Device setup classes and the device registry, shaped after SetupDiGetClassDevsA,
// SetupDiEnumDeviceInfo, SetupDiGetDeviceRegistryPropertyA,
// SetupDiSetDeviceRegistryPropertyA, SetupDiOpenDevRegKey,
// SetupDiDestroyDeviceInfoList, RegSetValueExA, RegQueryValueExA and RegCloseKey.
// Each call states what it does, what it returns on failure and which Windows
// error it leaves in os::lastError() (the registry calls return theirs). The base
// class is the "facility absent" back end: every call fails with kErrorNotSupported.
// Threads: only the caller's thread of the library's exports calls it, never a BIOS
// worker thread.
#include <cstdint>

#include "os/types.h"

namespace os {

// GUID, as the setup classes are named.
struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::uint8_t data4[8] = {};
  friend bool operator==(const Guid&, const Guid&) = default;
};

// GUID_DEVCLASS_SCSIADAPTER {4D36E97B-E325-11CE-BFC1-08002BE10318}: SCSI and RAID controllers.
constexpr Guid kGuidDevClassScsiAdapter{0x4D36E97B, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

// SetupDiGetClassDevs flags.
constexpr std::uint32_t kDigcfPresent = 0x2;
constexpr std::uint32_t kDigcfAllClasses = 0x4;

// Device registry properties (SPDRP_...).
constexpr std::uint32_t kSpdrpDeviceDesc = 0x00;
constexpr std::uint32_t kSpdrpHardwareId = 0x01;
constexpr std::uint32_t kSpdrpLocationInformation = 0x0D;
constexpr std::uint32_t kSpdrpLowerFilters = 0x12;

// SetupDiOpenDevRegKey: scope, key type.
constexpr std::uint32_t kDicsFlagGlobal = 0x1;
constexpr std::uint32_t kDicsFlagConfigSpecific = 0x2;
constexpr std::uint32_t kDiregDev = 0x1;
constexpr std::uint32_t kDiregDrv = 0x2;

// Registry value types and key access rights.
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;
constexpr std::uint32_t kKeyQueryValue = 0x0001;
constexpr std::uint32_t kKeySetValue = 0x0002;
constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kKeyWrite = 0x20006;
constexpr std::uint32_t kKeyAllAccess = 0xF003F;

// Further Windows errors of these calls.
constexpr std::uint32_t kErrorMoreData = 234;
constexpr std::uint32_t kErrorInvalidFlags = 1004;
constexpr std::uint32_t kErrorInvalidUserBuffer = 1784;
constexpr std::uint32_t kErrorInvalidRegProperty = 0xE0000209;
constexpr std::uint32_t kErrorInvalidHandleState = 0xE0000348;
constexpr std::uint32_t kErrorNoSuchDevinst = 0xE000020B;
constexpr std::uint32_t kErrorKeyDoesNotExist = 0xE0000204;

// SP_DEVINFO_DATA: cbSize must be set to the record's size before a call fills it.
struct DevInfoData {
  std::uint32_t cbSize = sizeof(DevInfoData);
  Guid classGuid;
  std::uint32_t devInst = 0;
  std::uintptr_t reserved = 0;
};

class DeviceSetup {
 public:
  virtual ~DeviceSetup() = default;

  // SetupDiGetClassDevsA: a device information set of the devices of classGuid
  // (every class with kDigcfAllClasses), only those present with kDigcfPresent.
  // enumerator and parent may be null. invalidHandle() on failure
  // (kErrorInvalidParameter: no class and no kDigcfAllClasses).
  virtual Handle getClassDevsA(const Guid* classGuid, const char* enumerator, Handle parent, std::uint32_t flags);

  // SetupDiEnumDeviceInfo: the set's device number index (from 0) in *data. false with
  // kErrorNoMoreItems past the last one, kErrorInvalidHandle for a set that is not
  // open, kErrorInvalidUserBuffer when data->cbSize is not the record's size.
  virtual bool enumDeviceInfo(Handle set, std::uint32_t index, DevInfoData* data);

  // SetupDiGetDeviceRegistryPropertyA: copies the property's value (REG_SZ text or
  // REG_MULTI_SZ strings, each zero-terminated, the list ended by a second zero)
  // into buffer and its type into *type (may be null). *required (may be null)
  // receives the size the value needs. false with:
  //   kErrorInsufficientBuffer  buffer is null or size is below *required (buffer untouched)
  //   kErrorInvalidData         the device has no such property
  //   kErrorInvalidRegProperty  the property number is not one a device has
  //   kErrorNoSuchDevinst       data names no device of the set
  //   kErrorInvalidHandle, kErrorInvalidUserBuffer as above
  virtual bool getDeviceRegistryPropertyA(Handle set, DevInfoData* data, std::uint32_t property, std::uint32_t* type,
                                          std::uint8_t* buffer, std::uint32_t size, std::uint32_t* required);

  // SetupDiSetDeviceRegistryPropertyA: sets the property (kSpdrpDeviceDesc and
  // kSpdrpLowerFilters can be set); a null buffer with size 0 removes it. false with
  // kErrorInvalidRegProperty for a property that cannot be set, or the errors above.
  virtual bool setDeviceRegistryPropertyA(Handle set, DevInfoData* data, std::uint32_t property,
                                          const std::uint8_t* buffer, std::uint32_t size);

  // SetupDiOpenDevRegKey: opens the device's hardware key (kDiregDev) or driver key
  // (kDiregDrv) with the access asked for; the key handle carries that access.
  // It opens an existing key only, never creates one. invalidHandle() on failure
  // (kErrorKeyDoesNotExist when the device has no such key, kErrorInvalidFlags for
  // an unknown scope or key type, or the errors above).
  virtual Handle openDevRegKey(Handle set, DevInfoData* data, std::uint32_t scope, std::uint32_t hardwareProfile,
                               std::uint32_t keyType, std::uint32_t access);

  // SetupDiDestroyDeviceInfoList: false with kErrorInvalidHandle for a set that is not open.
  virtual bool destroyDeviceInfoList(Handle set);

  // RegSetValueExA: stores size bytes of data as the value name (compared without
  // regard to case) of type type. Returns 0, or kErrorInvalidHandle (not an open
  // key), kErrorAccessDenied (the key was opened without kKeySetValue).
  virtual std::int32_t regSetValueExA(Handle key, const char* name, std::uint32_t type, const std::uint8_t* data,
                                      std::uint32_t size);

  // RegQueryValueExA: the value's type and bytes; *size holds the buffer's size on
  // entry and the value's on return. Returns 0, kErrorFileNotFound (no such value),
  // kErrorMoreData (buffer too small), kErrorInvalidHandle, kErrorAccessDenied
  // (opened without kKeyQueryValue).
  virtual std::int32_t regQueryValueExA(Handle key, const char* name, std::uint32_t* type, std::uint8_t* data,
                                        std::uint32_t* size);

  // RegCloseKey: 0, or kErrorInvalidHandle.
  virtual std::int32_t regCloseKey(Handle key);
};

}  // namespace os
