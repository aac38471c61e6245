// libspanfinder_standalone.so: the simulated machine of a process that loads the
// native access library without bringing a machine of its own. It is built from
// the profile SPANFINDER_MACHINE names (a file or an example's name; the demo
// machine when unset), keeps its state in SPANFINDER_STATE (else the profile's
// default state folder), and runs the program's folder in the process's working
// folder, with Cfgprobe64.sys beside it. Its state beyond its drives is saved when
// the process ends.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "sim/hosted_machine.h"
#include "sim/profile_source.h"

namespace {

// The machine lives until the process ends; what its chips, device settings and
// services then hold is kept for the next program, as the tool keeps it.
struct AdoptedMachine {
  std::unique_ptr<sim::HostedMachine> machine;
  ~AdoptedMachine() {
    if (!machine) return;
    machine->machine().threads.joinAll();
    if (const auto problem = machine->saveState()) std::fprintf(stderr, "spanfinder: %s\n", problem->c_str());
  }
  explicit operator bool() const { return machine != nullptr; }
  sim::HostedMachine* operator->() const { return machine.get(); }
};

AdoptedMachine adopted;

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

int refuse(const std::string& problem) {
  std::fprintf(stderr, "spanfinder: %s\n", problem.c_str());
  return 0;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int spanfinder_adopt_machine() {
  if (adopted) return 1;
  auto loaded = sim::loadProfile(environment("SPANFINDER_MACHINE"));
  if (auto* problem = std::get_if<std::string>(&loaded)) return refuse("SPANFINDER_MACHINE: " + *problem);
  const auto& named = std::get<sim::NamedProfile>(loaded);
  sim::HostedMachineSetup setup;
  if (const std::string state = environment("SPANFINDER_STATE"); !state.empty()) {
    setup.stateFolder = state;
  } else if (const auto folder = sim::defaultStateFolder(named.id)) {
    setup.stateFolder = *folder;
    setup.ownPlace = true;
  } else {
    return refuse("no state folder: set SPANFINDER_STATE, XDG_STATE_HOME or HOME");
  }
  std::error_code ec;
  setup.workingFolder = std::filesystem::current_path(ec);
  if (ec) return refuse("the working folder cannot be read: " + ec.message());
  auto opened = sim::HostedMachine::open(named.profile, setup);
  if (auto* problem = std::get_if<std::string>(&opened)) return refuse(*problem);
  adopted.machine = std::move(std::get<std::unique_ptr<sim::HostedMachine>>(opened));
  adopted->machine().install();
  return 1;
}
