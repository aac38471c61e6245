#include "cli/library_ports.h"

#include <cstring>

#include "cfgprobe/config_space.h"
#include "cfgprobe/driver_names.h"

namespace cli {
namespace {

// The driver's service name as the char buffer the library's calls take.
struct ServiceName {
  char text[sizeof cfgprobe::kDriverServiceName];
  ServiceName() { std::memcpy(text, cfgprobe::kDriverServiceName, sizeof text); }
};

template <typename Member>
bool bind(const AccessLibrary& library, const char* name, Member& member, std::string& missing) {
  member = reinterpret_cast<Member>(library.entry(name));
  if (!member && missing.empty()) missing = name;
  return member != nullptr;
}

}  // namespace

std::unique_ptr<LibraryPorts> LibraryPorts::open(const AccessLibrary& library, const os::Platform& facilities,
                                                 std::string& error) {
  std::unique_ptr<LibraryPorts> ports(new LibraryPorts(facilities));
  Construct construct = nullptr;
  SysPath sysPath = nullptr;
  LoadDriver loadDriver = nullptr;
  std::string missing;
  bind(library, "_ZN6CKXACSC1Ev", construct, missing);
  bind(library, "_ZN6CKXACSD1Ev", ports->destroy_, missing);
  bind(library, "_ZN6CKXACS10GetSysPathEPc", sysPath, missing);
  bind(library, "_ZN6CKXACS14ManageKXDriverEPcS0_i", ports->manage_, missing);
  bind(library, "_ZN6CKXACS12LoadKXDriverEPc", loadDriver, missing);
  bind(library, "_ZN6CKXACS10dwReadPortEPvt", ports->readPort_, missing);
  bind(library, "_ZN6CKXACS11dwWritePortEPvtj", ports->writePort_, missing);
  if (!missing.empty()) {
    ports->destroy_ = nullptr;
    error = "the access library Cfgprobe64.Dll has no member " + missing;
    return nullptr;
  }
  construct(ports->object());
  ServiceName service;
  if (!sysPath(ports->object(), ports->driverPath_)) {
    error = "the access driver's path cannot be formed from the current folder";
    return nullptr;
  }
  ports->started_ = true;  // whatever the start registered is removed again
  if (ports->manage_(ports->object(), service.text, ports->driverPath_, cfgprobe::kActionInstallAndStart) != 1) {
    error = "the access driver Cfgprobe64.sys did not start again for the configuration scan";
    return nullptr;
  }
  ports->device_ = loadDriver(ports->object(), nullptr);
  if (!os::isValid(ports->device_)) {
    ports->device_ = nullptr;
    error = "the access driver's device cannot be opened for the configuration scan (error " +
            std::to_string(os::lastError()) + ")";
    return nullptr;
  }
  return ports;
}

LibraryPorts::~LibraryPorts() {
  if (device_) facilities_.devices->closeHandle(device_);
  if (started_) {
    ServiceName service;
    manage_(object(), service.text, driverPath_, cfgprobe::kActionStopAndRemove);
  }
  if (destroy_) destroy_(object());
}

std::uint32_t LibraryPorts::readConfig(int bus, int device, int function, std::uint8_t offset) {
  writePort_(object(), device_, cfgprobe::kConfigAddressPort, cfgprobe::configAddress(bus, device, function, offset));
  return readPort_(object(), device_, cfgprobe::kConfigDataPort);
}

}  // namespace cli
