#include "os/platform.h"
#include "os/posix/host.h"

namespace os {

Platform defaultPlatform() {
  static Processes processes;
  static Modules modules;
  static NamedObjects objects;
  static Services services;
  static DeviceIo devices;
  static DeviceSetup setup;
  static Threads threads;
  static VersionInfo versions;
  static Windows windows;
  Platform p{&hostFiles(), &hostSystem(), &processes, &modules, &objects, &hostClock(),
             &services,    &devices,      &setup,     &threads};
  p.versions = &versions;
  p.windows = &windows;
  return p;
}

}  // namespace os
