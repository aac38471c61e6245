#include "cli/sim/machine_options.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "cli/choices.h"
#include "sim/profile_source.h"

namespace cli {
namespace {

std::nullptr_t refuse(const std::string& problem) {
  std::fprintf(stderr, "spanfinder: %s\n", problem.c_str());
  return nullptr;
}

// The host folder the program's folder stands for: the working folder. One that
// no longer exists is still named (through the process's own link to it), so
// that what is written there fails as writing to a vanished folder does.
std::filesystem::path workingFolder() {
  std::error_code ec;
  const auto folder = std::filesystem::current_path(ec);
  return ec ? std::filesystem::path("/proc/self/cwd") : folder;
}

}  // namespace

void addMachineOptions(CLI::App& command, MachineOptions& options, bool withLanguage) {
  command.add_option("--machine", options.machine,
                     "A machine profile (.json file) or the name of an example machine (default: demo)");
  command.add_option("--state", options.state,
                     "The folder the machine's drives live in: a new or empty one, which the tool marks as its own, "
                     "or one it marked before (default: one per profile under $XDG_STATE_HOME/spanfinder)");
  command.add_flag("--reset", options.reset,
                   "Start the machine's state again from its profile: empties the state folder (only one this "
                   "tool made)");
  if (!withLanguage) return;
  command.add_option("--language", options.language,
                     "The machine's Windows language, which the program's messages and the report follow: en or ja "
                     "(any case; default: the profile's)")
      ->transform(CLI::IsMember(kLanguages, CLI::ignore_case));
}

std::unique_ptr<sim::HostedMachine> openMachine(const MachineOptions& options) {
  auto loaded = sim::loadProfile(options.machine);
  if (auto* problem = std::get_if<std::string>(&loaded)) return refuse(*problem);
  sim::NamedProfile& named = std::get<sim::NamedProfile>(loaded);
  if (!options.language.empty())
    named.profile.windows.language = kLanguages.at(options.language) == resources::Language::Japanese
                                         ? sim::ReportLanguage::Japanese
                                         : sim::ReportLanguage::English;
  sim::HostedMachineSetup setup;
  setup.reset = options.reset;
  setup.workingFolder = workingFolder();
  if (!options.state.empty()) {
    setup.stateFolder = options.state;
  } else if (const auto folder = sim::defaultStateFolder(named.id)) {
    setup.stateFolder = *folder;
    setup.ownPlace = true;
  } else {
    return refuse("no state folder for " + named.name + ": give --state, or set XDG_STATE_HOME or HOME");
  }
  auto opened = sim::HostedMachine::open(named.profile, setup);
  if (auto* problem = std::get_if<std::string>(&opened)) return refuse(*problem);
  return std::move(std::get<std::unique_ptr<sim::HostedMachine>>(opened));
}

}  // namespace cli
