#pragma once
// A simulated Windows PC: its disks and system facts now, and (added by the parts
// that need them) its hardware, service manager, drivers, modules and tools. A
// test builds one, describes the machine it wants, and installs it as the
// process's platform; the native command-line tool does the same.
#include <filesystem>

#include "os/platform.h"
#include "sim/access_driver.h"
#include "sim/device_io.h"
#include "sim/file_system.h"
#include "sim/io_ports.h"
#include "sim/modules.h"
#include "sim/pci_bus.h"
#include "sim/physical_memory.h"
#include "sim/process_bitness.h"
#include "sim/service_manager.h"
#include "sim/system_facts.h"

namespace sim {

class Machine {
 public:
  // root: a host folder that holds the machine's drives (drive C is root/C).
  explicit Machine(const std::filesystem::path& root);

  SystemFacts facts;
  FileSystem files{facts};
  Modules modules;

  // Hardware: PCI functions behind the configuration ports, and device register
  // windows in physical memory.
  PciBus pci;
  IoPorts ports{pci};
  PhysicalMemory memory;
  // Windows: the service manager, the device namespace, the access driver that
  // Cfgprobe64.sys holds, and the process's bitness (kernel32.dll's IsWow64Process).
  DeviceIo devices;
  AccessDriver accessDriver{devices, ports, memory};
  ServiceManager services{files, facts};
  ProcessBitness bitness;

  // The os facilities of this machine.
  os::Platform platform();
  // Installs them as the process's platform.
  void install() { os::installPlatform(platform()); }
};

}  // namespace sim
