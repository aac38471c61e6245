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
  return Platform{&hostFiles(), &hostSystem(), &processes, &modules, &objects, &hostClock(),
                  &services,    &devices,      &setup,     &threads};
}

}  // namespace os
