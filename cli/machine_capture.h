#pragma once
// Reading a machine for its profile, part by part, through the facilities of the
// place the command runs on (this PC, or a simulated machine) and the access
// library loaded there by name. What cannot be read goes into the notes with why.
#include <functional>

#include "cli/access_library.h"
#include "cli/captured_machine.h"
#include "cli/library_ports.h"
#include "os/platform.h"

namespace cli {

// The Windows folder, version and user-interface language, and the link-speed
// filter drivers in the Windows driver folder.
void captureWindows(const os::Platform& facilities, CapturedMachine& machine);

// Runs the system-information tool with the Search's own command line and reads
// its report: system name, ranges, problem devices and the headings' language.
// Needs the Windows facts.
void captureReport(const os::Platform& facilities, CapturedMachine& machine);

// The controllers the session's search found: place, flash identifier, link
// speeds, BIOS version and date, and how Windows lists each.
void captureControllers(const LibrarySession& session, const os::Platform& facilities, CapturedMachine& machine);

// Every bus, device and function probed through the library's ports; the 64
// registers of each present one. progress is told each bus before it is probed.
// false when every one of them answered, which only reads that fail give.
bool captureFunctions(LibraryPorts& ports, CapturedMachine& machine, const std::function<void(int bus)>& progress);

}  // namespace cli
