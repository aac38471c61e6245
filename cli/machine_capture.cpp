#include "cli/machine_capture.h"

#include <cstring>
#include <memory>

#include "cli/controller_output.h"
#include "os/text.h"

namespace cli {
namespace {

constexpr int kBuses = 256, kDevices = 32, kFunctions = 8;
constexpr std::uint32_t kAbsent = 0xFFFFFFFF;
constexpr char kControllerIdPrefix[] = "PCI\\VEN_1095&DEV_3132&SUBSYS_31321095";

std::string hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

bool fileThere(os::Files& files, const std::u16string& path) {
  const os::Handle file = files.createFile(path, 0, os::kFileShareRead, os::kOpenExisting);
  if (!os::isValid(file)) return false;
  files.closeFile(file);
  return true;
}

// A device registry property's text or strings (REG_SZ, REG_MULTI_SZ); nothing
// when the device has none.
std::optional<std::vector<std::string>> property(os::DeviceSetup& setup, os::Handle set, os::DevInfoData& device,
                                                 std::uint32_t which) {
  std::uint32_t required = 0;
  setup.getDeviceRegistryPropertyA(set, &device, which, nullptr, nullptr, 0, &required);
  if (required == 0) return std::nullopt;
  std::vector<std::uint8_t> buffer(required + 2, 0);
  if (!setup.getDeviceRegistryPropertyA(set, &device, which, nullptr, buffer.data(), required, nullptr))
    return std::nullopt;
  std::vector<std::string> strings;
  for (const char* at = reinterpret_cast<const char*>(buffer.data()); *at; at += std::strlen(at) + 1)
    strings.emplace_back(at);
  return strings;
}

// The first three numbers of a location text, as Windows writes bus, device
// and function there in every language; -1 for a number missing.
std::array<long, 3> locationNumbers(const std::string& text) {
  std::array<long, 3> numbers{-1, -1, -1};
  std::size_t found = 0;
  for (std::size_t i = 0; i < text.size() && found < 3;) {
    if (text[i] < '0' || text[i] > '9') {
      ++i;
      continue;
    }
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
      value = value > 99999 ? value : value * 10 + (text[i] - '0');
    numbers[found++] = value;
  }
  return numbers;
}

// How Windows lists the controller: the present SCSI adapter with the
// controller's hardware ID whose location names its place.
void captureDevice(os::DeviceSetup& setup, CapturedController& c, std::vector<std::string>& notes) {
  const os::Handle set = setup.getClassDevsA(&os::kGuidDevClassScsiAdapter, nullptr, nullptr, os::kDigcfPresent);
  if (!os::isValid(set)) {
    notes.push_back("the SCSI adapters cannot be listed (error " + std::to_string(os::lastError()) +
                    "): the controllers' descriptions, hardware IDs and locations are the defaults");
    return;
  }
  bool found = false;
  os::DevInfoData data;
  for (std::uint32_t index = 0; !found && setup.enumDeviceInfo(set, index, &data); ++index, data = {}) {
    const auto ids = property(setup, set, data, os::kSpdrpHardwareId);
    const auto location = property(setup, set, data, os::kSpdrpLocationInformation);
    if (!ids || ids->empty() || ids->front().rfind(kControllerIdPrefix, 0) != 0 || !location || location->empty())
      continue;
    if (locationNumbers(location->front()) != std::array<long, 3>{c.bus, c.device, c.function}) continue;
    found = true;
    c.hardwareIds = *ids;
    c.location = location->front();
    if (const auto description = property(setup, set, data, os::kSpdrpDeviceDesc); description && !description->empty())
      c.description = description->front();
    const os::Handle key = setup.openDevRegKey(set, &data, os::kDicsFlagGlobal, 0, os::kDiregDev, os::kKeyRead);
    c.hardwareKey = os::isValid(key);
    if (c.hardwareKey) setup.regCloseKey(key);
  }
  setup.destroyDeviceInfoList(set);
  if (!found)
    notes.push_back("controller at bus " + std::to_string(c.bus) + ", device " + std::to_string(c.device) +
                    ", function " + std::to_string(c.function) +
                    ": Windows lists no device for it; its description, hardware IDs and location are the defaults");
}

// "7.3.15" and "10/27/2010" as a profile describes an image; false when the
// chip's texts do not have that shape (a digit more, a letter).
bool describable(const BIOSPROPERTYDATA& bios) {
  const auto digit = [](int v) { return v >= 0 && v <= 9; };
  return digit(bios.nMajorVersion) && digit(bios.nMinorVersion) && bios.nRevision >= 0 && bios.nRevision <= 99 &&
         bios.nMonth >= 0 && bios.nMonth <= 99 && bios.nDay >= 0 && bios.nDay <= 99 && bios.nYear >= 0 &&
         bios.nYear <= 9999;
}

}  // namespace

void captureWindows(const os::Platform& facilities, CapturedMachine& machine) {
  char16_t folder[os::kMaxPath] = {};
  const std::uint32_t length = facilities.system->getWindowsDirectory(folder, os::kMaxPath);
  if (length == 0 || length >= os::kMaxPath) {
    machine.notes.push_back("the Windows folder cannot be read (error " + std::to_string(os::lastError()) +
                            "): C:\\Windows is assumed");
    machine.windowsDirectory = "C:\\Windows";
  } else {
    machine.windowsDirectory = os::toUtf8(std::u16string_view(folder, length));
  }
  machine.windowsVersion = facilities.system->windowsVersion();
  const std::uint16_t language = facilities.system->userInterfaceLanguage();
  machine.japanese = (language & 0x3FF) == (os::kLangJapanese & 0x3FF);
  if (!machine.japanese && (language & 0x3FF) != (os::kLangEnglishUS & 0x3FF))
    machine.notes.push_back("the user-interface language " + hex(language).replace(2, 4, "") +
                            " is neither English nor Japanese: the program's messages are in English there, so "
                            "it is recorded as en");
  const std::u16string drivers = os::fromUtf8(machine.windowsDirectory) + u"\\System32\\Drivers\\";
  for (const char* name : {"TavSCntl.sys", "TavSCntl64.sys"})
    if (fileThere(*facilities.files, drivers + os::fromUtf8(name))) machine.driverFiles.push_back(name);
}

void captureControllers(const LibrarySession& session, const os::Platform& facilities, CapturedMachine& machine) {
  for (int index = 1; index <= std::min(session.controllers(), kDeviceTableSize); ++index) {
    SIIDEVICEINFO info{};
    if (const int result = session.kx().getSiI3132Info(index, &info); result != 1) {
      machine.notes.push_back("controller " + std::to_string(index) + ": KX_GetSiI3132Info returned " +
                              resultText(result) + "; left out");
      continue;
    }
    CapturedController c;
    c.index = index;
    c.bus = info.bBus, c.device = info.bDevice, c.function = info.bFunction;
    c.flashId = info.wFlashID;
    BIOSPROPERTYDATA bios{};
    const int result = session.kx().getBiosInfo(index, &bios);
    c.biosResult = result;
    const std::string name = "controller " + std::to_string(index);
    if (bios.nPort0Speed >= 0 && bios.nPort0Speed <= 15 && bios.nPort1Speed >= 0 && bios.nPort1Speed <= 15)
      c.speeds = std::array<int, 2>{bios.nPort0Speed, bios.nPort1Speed};
    else
      machine.notes.push_back(name + ": the link speeds cannot be read; no limit is assumed");
    if (result == 1 && describable(bios)) {
      c.biosVersion = versionText(bios);
      c.biosDate = dateText(bios);
    } else if (result == 1) {
      machine.notes.push_back(name + ": the chip's version and date texts (" + versionText(bios) + ", " +
                              dateText(bios) +
                              ") cannot describe an image; capture --with-bios keeps the image itself");
    } else if (result != -151) {  // a blank chip is the profile's default
      machine.notes.push_back(name + ": the chip's BIOS cannot be read: " + resultText(result));
    }
    captureDevice(*facilities.setup, c, machine.notes);
    machine.controllers.push_back(std::move(c));
  }
}

bool captureFunctions(LibraryPorts& ports, CapturedMachine& machine, const std::function<void(int bus)>& progress) {
  std::size_t present = 0;
  for (int bus = 0; bus < kBuses; ++bus) {
    if (progress) progress(bus);
    for (int device = 0; device < kDevices; ++device) {
      for (int function = 0; function < kFunctions; ++function) {
        const std::uint32_t identity = ports.readConfig(bus, device, function, 0x00);
        if (identity == kAbsent) continue;
        ++present;
        const std::string place = "bus " + std::to_string(bus) + ", device " + std::to_string(device) + ", function " +
                                  std::to_string(function);
        if ((identity & 0xFFFF) == 0xFFFF) {
          machine.notes.push_back("the function at " + place + " reads " + hex(identity) +
                                  " at 0x00: vendor ID 0xFFFF is no function; left out");
          continue;
        }
        CapturedFunction f;
        f.bus = static_cast<std::uint8_t>(bus), f.device = static_cast<std::uint8_t>(device),
        f.function = static_cast<std::uint8_t>(function);
        f.config[0] = identity;
        for (int i = 1; i < 64; ++i)
          f.config[i] = ports.readConfig(bus, device, function, static_cast<std::uint8_t>(i * 4));
        machine.functions.push_back(f);
      }
    }
  }
  // Every number answering is not a bus: it is the reads failing (the library's
  // port read gives 0 for a request the driver refuses).
  return present < static_cast<std::size_t>(kBuses * kDevices * kFunctions);
}

}  // namespace cli
