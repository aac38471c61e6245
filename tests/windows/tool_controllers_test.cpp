// spanfinder.exe's controller commands end to end on Windows: the tool run as a
// person runs it, in a folder holding the real Cfgprobe64.dll and the model build of
// the access driver as Cfgprobe64.sys, so that every command goes through the real
// library, Wine's service manager and the driver's requests to the model's SiI3132
// (PCI bus 2, device 0, function 0) and its JEDEC flash chip (0xBF, 0xB5), which
// starts erased. Each command installs the driver service and removes it again.
#include <cstring>
#include <string>
#include <vector>

#include "tests/windows/access_driver_session.h"
#include "tests/windows/check.h"
#include "tests/windows/made_device.h"
#include "tests/windows/win32_helpers.h"

namespace {

constexpr std::size_t kImageSize = 128 * 1024;
// Under Wine on a busy 2-core machine: the controller search about a minute, a
// 128 KiB operation about as long again.
constexpr DWORD kSearchTimeoutMs = 240000;
constexpr DWORD kBiosTimeoutMs = 480000;


bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// 128 KiB holding a 32 KiB option ROM for the SiI3132 (0x55 0xAA, 64 units of 512
// bytes, the pointer at 0x18 to "PCIR" with vendor 0x1095 and device 0x3132, its
// bytes adding up to 0) whose version text "7.4.21" and date text "06/15/2011" lie
// where the bytes at 0x22 and 0x24 point.
std::vector<std::uint8_t> image() {
  std::vector<std::uint8_t> bytes(kImageSize);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>((i * 37 + (i >> 8)) ^ 0xA5);
  bytes[0] = 0x55, bytes[1] = 0xAA, bytes[2] = 0x40;
  bytes[0x18] = 0xC0, bytes[0x19] = 0x01;
  std::memcpy(&bytes[0x1C0], "PCIR\x95\x10\x32\x31", 8);
  std::memset(&bytes[0x20], 0, 0x60);
  bytes[0x22] = 0x40;
  bytes[0x24] = 0x60;
  std::memcpy(&bytes[0x40], "7.4.21", 6);
  std::memcpy(&bytes[0x60], "06/15/2011", 10);
  unsigned sum = 0;
  for (std::size_t i = 0; i < 0x7FFF; ++i) sum += bytes[i];
  bytes[0x7FFF] = static_cast<std::uint8_t>(0x100 - sum % 256);
  return bytes;
}

std::vector<std::uint8_t> fileBytes(const std::wstring& path) {
  const std::string text = wintest::readTextFile(path);
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

bool exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The tool, the real library and the model driver in one folder, the tool's
// current folder.
struct ModelPc {
  std::wstring folder;
  explicit ModelPc(const std::wstring& name) : folder(wintest::scratchFolder(name)) {
    ready = wintest::copyFileInto(wintest::builtFile(L"spanfinder.exe"), folder, L"spanfinder.exe") &&
            wintest::copyFileInto(wintest::builtFile(L"Cfgprobe64.dll"), folder, L"Cfgprobe64.dll") &&
            wintest::copyFileInto(wintest::builtFile(L"model\\Cfgprobe64.sys"), folder, L"Cfgprobe64.sys");
  }
  // Runs one command; its driver service must be gone once it has ended.
  wintest::Run spanfinder(const std::wstring& arguments, DWORD timeoutMs = 60000) const {
    wintest::Run run = wintest::runToEnd(folder + L"\\spanfinder.exe", arguments, folder, {}, timeoutMs);
    run.out = wintest::unixLines(run.out);
    run.err = wintest::unixLines(run.err);
    const wintest::ServiceState service = wintest::driverService();
    if (!run.ended || service.exists)
      wintest::fail(__FILE__, __LINE__,
                    wintest::show(arguments) + (run.ended ? ": the service Cfgprobe64 is left" : ": did not end"));
    return run;
  }
  std::wstring path(const std::wstring& name) const { return folder + L"\\" + name; }
  bool ready = false;
};

}  // namespace

// One write, read and compare of the image: every command runs the library's
// controller search, which probes all 65536 PCI functions through the driver (about
// a minute under Wine), and each 128 KiB operation sends 2048 block requests.
WIN_TEST(ToolControllers, TheModelsControllerWithItsBiosWrittenReadComparedAndErased) {
  ModelPc pc(L"tool-controllers");
  REQUIRE(pc.ready);

  // Written and verified in one command: erase, program, compare. The chip starts
  // erased: there is nothing to keep.
  const std::vector<std::uint8_t> bytes = image();
  REQUIRE(wintest::writeBinaryFile(pc.path(L"image.bin"), bytes));
  wintest::Run run = pc.spanfinder(L"bios write 1 image.bin --no-backup", kBiosTimeoutMs);
  CHECK_EQ(run.exitCode, DWORD{0});
  CHECK_EQ(run.err, std::string());
  CHECK(has(run.out, "controller 1: image.bin written into the chip\n"));
  CHECK(has(run.out, "controller 1: the chip holds the image of image.bin\n"));

  // Listed with the image's version and date; no device information here, so no
  // description.
  run = pc.spanfinder(L"controllers", kSearchTimeoutMs);
  CHECK_EQ(run.exitCode, DWORD{0});
  CHECK_EQ(run.err, std::string());
  CHECK_EQ(run.out, std::string("controller 1: bus 2, device 0, function 0\n"
                                "  flash ID:     0xBFB5\n"
                                "  link speed:   port 0 no limit, port 1 no limit\n"
                                "  description:  \n"
                                "  BIOS:         7.4.21, 06/15/2011\n"));
  run = pc.spanfinder(L"controllers --json", kSearchTimeoutMs);
  CHECK_EQ(run.exitCode, DWORD{0});
  CHECK_EQ(run.out, std::string("{\n  \"controllers\": [\n    {\n"
                                "      \"bios\": {\n        \"date\": \"06/15/2011\",\n"
                                "        \"version\": \"7.4.21\"\n      },\n"
                                "      \"biosResult\": 1,\n      \"bus\": 2,\n      \"description\": \"\",\n"
                                "      \"device\": 0,\n      \"flashId\": \"0xBFB5\",\n      \"function\": 0,\n"
                                "      \"index\": 1,\n      \"port0Speed\": 0,\n      \"port1Speed\": 0,\n"
                                "      \"storedLimits\": null\n"
                                "    }\n  ]\n}\n"));

  // One byte changed breaks the image's checksum: refused before the library
  // starts, naming the file and the rule; the read below finds the chip as it was.
  std::vector<std::uint8_t> changed = bytes;
  changed[0x1234] ^= 0x10;
  REQUIRE(wintest::writeBinaryFile(pc.path(L"changed.bin"), changed));
  run = pc.spanfinder(L"bios write 1 changed.bin");
  CHECK_EQ(run.exitCode, DWORD{2});
  CHECK_EQ(run.out, std::string());
  CHECK_EQ(run.err, std::string("spanfinder: bios write: changed.bin: not a BIOS for the SiI3132 controller: the "
                                "32768 bytes of the image add up to 0xF0 modulo 256, not 0 (bad checksum); nothing "
                                "written (--force writes it anyway)\n"));

  // Read back byte for byte, through the .part file, which goes.
  run = pc.spanfinder(L"bios read 1 saved.bin --force", kBiosTimeoutMs);
  CHECK_EQ(run.exitCode, DWORD{0});
  CHECK_EQ(run.err, std::string());
  CHECK(fileBytes(pc.path(L"saved.bin")) == bytes);
  CHECK(!exists(pc.path(L"saved.bin.part")));

  // A file that exists is not replaced without --force, and the library never starts.
  REQUIRE(wintest::writeBinaryFile(pc.path(L"kept.bin"), {1, 2, 3}));
  run = pc.spanfinder(L"bios read 1 kept.bin");
  CHECK_EQ(run.exitCode, DWORD{2});
  CHECK_EQ(run.err, std::string("spanfinder: bios read: kept.bin: exists already; --force replaces it\n"));
  CHECK(fileBytes(pc.path(L"kept.bin")) == std::vector<std::uint8_t>({1, 2, 3}));

  // Compared with one byte changed (early, as the compare ends at the first block
  // that differs; the write above compared the chip with the image itself).
  run = pc.spanfinder(L"bios compare 1 changed.bin", kBiosTimeoutMs);
  CHECK_EQ(run.exitCode, DWORD{1});
  CHECK_EQ(run.out, std::string());
  CHECK_EQ(run.err, std::string("spanfinder: bios compare: controller 1: -205 (the chip differs from the file)\n"));

  // Erased once confirmed, after the chip's image is kept: no image left to show.
  run = pc.spanfinder(L"bios erase 1", kSearchTimeoutMs);
  CHECK_EQ(run.exitCode, DWORD{2});
  CHECK(has(run.err, "--yes erases it"));
  run = pc.spanfinder(L"bios erase 1 --yes --backup kept.bin", kBiosTimeoutMs);
  CHECK_EQ(run.exitCode, DWORD{2});
  CHECK_EQ(run.err, std::string("spanfinder: bios erase: kept.bin: exists already; a backup never replaces a file\n"));
  run = pc.spanfinder(L"bios erase 1 --yes --backup before-erase.bin", kBiosTimeoutMs);
  CHECK_EQ(run.exitCode, DWORD{0});
  CHECK(has(run.out, "reading: 100%\ncontroller 1: the chip's image (131072 bytes) kept in before-erase.bin\n"
                     "controller 1: the chip is erased\n"));
  CHECK(fileBytes(pc.path(L"before-erase.bin")) == bytes);
  run = pc.spanfinder(L"bios info 1", kSearchTimeoutMs);
  CHECK_EQ(run.exitCode, DWORD{1});
  CHECK(has(run.out, "  BIOS:         none (blank chip)\n"));
  CHECK_EQ(run.err, std::string("spanfinder: bios info: controller 1: -151 (the chip holds no image: both pointer "
                                "bytes (0x22, 0x24) are 0xFF)\n"));
}

// The library takes file names in the ANSI code page (1252 here): a name it cannot
// hold is refused, naming the file, before the library or its driver is started,
// and nothing is made or touched.
WIN_TEST(ToolControllers, AFileNameOutsideTheCodePageIsRefused) {
  ModelPc pc(L"tool-code-page");
  REQUIRE(pc.ready);
  const std::wstring name = L"\u540D\u524D.bin";  // two CJK characters
  const std::string named = "\xE5\x90\x8D\xE5\x89\x8D.bin";  // the same, as the tool writes it (UTF-8)
  wintest::Run run = pc.spanfinder(L"bios read 1 " + name);
  CHECK_EQ(run.exitCode, DWORD{2});
  CHECK(run.err.rfind("spanfinder: " + named + ": the access library cannot open a file of this name", 0) == 0);
  CHECK(!exists(pc.path(name)));
  CHECK(!exists(pc.path(name + L".part")));

  REQUIRE(wintest::writeBinaryFile(pc.path(name), image()));
  for (const wchar_t* command : {L"bios write 1 ", L"bios compare 1 ", L"bios file-info "}) {
    run = pc.spanfinder(command + name);
    CHECK_EQ(run.exitCode, DWORD{2});
    CHECK(has(run.err, named + ": the access library cannot open a file of this name"));
  }

  // A name the code page holds reaches the library as that code page's text.
  REQUIRE(wintest::writeBinaryFile(pc.path(L"caf\u00E9.bin"), image()));
  run = pc.spanfinder(L"bios file-info caf\u00E9.bin");
  CHECK_EQ(run.exitCode, DWORD{0});
  CHECK_EQ(run.out, std::string("caf\xC3\xA9.bin: BIOS 7.4.21, 06/15/2011\n"
                                "caf\xC3\xA9.bin: a BIOS for the SiI3132 controller\n"));
}

// The controller as device setup lists it on a PC: a SCSI adapter device at the
// model controller's PCI place, with the filter driver's file in the Windows driver
// folder. link-speed sets its values and marks its description, and controllers
// lists the limit as stored.
WIN_TEST(ToolControllers, LinkSpeedLimitsTheModelsControllersDevice) {
  ModelPc pc(L"tool-link-speed");
  REQUIRE(pc.ready);
  wintest::MadeDevice device;
  REQUIRE(device.made());
  const char ids[] = "PCI\\VEN_1095&DEV_3132&SUBSYS_31321095&REV_01\0PCI\\VEN_1095&DEV_3132\0";
  const char location[] = "PCI bus 2, device 0, function 0";
  const char name[] = "SiI 3132 SATA Controller";
  const auto set = [&](DWORD property, const char* value, DWORD size) {
    return ::SetupDiSetDeviceRegistryPropertyA(device.set(), device.record(), property,
                                               reinterpret_cast<const BYTE*>(value), size);
  };
  REQUIRE(set(SPDRP_HARDWAREID, ids, sizeof ids));
  REQUIRE(set(SPDRP_LOCATION_INFORMATION, location, sizeof location));
  REQUIRE(set(SPDRP_DEVICEDESC, name, sizeof name));
  const HKEY created =
      ::SetupDiCreateDevRegKeyA(device.set(), device.record(), DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr);
  REQUIRE(created != INVALID_HANDLE_VALUE);
  ::RegCloseKey(created);
  char windows[MAX_PATH] = {};
  REQUIRE(::GetWindowsDirectoryA(windows, MAX_PATH) > 0);
  const std::string filter = std::string(windows) + "\\System32\\Drivers\\TavSCntl.sys";
  REQUIRE(wintest::writeBinaryFile(std::wstring(filter.begin(), filter.end()), {0x4D, 0x5A}));

  const wintest::Run run = pc.spanfinder(L"link-speed 1 1 0", kSearchTimeoutMs);
  CHECK_EQ(run.exitCode, DWORD{0});
  CHECK_EQ(run.err, std::string());
  CHECK_EQ(run.out, std::string("controller 1: link-speed limits set: port 0 1.5 Gbps, port 1 no limit\n"
                                "the filter driver TavSCntl applies them when Windows next starts the controller\n"));
  CHECK_EQ(device.portValue("Port0"), DWORD{1});
  CHECK_EQ(device.portValue("Port1"), DWORD{0});
  CHECK_EQ(device.property(SPDRP_DEVICEDESC), std::string("SiI 3132 SATA Controller(1.5Gbps Driver)\0", 41));
  // The listing reads the stored limit from the device's key; the one in effect is
  // the model's SControl, which no filter driver has changed.
  const wintest::Run listed = pc.spanfinder(L"controllers", kSearchTimeoutMs);
  CHECK_EQ(listed.exitCode, DWORD{0});
  CHECK(has(listed.out, "  link speed:   port 0 no limit, port 1 no limit\n"
                        "  stored limit: port 0 1.5 Gbps, port 1 no limit (from the controller's next start)\n"));

  if (const SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {
    if (const SC_HANDLE service = ::OpenServiceA(manager, "TavSCntl", SERVICE_ALL_ACCESS)) {
      ::DeleteService(service);
      ::CloseServiceHandle(service);
    }
    ::CloseServiceHandle(manager);
  }
  ::DeleteFileA(filter.c_str());
}
