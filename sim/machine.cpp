#include "sim/machine.h"

namespace sim {

Machine::Machine(const std::filesystem::path& root) {
  std::filesystem::create_directories(root / "C");
  files.mapDrive('C', root / "C");
}

os::Platform Machine::platform() {
  os::Platform p;
  p.files = &files;
  p.system = &facts;
  p.modules = &modules;
  return p;
}

}  // namespace sim
