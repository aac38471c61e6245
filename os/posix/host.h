#pragma once
// The native back end's own facilities: the host file system (with Windows file
// semantics: exclusive opens, the MAX_PATH limit, backslashes as separators), the
// host's current directory and language, and the host clock.
#include <string>

#include "os/clock.h"
#include "os/files.h"
#include "os/modules.h"
#include "os/system.h"

namespace os {

Files& hostFiles();
// Opens a host path with CreateFile's rules but without the MAX_PATH limit, for
// back ends (such as a simulated drive) that map Windows paths to deeper host folders.
// The handle belongs to hostFiles().
Handle openHostPath(const std::string& hostPath, std::uint32_t access, std::uint32_t share,
                    std::uint32_t disposition);
SystemInfo& hostSystem();
Clock& hostClock();
// The host's own library loader (dlopen): a Windows library name names the shared
// object lib<name>.so beside the running program or in the lib folder next to it.
Modules& hostModules();
// Why the last failed load failed, in the host loader's words; empty after a load
// that succeeded.
std::string hostModulesLastFailure();

// A Windows-style path as the host names it: UTF-8, backslashes turned into slashes.
std::string hostPath(std::u16string_view windowsPath);

}  // namespace os
