#include "sim/hosted_machine.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <system_error>
#include <vector>

#include "os/posix/host.h"
#include "os/text.h"
#include "sim/machine_state.h"

namespace sim {
namespace {

// The access driver's service name and image file, as the library installs them.
constexpr std::string_view kDriverService = "Cfgprobe64";
constexpr std::string_view kDriverFile = "Cfgprobe64.sys";
constexpr std::string_view kProgramFile = "Spanfinder64.exe";

namespace fs = std::filesystem;

// Why the folder cannot be used as a state folder; empty when it can: it is
// missing, empty, marked, or the profile's own default place.
std::string refusal(const fs::path& folder, bool ownPlace) {
  std::error_code ec;
  const fs::file_status status = fs::status(folder, ec);
  if (!fs::exists(status)) return {};
  if (!fs::is_directory(status)) return folder.string() + ": is a file, not a state folder: nothing was changed";
  if (ownPlace || fs::exists(folder / kStateMarkerFile, ec)) return {};
  if (fs::is_empty(folder, ec) && !ec) return {};
  return folder.string() + ": not a state folder of spanfinder (it holds other files and no " +
         std::string(kStateMarkerFile) + "): nothing was changed; name a new or empty folder";
}

// Makes the state folder ready: refused as above, emptied on reset (all but its
// marker), made with drive C and marked.
std::string prepare(const fs::path& folder, bool reset, bool ownPlace) {
  if (std::string problem = refusal(folder, ownPlace); !problem.empty()) return problem;
  std::error_code ec;
  if (reset && fs::is_directory(folder, ec)) {
    std::vector<fs::path> entries;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec))
      if (entry.path().filename() != kStateMarkerFile) entries.push_back(entry.path());
    for (const fs::path& entry : entries)
      if (!ec) fs::remove_all(entry, ec);
    if (ec) return "cannot reset the state folder " + folder.string() + ": " + ec.message();
  }
  fs::create_directories(folder / "C", ec);
  if (ec) return "cannot create the state folder " + folder.string() + ": " + ec.message();
  if (!fs::exists(folder / kStateMarkerFile, ec)) {
    std::ofstream marker(folder / kStateMarkerFile, std::ios::binary);
    marker << "A simulated machine's drives and state, kept by spanfinder; --reset empties this folder.\n";
    if (!marker) return "cannot mark the state folder " + folder.string() + ": " + std::string(kStateMarkerFile);
  }
  return {};
}

bool writeFile(const std::filesystem::path& path, std::string_view text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

std::optional<char> driveOf(std::u16string_view path) {
  if (path.size() < 2 || path[1] != u':') return std::nullopt;
  const char16_t c = path[0];
  if (c >= u'a' && c <= u'z') return static_cast<char>(c - 32);
  if (c >= u'A' && c <= u'Z') return static_cast<char>(c);
  return std::nullopt;
}

}  // namespace

std::variant<std::unique_ptr<HostedMachine>, std::string> HostedMachine::open(const MachineProfile& profile,
                                                                              const HostedMachineSetup& setup) {
  if (std::string problem = prepare(setup.stateFolder, setup.reset, setup.ownPlace); !problem.empty()) return problem;
  const auto shipped = setup.stateFolder / "shipped";
  std::error_code ec;
  std::filesystem::remove_all(shipped, ec);  // made afresh from the profile every run
  std::filesystem::create_directories(shipped, ec);
  if (ec) return "cannot create " + shipped.string() + ": " + ec.message();
  if (!writeFile(shipped / kProgramFile, "Spanfinder64 (simulated program file)\n") ||
      (!profile.faults.driverFileMissing && !writeFile(shipped / kDriverFile, "Cfgprobe64 access driver (simulated)\n")))
    return "cannot write into " + shipped.string();
  std::unique_ptr<HostedMachine> hosted(new HostedMachine(profile, setup));
  if (auto problem = loadMachineState(hosted->machine(), setup.stateFolder / kMachineStateFile)) return *problem;
  return hosted;
}

