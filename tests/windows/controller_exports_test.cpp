// The real Cfgprobe64.dll's controller exports where no controller and no access
// driver exist: the search finds none, the index-based exports refuse an empty
// index without posting a completion, and a BIOS image file's version and date
// are read back.
#include <cstring>
#include <string>
#include <vector>

#include "cfgprobe/cfgprobe.h"
#include "os/platform.h"
#include "tests/windows/check.h"
#include "tests/windows/win32_helpers.h"

namespace {

// Runs with the library started in a scratch folder (no Cfgprobe64.sys there, so
// the start fails with -2 and leaves the library's object) and ended afterwards.
class StartedWithoutDriver {
 public:
  StartedWithoutDriver() {
    ::GetCurrentDirectoryW(MAX_PATH, before_);
    folder = wintest::scratchFolder(L"controllers");
    ::SetCurrentDirectoryW(folder.c_str());
    start = KX_InitLibrary();
  }
  ~StartedWithoutDriver() {
    KX_ExitLibrary();
    ::SetCurrentDirectoryW(before_);
  }
  std::wstring folder;
  int start = 0;

 private:
  wchar_t before_[MAX_PATH] = {};
};

}  // namespace

WIN_TEST(ControllerExports, NoControllerIsFoundAndEmptyIndexesAreRefused) {
  StartedWithoutDriver library;
  CHECK_EQ(library.start, -2);
  int count = 99;
  CHECK_EQ(KX_GetSiI3132Device(&count), -100);
  CHECK_EQ(count, 0);
  SIIDEVICEINFO info{};
  for (const int index : {0, 1, 16, 17, -1}) {
    CHECK_EQ(KX_SetSControl(index, 0, 0), -105);
    CHECK_EQ(KX_GetSiI3132Info(index, &info), -105);
  }
}

// Nothing starts for an empty index, so nothing is posted to the registered window.
WIN_TEST(ControllerExports, ABiosOperationOnAnEmptyIndexRefusesWithoutPosting) {
  StartedWithoutDriver library;
  int count = 0;
  KX_GetSiI3132Device(&count);
  os::Threads& threads = *os::platform().threads;
  const os::Handle window = threads.messageWindow();
  REQUIRE(window != nullptr);
  CHECK_EQ(KX_SetWindowMessage(window, 0x8123), 1);
  std::string file = wintest::narrow(library.folder) + "\\bios.bin";
  CHECK_EQ(KX_GetBiosData(1, file.data()), -105);
  CHECK_EQ(KX_CompareBiosData(1, file.data()), -105);
  CHECK_EQ(KX_SetBiosData(1, file.data()), -105);
  CHECK_EQ(KX_EraseBiosData(1), -105);
  os::PostedMessage message;
  CHECK(!threads.waitForMessage(window, 300, &message));
  CHECK_EQ(os::lastError(), std::uint32_t{1460});
  CHECK_EQ(::GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
  KxLong status = -1;
  CHECK_EQ(KX_GetBiosOperationProgress(&status), 0);
  CHECK_EQ(status, KxLong{0});
}

WIN_TEST(ControllerExports, TheVersionAndDateOfAnImageFile) {
  const std::wstring folder = wintest::scratchFolder(L"bios-files");
  // The version text's offset at 0x22, the date text's at 0x24.
  std::vector<std::uint8_t> image(0x200, 0x00);
  image[0x22] = 0x40;
  image[0x24] = 0x60;
  std::memcpy(&image[0x40], "7.3.15", 6);
  std::memcpy(&image[0x60], "10/27/2010", 10);
  REQUIRE(wintest::writeBinaryFile(folder + L"\\image.bin", image));
  REQUIRE(wintest::writeBinaryFile(folder + L"\\blank.bin", std::vector<std::uint8_t>(0x200, 0xFF)));

  BIOSPROPERTYDATA data{};
  CHECK_EQ(KX_GetBiosFileInfo(wintest::narrow(folder + L"\\image.bin").c_str(), &data), 1);
  CHECK_EQ(data.nMajorVersion, 7);
  CHECK_EQ(data.nMinorVersion, 3);
  CHECK_EQ(data.nRevision, 15);
  CHECK_EQ(data.nMonth, 10);
  CHECK_EQ(data.nDay, 27);
  CHECK_EQ(data.nYear, 2010);

  // Failures leave the record as it was.
  const struct {
    const char* name;
    std::string file;
    bool record;
    int result;
  } failures[] = {
      {"blank image", wintest::narrow(folder + L"\\blank.bin"), true, -151},
      {"missing file", wintest::narrow(folder + L"\\missing.bin"), true, -200},
      {"no record", wintest::narrow(folder + L"\\image.bin"), false, -204},
  };
  for (const auto& f : failures) {
    BIOSPROPERTYDATA untouched{};
    untouched.nYear = 1999;
    const int result = KX_GetBiosFileInfo(f.file.c_str(), f.record ? &untouched : nullptr);
    if (result != f.result)
      wintest::fail(__FILE__, __LINE__, std::string(f.name) + ": got " + std::to_string(result));
    CHECK_EQ(untouched.nYear, 1999);
  }
  CHECK_EQ(KX_GetBiosFileInfo(nullptr, &data), -201);
}

// The link-speed filter's service, registered from its file in the Windows driver
// folder against the system's service manager.
WIN_TEST(ControllerExports, TheFilterServiceIsRegisteredOnlyWithItsDriverFile) {
  char windows[MAX_PATH] = {};
  REQUIRE(::GetWindowsDirectoryA(windows, MAX_PATH) > 0);
  const std::string driver = std::string(windows) + "\\System32\\Drivers\\TavSCntl.sys";
  ::DeleteFileA(driver.c_str());
  CKXACS library;
  CHECK_EQ(library.AddTAVSCNTLService(), KxLong{-301});

  const HANDLE file = ::CreateFileA(driver.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
  REQUIRE(file != INVALID_HANDLE_VALUE);
  ::CloseHandle(file);
  CHECK_EQ(library.AddTAVSCNTLService(), KxLong{1});
  CHECK_EQ(library.AddTAVSCNTLService(), KxLong{1});  // it exists: still done

  const SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  REQUIRE(manager != nullptr);
  const SC_HANDLE service = ::OpenServiceA(manager, "TavSCntl", SERVICE_ALL_ACCESS);
  CHECK(service != nullptr);
  if (service) {
    DWORD needed = 0;
    ::QueryServiceConfigA(service, nullptr, 0, &needed);
    std::vector<char> buffer(needed ? needed : 1);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (needed && ::QueryServiceConfigA(service, config, needed, &needed)) {
      CHECK_EQ(config->dwServiceType, DWORD{SERVICE_KERNEL_DRIVER});
      CHECK_EQ(config->dwStartType, DWORD{SERVICE_DEMAND_START});
      CHECK_EQ(std::string(config->lpDisplayName), std::string("QS12A/QX12A Filter Driver"));
      CHECK_EQ(std::string(config->lpLoadOrderGroup), std::string("PNP Filter"));
      // The image path as given, relative to the Windows folder.
      if (std::string(config->lpBinaryPathName).find("System32\\Drivers\\TavSCntl.sys") == std::string::npos)
        wintest::fail(__FILE__, __LINE__, std::string("image path ") + config->lpBinaryPathName);
    } else {
      wintest::fail(__FILE__, __LINE__, "no configuration of TavSCntl");
    }
    ::DeleteService(service);
    ::CloseServiceHandle(service);
  }
  ::CloseServiceHandle(manager);
  ::DeleteFileA(driver.c_str());
}
