// Device setup and the registry through the Win32 adapter, against the system's
// own SetupAPI and registry: the SCSI adapter class, a device of that class made
// for the check (its hardware identifiers, description, lower filters and hardware
// key), and a key of the current user, with the system's error codes.
#include <cstring>
#include <string>

#include "cfgprobe/cfgprobe.h"
#include "os/platform.h"
#include "tests/windows/check.h"
#include "tests/windows/made_device.h"
#include "tests/windows/win32_helpers.h"

namespace {

using wintest::kScsiAdapters;
using wintest::MadeDevice;

const std::uint8_t* bytes(const char* text) { return reinterpret_cast<const std::uint8_t*>(text); }

}  // namespace

WIN_TEST(DeviceSetup, TheScsiAdapterClassOpensAndItsEnumerationEndsWithNoMoreItems) {
  os::DeviceSetup& setup = *os::platform().setup;
  const os::Handle set = setup.getClassDevsA(&kScsiAdapters, nullptr, nullptr, 0x2);
  REQUIRE(os::isValid(set));
  os::DevInfoData device;
  std::uint32_t index = 0;
  while (index < 1000 && setup.enumDeviceInfo(set, index, &device)) {
    CHECK(device.classGuid == kScsiAdapters);
    ++index;
  }
  CHECK_EQ(os::lastError(), std::uint32_t{259});
  // Past the end it stays so.
  CHECK(!setup.enumDeviceInfo(set, index + 5, &device));
  CHECK_EQ(os::lastError(), std::uint32_t{259});
  CHECK(setup.destroyDeviceInfoList(set));

  // Neither a class nor every class.
  CHECK(!os::isValid(setup.getClassDevsA(nullptr, nullptr, nullptr, 0x2)));
  CHECK_EQ(os::lastError(), std::uint32_t{87});
  CHECK(!setup.destroyDeviceInfoList(os::invalidHandle()));
  CHECK_EQ(os::lastError(), std::uint32_t{6});
}

WIN_TEST(DeviceSetup, PropertiesOfADeviceAsTheSystemKeepsThem) {
  os::DeviceSetup& setup = *os::platform().setup;
  MadeDevice device;
  REQUIRE(device.made());
  std::uint32_t type = 0, required = 0;
  std::uint8_t buffer[256];

  // The set holds the one device; a record of the wrong size is refused.
  os::DevInfoData listed;
  REQUIRE(setup.enumDeviceInfo(device.set(), 0, &listed));
  CHECK_EQ(listed.devInst, device.data.devInst);
  CHECK(!setup.enumDeviceInfo(device.set(), 1, &listed));
  CHECK_EQ(os::lastError(), std::uint32_t{259});
  listed.cbSize = 4;
  CHECK(!setup.enumDeviceInfo(device.set(), 0, &listed));
  CHECK_EQ(os::lastError(), std::uint32_t{1784});

  // No hardware identifiers yet: the property is missing.
  CHECK(!setup.getDeviceRegistryPropertyA(device.set(), &device.data, 0x01, &type, nullptr, 0, &required));
  CHECK_EQ(os::lastError(), std::uint32_t{13});

  const char ids[] = "PCI\\VEN_1095&DEV_3132&SUBSYS_31321095&REV_01\0PCI\\VEN_1095&DEV_3132\0";
  REQUIRE(setup.setDeviceRegistryPropertyA(device.set(), &device.data, 0x01, bytes(ids), sizeof ids));
  // Without a buffer, then with one too small: the size it needs.
  CHECK(!setup.getDeviceRegistryPropertyA(device.set(), &device.data, 0x01, &type, nullptr, 0, &required));
  CHECK_EQ(os::lastError(), std::uint32_t{122});
  CHECK_EQ(required, std::uint32_t{sizeof ids});
  required = 0;
  CHECK(!setup.getDeviceRegistryPropertyA(device.set(), &device.data, 0x01, &type, buffer, 10, &required));
  CHECK_EQ(os::lastError(), std::uint32_t{122});
  CHECK_EQ(required, std::uint32_t{sizeof ids});
  std::memset(buffer, 0xAA, sizeof buffer);
  REQUIRE(setup.getDeviceRegistryPropertyA(device.set(), &device.data, 0x01, &type, buffer, sizeof buffer, &required));
  CHECK_EQ(type, std::uint32_t{7});  // REG_MULTI_SZ
  CHECK(std::memcmp(buffer, ids, sizeof ids) == 0);

  const char description[] = "Spanfinder check controller (1.5Gbps Driver)";
  REQUIRE(setup.setDeviceRegistryPropertyA(device.set(), &device.data, 0x00, bytes(description), sizeof description));
  REQUIRE(setup.getDeviceRegistryPropertyA(device.set(), &device.data, 0x00, &type, buffer, sizeof buffer, nullptr));
  CHECK_EQ(type, std::uint32_t{1});  // REG_SZ
  CHECK_EQ(std::string(reinterpret_cast<const char*>(buffer)), std::string(description));

  // Lower filters set, then removed with no value.
  const char filters[] = "TavSCntl\0";
  REQUIRE(setup.setDeviceRegistryPropertyA(device.set(), &device.data, 0x12, bytes(filters), sizeof filters));
  REQUIRE(setup.getDeviceRegistryPropertyA(device.set(), &device.data, 0x12, &type, buffer, sizeof buffer, &required));
  CHECK_EQ(required, std::uint32_t{sizeof filters});
  CHECK(std::memcmp(buffer, filters, sizeof filters) == 0);
  REQUIRE(setup.setDeviceRegistryPropertyA(device.set(), &device.data, 0x12, nullptr, 0));
  const bool kept = setup.getDeviceRegistryPropertyA(device.set(), &device.data, 0x12, &type, buffer, sizeof buffer,
                                                     &required);
  // Windows deletes the property (13); Wine keeps an empty value (0 bytes).
  const std::uint32_t error = os::lastError();
  if (kept ? required != 0 : error != 13)
    wintest::fail(__FILE__, __LINE__, "after removal: " + std::to_string(required) + " bytes, error " +
                                          std::to_string(error));
}