std::optional<std::string> HostedMachine::saveState() {
  return saveMachineState(*machine_, setup_.stateFolder / kMachineStateFile);
}

void HostedMachine::addControllers() {
  Machine& m = *machine_;
  for (const ControllerProfile& c : profile_.controllers) {
    SiI3132Setup setup;
    setup.location = c.location;
    setup.globalBase = c.globalRegisters;
    setup.portBase = c.portRegisters;
    setup.revision = c.revision;
    setup.flashManufacturer = c.flashManufacturer;
    setup.flashDevice = c.flashDevice;
    setup.flashChipEraseMs = c.flashChipEraseMs;
    setup.flashImage = c.image;
    setup.sControl = c.sControl;
    m.addSiI3132(setup, c.description, [&c](DeviceNode& node) {
      if (c.hardwareIds) node.hardwareIds = c.hardwareIds;
      if (c.locationText) node.location = c.locationText;
      node.hasHardwareKey = c.hardwareKey;
    });
  }
  for (const std::string& file : profile_.windows.driverFiles)
    m.createFile(m.driverFolder() + u"\\" + os::fromUtf8(file));
}

HostedMachine::HostedMachine(const MachineProfile& profile, const HostedMachineSetup& setup)
    : profile_(profile), setup_(setup), machine_(std::make_unique<Machine>(setup.stateFolder)) {
  apply();
}

void HostedMachine::apply() {
  Machine& m = *machine_;
  const WindowsProfile& windows = profile_.windows;
  if (const auto drive = driveOf(windows.directory); drive && *drive != 'C') {
    std::error_code ec;
    const auto folder = setup_.stateFolder / std::string(1, *drive);
    std::filesystem::create_directories(folder, ec);
    m.files.mapDrive(*drive, folder);
  }
  m.facts.windowsDirectory = windows.directory;
  m.facts.version = windows.version;
  m.facts.language = windows.language == ReportLanguage::Japanese ? os::kLangJapanese : os::kLangEnglishUS;
  m.facts.environment[u"COMSPEC"] = windows.comspec ? *windows.comspec : windows.directory + u"\\system32\\cmd.exe";
  m.facts.currentDirectory = std::u16string(kProgramFolder);
  m.installSystemFiles();
  m.files.mapFolder(kProgramFolder, setup_.workingFolder, setup_.stateFolder / "shipped");
  m.versions.programPath = std::u16string(kProgramFolder) + u"\\" + os::fromUtf8(kProgramFile);

  for (const PciFunctionProfile& f : profile_.pci) {
    const auto identity = f.config.find(0x00);
    PciFunction& function = m.pci.add(f.location, identity == f.config.end() ? 0 : identity->second);
    for (const auto& [offset, value] : f.config) function.set32(offset, value);
  }

  addControllers();

  m.systemInfoTool.resources = profile_.resources;
  m.systemInfoTool.headings = profile_.reportLanguage;
  m.systemInfoTool.failure = profile_.faults.systemInfoToolExitStatus;
  m.systemInfoTool.writesNoFile = profile_.faults.systemInfoToolWritesNoFile;
  if (profile_.faults.driverStartError) m.services.failStarts(kDriverService, *profile_.faults.driverStartError);

  m.modules.fallBackTo(&os::hostModules());
}

std::optional<std::filesystem::path> defaultStateFolder(const std::string& id) {
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state)
    return std::filesystem::path(state) / "spanfinder" / id;
  if (const char* home = std::getenv("HOME"); home && *home)
    return std::filesystem::path(home) / ".local" / "state" / "spanfinder" / id;
  return std::nullopt;
}

std::string profileId(const std::filesystem::path& profileFile) {
  std::error_code ec;
  const std::string path = std::filesystem::absolute(profileFile, ec).lexically_normal().string();
  std::uint32_t hash = 2166136261u;  // FNV-1a: stable from one build to the next
  for (unsigned char c : path) hash = (hash ^ c) * 16777619u;
  char digest[16];
  std::snprintf(digest, sizeof digest, "-%08x", static_cast<unsigned>(hash));
  return profileFile.stem().string() + digest;
}

}  // namespace sim
