#include "os/platform.h"
#include "os/win32/adapters.h"

namespace os {

Platform defaultPlatform() {
  Platform p;
  p.files = &win32::files();
  p.system = &win32::system();
  p.processes = &win32::processes();
  p.modules = &win32::modules();
  p.objects = &win32::namedObjects();
  p.clock = &win32::clock();
  p.services = &win32::services();
  p.devices = &win32::devices();
  p.setup = &win32::deviceSetup();
  p.threads = &win32::threads();
  p.versions = &win32::versions();
  p.windows = &win32::windows();
  return p;
}

}  // namespace os