// The hardware key carries the access it was opened with, as the link-speed
// values need: written through a key opened for writing, read through one opened
// for reading.
WIN_TEST(DeviceSetup, TheHardwareKeyOfADeviceTakesThePortValues) {
  os::DeviceSetup& setup = *os::platform().setup;
  MadeDevice device;
  REQUIRE(device.made());
  const HKEY created = ::SetupDiCreateDevRegKeyA(device.set(), reinterpret_cast<SP_DEVINFO_DATA*>(&device.data),
                                                 DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr);
  REQUIRE(created != INVALID_HANDLE_VALUE);
  ::RegCloseKey(created);

  const os::Handle writing = setup.openDevRegKey(device.set(), &device.data, 0x1, 0, 0x1, 0x20006);
  REQUIRE(os::isValid(writing));
  const std::uint32_t two = 2;
  CHECK_EQ(setup.regSetValueExA(writing, "Port0", 4, reinterpret_cast<const std::uint8_t*>(&two), 4), 0);
  CHECK_EQ(setup.regCloseKey(writing), 0);

  const os::Handle reading = setup.openDevRegKey(device.set(), &device.data, 0x1, 0, 0x1, 0x20019);
  REQUIRE(os::isValid(reading));
  std::uint32_t type = 0, value = 0, size = sizeof value;
  CHECK_EQ(setup.regQueryValueExA(reading, "Port0", &type, reinterpret_cast<std::uint8_t*>(&value), &size), 0);
  CHECK_EQ(type, std::uint32_t{4});
  CHECK_EQ(value, std::uint32_t{2});
  CHECK_EQ(setup.regCloseKey(reading), 0);

  // An unknown key type.
  CHECK(!os::isValid(setup.openDevRegKey(device.set(), &device.data, 0x1, 0, 0x7, 0x20019)));
  CHECK_EQ(os::lastError(), std::uint32_t{1004});
}

