#pragma once
// The Win32 adapters behind the os/ interfaces: each call is the Win32 call its
// interface names, with the same arguments and the system's own last error.
#include "os/clock.h"
#include "os/device_io.h"
#include "os/device_setup.h"
#include "os/files.h"
#include "os/modules.h"
#include "os/named_objects.h"
#include "os/processes.h"
#include "os/services.h"
#include "os/system.h"
#include "os/threads.h"
#include "os/version_info.h"
#include "os/windows.h"

namespace os::win32 {

Files& files();
SystemInfo& system();
Processes& processes();
Modules& modules();
NamedObjects& namedObjects();
Clock& clock();
Services& services();
DeviceIo& devices();
DeviceSetup& deviceSetup();
Threads& threads();
VersionInfo& versions();
Windows& windows();
// The desktop for windows nobody is to see (the dialogs the command-line tool drives
// without showing them): the windows it creates are message-only windows, which
// are never on the screen, never active and never enumerated, and which own
// nothing; whether one counts as shown or minimised is kept for its driver. Every
// other call, on any other window, is the desktop's own.
Windows& unseenWindows();

}  // namespace os::win32
