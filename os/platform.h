#pragma once
// The process-wide set of operating-system facilities. The Windows build installs
// the Win32 adapters; the native build starts with the host file system and
// host facts, and a simulated machine installs itself over them. A facility that
// no back end provides is the interface's base class, whose calls all fail, so
// code never meets a null facility.
//
// Code that can take its facilities as constructor arguments does; the library,
// whose exports are plain functions, reaches them here.
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

namespace os {

struct Platform {
  Files* files = nullptr;
  SystemInfo* system = nullptr;
  Processes* processes = nullptr;
  Modules* modules = nullptr;
  NamedObjects* objects = nullptr;
  Clock* clock = nullptr;
  Services* services = nullptr;
  DeviceIo* devices = nullptr;
  DeviceSetup* setup = nullptr;
  Threads* threads = nullptr;
  VersionInfo* versions = nullptr;
  Windows* windows = nullptr;
};

// The facilities in use. Every member is non-null.
const Platform& platform();

// Installs facilities; null members take the back end's defaults. Call at start-up
// (or at the start of a test), before any code uses the facilities.
void installPlatform(const Platform& facilities);

// Whether facilities have been installed (an installation of nothing but null
// members puts the defaults back and counts as none).
bool platformInstalled();

// given, with each null member taken from fallback.
Platform completed(const Platform& given, const Platform& fallback);

// The back end's own defaults (Win32 adapters, or the native host ones).
Platform defaultPlatform();

}  // namespace os
