#include "sim/machine.h"

namespace sim {

Machine::Machine(const std::filesystem::path& root) {
  std::filesystem::create_directories(root / "C");
  files.mapDrive('C', root / "C");
  services.addDriverImage("Cfgprobe64.sys", accessDriver);
  modules.add(u"kernel32.dll", ProcessBitness::kernel32Entries());
}

os::Platform Machine::platform() {
  os::Platform p;
  p.files = &files;
  p.system = &facts;
  p.modules = &modules;
  p.services = &services;
  p.devices = &devices;
  return p;
}

}  // namespace sim
