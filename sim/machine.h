#pragma once
// A simulated Windows PC: its disks and system facts now, and (added by the parts
// that need them) its hardware, service manager, drivers, modules and tools. A
// test builds one, describes the machine it wants, and installs it as the
// process's platform; the native command-line tool does the same.
#include <filesystem>
#include <functional>
#include <list>
#include <string>

#include "os/platform.h"
#include "sim/access_driver.h"
#include "sim/clock.h"
#include "sim/device_io.h"
#include "sim/device_setup.h"
#include "sim/file_system.h"
#include "sim/io_ports.h"
#include "sim/modules.h"
#include "sim/named_objects.h"
#include "sim/pci_bus.h"
#include "sim/physical_memory.h"
#include "sim/process_bitness.h"
#include "sim/processes.h"
#include "sim/service_manager.h"
#include "sim/sii3132.h"
#include "sim/system_facts.h"
#include "sim/system_info_tool.h"
#include "sim/threads.h"
#include "sim/version_info.h"
#include "sim/windows.h"

namespace sim {

class Machine {
 public:
  // root: a host folder that holds the machine's drives (drive C is root/C).
  explicit Machine(const std::filesystem::path& root);
  // Waits for the threads of its processes first: they may still be using its parts.
  ~Machine() { threads.joinAll(); }
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  SystemFacts facts;
  FileSystem files{facts};
  Modules modules;
  Clock clock;
  Processes processes{facts, files};
  VersionInfo versions;
  Windows windows;          // the logon's desktop, shared by every process
  ObjectNamespace objectSpace;  // named objects, shared by every process
  ProcessObjects objects{objectSpace};  // the handles of the machine's first process
  SystemInfoTool systemInfoTool{facts, files};  // runs as msinfo32.exe

  // Puts the command interpreter and the system-information tool where Windows
  // keeps them, for the Windows folder that facts names now: cmd.exe and
  // msinfo32.exe in its system32 folder and msinfo32.exe under "\Program
  // Files\Common Files\Microsoft Shared\MSInfo" on its drive.
  void installSystemFiles();
  // Creates an empty file at a Windows path of a mapped drive, with its folders.
  bool createFile(std::u16string_view windowsPath);

  // Hardware: PCI functions behind the configuration ports, and device register
  // windows in physical memory.
  PciBus pci;
  IoPorts ports{pci};
  PhysicalMemory memory;
  // Windows: the service manager, the device namespace, the access driver that
  // Cfgprobe64.sys holds, and the process's bitness (kernel32.dll's IsWow64Process).
  DeviceIo devices;
  AccessDriver accessDriver{devices, ports, memory, clock};
  ServiceManager services{files, facts};
  ProcessBitness bitness;
  // Device setup classes and the device registry; the threads of the machine's
  // processes and the message queues of its windows.
  DeviceSetup setup;
  Threads threads{windows};

  // SiI3132 controllers. Adding one puts it on the bus with its register windows
  // (bases picked when the setup leaves them 0) and lists it with Windows as a
  // present SCSI adapter with that description; a controller added again at a
  // location it had before finds its old device node, settings included. Removing
  // one takes it off the bus; its device node stays, no longer present.
  static constexpr char kSiI3132Description[] = "Silicon Image SiI 3132 SATALink Controller";
  // adjust, when given, changes the device node Windows would make before it is listed.
  SiI3132& addSiI3132(SiI3132Setup setup, const std::string& description = kSiI3132Description,
                      const std::function<void(DeviceNode&)>& adjust = nullptr);
  void removeSiI3132(PciLocation at);
  SiI3132* findSiI3132(PciLocation at);
  std::list<SiI3132> controllers;  // in the order added
  // The folder Windows loads drivers from: <Windows folder>\System32\Drivers.
  std::u16string driverFolder() const;

  // The os facilities of this machine.
  os::Platform platform();
  // Installs them as the process's platform.
  void install() { os::installPlatform(platform()); }

 private:
  std::uint32_t nextWindow_ = 0xF0000000;
};

// A further process on the machine, such as a second copy of the program: its own
// handles to named objects, the machine's everything else. Ending it (or
// destroying it) closes its handles.
class Process {
 public:
  explicit Process(Machine& machine) : machine_(machine), objects(machine.objectSpace) {}
  os::Platform platform() {
    os::Platform p = machine_.platform();
    p.objects = &objects;
    return p;
  }
  void end() { objects.closeAll(); }

 private:
  Machine& machine_;

 public:
  ProcessObjects objects;
};

}  // namespace sim
