#include "sim/machine.h"

#include <fstream>

namespace sim {

Machine::Machine(const std::filesystem::path& root) {
  std::filesystem::create_directories(root / "C");
  files.mapDrive('C', root / "C");
  services.addDriverImage("Cfgprobe64.sys", accessDriver);
  modules.add(u"kernel32.dll", ProcessBitness::kernel32Entries());
  installSystemFiles();
  processes.addProgram(u"msinfo32.exe", [this](const std::u16string& path, const std::vector<std::u16string>& args) {
    return systemInfoTool.run(path, args);
  });
}

bool Machine::createFile(std::u16string_view windowsPath) {
  const auto host = files.toHost(windowsPath);
  if (!host) return false;
  std::error_code ec;
  std::filesystem::create_directories(host->parent_path(), ec);
  if (std::filesystem::exists(*host)) return true;
  std::ofstream out(*host);
  return static_cast<bool>(out);
}

void Machine::installSystemFiles() {
  if (!facts.windowsDirectory) return;
  const std::u16string& windows = *facts.windowsDirectory;
  createFile(windows + u"\\system32\\cmd.exe");
  createFile(windows + u"\\system32\\msinfo32.exe");
  const auto colon = windows.find(u':');
  if (colon != std::u16string::npos)
    createFile(windows.substr(0, colon + 1) + u"\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe");
}

os::Platform Machine::platform() {
  os::Platform p;
  p.files = &files;
  p.system = &facts;
  p.modules = &modules;
  p.services = &services;
  p.devices = &devices;
  p.clock = &clock;
  p.processes = &processes;
  p.versions = &versions;
  p.windows = &windows;
  p.objects = &objects;
  p.setup = &setup;
  p.threads = &threads;
  return p;
}

SiI3132& Machine::addSiI3132(SiI3132Setup setup, const std::string& description,
                             const std::function<void(DeviceNode&)>& adjust) {
  removeSiI3132(setup.location);
  // A window of its own for each: global registers at its start, port registers
  // 32 KiB further on.
  if (setup.globalBase == 0 || setup.portBase == 0) {
    if (setup.globalBase == 0) setup.globalBase = nextWindow_;
    if (setup.portBase == 0) setup.portBase = nextWindow_ + SiI3132::kPortWindowSize;
    nextWindow_ += 2 * SiI3132::kPortWindowSize;
  }
  SiI3132& controller = controllers.emplace_back(setup, clock);
  controller.attach(pci, memory);
  DeviceNode node = pciDeviceNode(*pci.find(setup.location), setup.location, description);
  if (adjust) adjust(node);
  if (DeviceNode* known = this->setup.find(node.instanceId)) {
    known->present = true;
  } else {
    this->setup.add(std::move(node));
  }
  return controller;
}

void Machine::removeSiI3132(PciLocation at) {
  for (auto it = controllers.begin(); it != controllers.end(); ++it) {
    const PciLocation l = it->location();
    if (l.bus != at.bus || l.device != at.device || l.function != at.function) continue;
    it->detach(pci, memory);
    if (DeviceNode* node = setup.findPci(at)) node->present = false;
    controllers.erase(it);
    return;
  }
}

SiI3132* Machine::findSiI3132(PciLocation at) {
  for (SiI3132& c : controllers) {
    const PciLocation l = c.location();
    if (l.bus == at.bus && l.device == at.device && l.function == at.function) return &c;
  }
  return nullptr;
}

std::u16string Machine::driverFolder() const {
  return facts.windowsDirectory.value_or(u"C:\\Windows") + u"\\System32\\Drivers";
}

}  // namespace sim
