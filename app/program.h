#pragma once
// The program's start: what the Windows entry point does with the Win32 window
// system and what a native front end does with the headless one.
#include "os/platform.h"
#include "ui/window_system.h"

namespace app {

// Runs Spanfinder on a window system and facilities; returns its exit code.
int runProgram(ui::WindowSystem& windows, const os::Platform& facilities);

}  // namespace app
