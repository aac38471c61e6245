// Cfgprobe64.dll as its callers meet it: loaded by name, its exports and data, and
// its driver service against the system's service manager when the access driver
// is not there.
#include <cstring>
#include <string>

#include "cfgprobe/cfgprobe.h"
#include "tests/windows/access_driver_session.h"
#include "tests/windows/check.h"
#include "tests/windows/win32_helpers.h"

namespace {

HMODULE library() {
  static const HMODULE module = ::LoadLibraryW(L"Cfgprobe64.Dll");
  return module;
}

// The module name in the export directory of a loaded library.
std::string exportedModuleName(HMODULE module) {
  const auto* base = reinterpret_cast<const std::uint8_t*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (!entry.VirtualAddress) return {};
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
  return reinterpret_cast<const char*>(base + exports->Name);
}

}  // namespace

WIN_TEST(Library, LoadsByNameAndNamesItselfCfgprobeDll) {
  REQUIRE(library() != nullptr);
  CHECK_EQ(exportedModuleName(library()), std::string("Cfgprobe.dll"));
  for (const char* name :
       {"KX_InitLibrary", "KX_ExitLibrary", "KX_GetLastError", "KX_SetWindowMessage", "KX_GetPCIConfig",
        "KX_GetSiI3132Device", "KX_GetSiI3132DeviceEx", "KX_GetNewSiI3132Device", "KX_GetSiI3132Info",
        "KX_EraseBiosData", "KX_GetBiosData", "KX_SetBiosData", "KX_CompareBiosData", "KX_GetBiosOperationProgress",
        "KX_GetBiosFileInfo", "KX_GetBiosInfo", "KX_SetSControl", "KX_GetDriverServiceError", "fnKXACS", "nKXACS",
        // class members under their decorated names
        "_ZN6CKXACSC1Ev", "_ZN6CKXACSD1Ev", "_ZN6CKXACSaSERKS_", "_ZN6CKXACS10GetSysPathEPc",
        "_ZN6CKXACS12GetPCIConfigEiiiPj", "_ZN6CKXACS13CurrentStatusE", "_ZN6CKXACS20szFileNameToReadBiosE",
        "_ZN6CKXACS20szFileNameToSaveBiosE"}) {
    if (!::GetProcAddress(library(), name)) wintest::fail(__FILE__, __LINE__, std::string("no export ") + name);
  }
}

// A caller linked with the import library reaches the exported data where the
// library keeps it, and calls the class's members.
WIN_TEST(Library, ImportedDataAndMembersAreTheLibrarysOwn) {
  REQUIRE(library() != nullptr);
  CHECK(static_cast<void*>(&CKXACS::CurrentStatus) ==
        reinterpret_cast<void*>(::GetProcAddress(library(), "_ZN6CKXACS13CurrentStatusE")));
  CHECK(static_cast<void*>(&nKXACS) == reinterpret_cast<void*>(::GetProcAddress(library(), "nKXACS")));
  CHECK(static_cast<void*>(CKXACS::szFileNameToSaveBios) ==
        reinterpret_cast<void*>(::GetProcAddress(library(), "_ZN6CKXACS20szFileNameToSaveBiosE")));
  CHECK_EQ(CKXACS::CurrentStatus, KxLong{0});
  CHECK_EQ(nKXACS, 0);
  CHECK_EQ(fnKXACS(), 42);
  CHECK_EQ(KX_SetWindowMessage(nullptr, 0), -12);

  const std::wstring folder = wintest::scratchFolder(L"sys-path");
  wchar_t before[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, before);
  ::SetCurrentDirectoryW(folder.c_str());
  char expected[MAX_PATH] = {};
  ::GetCurrentDirectoryA(MAX_PATH, expected);
  CKXACS object;
  char path[260] = {};
  CHECK(object.GetSysPath(path));
  CHECK_EQ(std::string(path), std::string(expected) + "\\Cfgprobe64.sys");
  ::SetCurrentDirectoryW(before);
}

// Without Cfgprobe64.sys the service is registered from the current folder but the
// device never appears: "\\.\KxACS" is not found, which is -2. The exit removes
// the registration again.
WIN_TEST(Library, WithoutTheDriverTheDeviceIsNotFoundAndTheServiceIsRemovedAtExit) {
  REQUIRE(library() != nullptr);
  const std::wstring folder = wintest::scratchFolder(L"no-driver");
  wchar_t before[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, before);
  ::SetCurrentDirectoryW(folder.c_str());
  char current[MAX_PATH] = {};
  ::GetCurrentDirectoryA(MAX_PATH, current);

  using Entry = int(__stdcall*)();
  const auto entry = [](const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(::GetProcAddress(library(), name)));
  };
  const Entry init = entry("KX_InitLibrary"), exit = entry("KX_ExitLibrary"), lastError = entry("KX_GetLastError");
  REQUIRE(init && exit && lastError);
  CHECK_EQ(init(), -2);
  CHECK_EQ(lastError(), -2);

  const wintest::ServiceState registered = wintest::driverService();
  CHECK(registered.exists);
  CHECK_EQ(registered.type, DWORD{SERVICE_KERNEL_DRIVER});
  CHECK_EQ(registered.start, DWORD{SERVICE_DEMAND_START});
  if (registered.binaryPath.find("Cfgprobe64.sys") == std::string::npos)
    wintest::fail(__FILE__, __LINE__, "binary path " + registered.binaryPath);

  CHECK_EQ(exit(), 1);
  const wintest::ServiceState removed = wintest::driverService();
  CHECK(!removed.exists);
  CHECK_EQ(removed.error, DWORD{ERROR_SERVICE_DOES_NOT_EXIST});
  // Nothing of the first start is left for a second one: the same answer again.
  CHECK_EQ(init(), -2);
  CHECK_EQ(exit(), 1);
  ::SetCurrentDirectoryW(before);
}
