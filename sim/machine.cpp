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

}  // namespace sim