WIN_TEST(DeviceSetup, RegistryValuesRoundTripOnAKeyOfTheCurrentUser) {
  os::DeviceSetup& setup = *os::platform().setup;
  HKEY created = nullptr;
  REQUIRE(::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Spanfinder checks", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &created, nullptr) == ERROR_SUCCESS);
  const os::Handle key = created;
  const std::uint32_t one = 1;
  CHECK_EQ(setup.regSetValueExA(key, "Port1", 4, reinterpret_cast<const std::uint8_t*>(&one), 4), 0);
  const char text[] = "QS12A";
  CHECK_EQ(setup.regSetValueExA(key, "Name", 1, bytes(text), sizeof text), 0);

  std::uint32_t type = 0, value = 0, size = sizeof value;
  // Value names compare without regard to case.
  CHECK_EQ(setup.regQueryValueExA(key, "PORT1", &type, reinterpret_cast<std::uint8_t*>(&value), &size), 0);
  CHECK_EQ(type, std::uint32_t{4});
  CHECK_EQ(value, std::uint32_t{1});
  CHECK_EQ(size, std::uint32_t{4});
  char small[2] = {};
  size = sizeof small;
  CHECK_EQ(setup.regQueryValueExA(key, "Name", &type, reinterpret_cast<std::uint8_t*>(small), &size), 234);
  CHECK_EQ(size, std::uint32_t{sizeof text});
  size = 0;
  CHECK_EQ(setup.regQueryValueExA(key, "Name", &type, nullptr, &size), 0);
  CHECK_EQ(size, std::uint32_t{sizeof text});
  CHECK_EQ(type, std::uint32_t{1});
  size = sizeof value;
  CHECK_EQ(setup.regQueryValueExA(key, "Port0", &type, reinterpret_cast<std::uint8_t*>(&value), &size), 2);

  // A key opened only for setting values reads nothing.
  HKEY setOnly = nullptr;
  REQUIRE(::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Spanfinder checks", 0, KEY_SET_VALUE, &setOnly) ==
          ERROR_SUCCESS);
  size = sizeof value;
  CHECK_EQ(setup.regQueryValueExA(setOnly, "Port1", &type, reinterpret_cast<std::uint8_t*>(&value), &size), 5);
  CHECK_EQ(setup.regCloseKey(setOnly), 0);

  CHECK_EQ(setup.regCloseKey(key), 0);
  CHECK_EQ(setup.regCloseKey(key), 6);
  ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Spanfinder checks");
}

namespace {

// The library's protected lookup of a controller's description, reached as a
// program derived from the class would.
struct Library : CKXACS {
  using CKXACS::GetDeviceDescription;
};

}  // namespace

// The library's controller lookup and link-speed setting on a device of the SCSI
// adapter class that looks like a controller at PCI bus 3, device 0, function 0.
WIN_TEST(DeviceSetup, TheLibraryFindsTheControllersDeviceAndSetsItsLinkSpeedLimits) {
  MadeDevice device;
  REQUIRE(device.made());
  auto* record = reinterpret_cast<SP_DEVINFO_DATA*>(&device.data);
  const char ids[] = "PCI\\VEN_1095&DEV_3132&SUBSYS_31321095&REV_01\0PCI\\VEN_1095&DEV_3132\0";
  const char location[] = "PCI bus 3, device 0, function 0";
  const char description[] = "SiI 3132 SATA Controller";
  REQUIRE(::SetupDiSetDeviceRegistryPropertyA(device.set(), record, SPDRP_HARDWAREID, bytes(ids), sizeof ids));
  REQUIRE(::SetupDiSetDeviceRegistryPropertyA(device.set(), record, SPDRP_LOCATION_INFORMATION, bytes(location),
                                              sizeof location));
  REQUIRE(::SetupDiSetDeviceRegistryPropertyA(device.set(), record, SPDRP_DEVICEDESC, bytes(description),
                                              sizeof description));
  const HKEY created =
      ::SetupDiCreateDevRegKeyA(device.set(), record, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr);
  REQUIRE(created != INVALID_HANDLE_VALUE);
  ::RegCloseKey(created);

  Library library;
  char found[65] = {};
  std::memset(found, 'x', 64);
  CHECK_EQ(library.GetDeviceDescription(3, 0, 0, found), 1);
  CHECK_EQ(std::string(found), std::string(description));
  std::memset(found, 'x', 64);
  CHECK_EQ(library.GetDeviceDescription(4, 0, 0, found), 1);  // no such device: untouched
  CHECK_EQ(found[0], 'x');

  // No filter driver file in the Windows driver folder: the service is not
  // registered (-301), but the device already carries the setting.
  CHECK_EQ(library.SetDeviceParameters(3, 0, 0, 1, 2), KxLong{-301});
  CHECK_EQ(device.portValue("Port0"), DWORD{1});
  CHECK_EQ(device.portValue("Port1"), DWORD{2});
  CHECK_EQ(device.property(SPDRP_LOWERFILTERS), std::string("TavSCntl\0\0", 10));
  CHECK_EQ(device.property(SPDRP_DEVICEDESC), std::string("SiI 3132 SATA Controller(1.5Gbps Driver)\0", 41));

  // Both limits 0: the values follow, the filter and the mark go.
  CHECK_EQ(library.SetDeviceParameters(3, 0, 0, 0, 0), KxLong{-301});
  CHECK_EQ(device.portValue("Port0"), DWORD{0});
  CHECK_EQ(device.portValue("Port1"), DWORD{0});
  CHECK(device.property(SPDRP_LOWERFILTERS).find("TavSCntl") == std::string::npos);
  CHECK_EQ(device.property(SPDRP_DEVICEDESC), std::string("SiI 3132 SATA Controller\0", 25));
}
