// The native library on its own: when the loading process installed no machine,
// the standalone machine library (libspanfinder_standalone.so, beside this
// library) builds the one SPANFINDER_MACHINE names and installs it.
#include "cfgprobe/host_machine.h"

#include <dlfcn.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "os/platform.h"

namespace cfgprobe {
namespace {

std::string folderOfThisLibrary() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&adoptHostMachine), &info) == 0 || !info.dli_fname) return {};
  const std::string path = info.dli_fname;
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

void adoptHostMachine() {
  static std::atomic<bool> tried{false};
  if (os::platformInstalled() || tried.exchange(true)) return;
  const std::string file = folderOfThisLibrary() + "libspanfinder_standalone.so";
  void* machine = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!machine) {  // no machine: the calls fail as on a PC without the driver, and the process is told why
    const char* why = ::dlerror();
    std::fprintf(stderr,
                 "spanfinder: %s cannot be loaded (%s): libCfgprobe64.so has no machine to run on; copy "
                 "libspanfinder_standalone.so and libspanfinder_os.so beside it\n",
                 file.c_str(), why ? why : "no reason given");
    return;
  }
  using Adopt = int (*)();
  if (const auto adopt = reinterpret_cast<Adopt>(::dlsym(machine, "spanfinder_adopt_machine"))) adopt();
  // The library stays loaded: the machine it installed lives in it.
}

}  // namespace cfgprobe
