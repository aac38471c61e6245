// spanfinder machines: the example machines the tool carries.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <variant>

#include "cli/sim/machine_commands.h"
#include "sim/example_machines.h"
#include "sim/profile.h"

namespace cli {
namespace {

int runMachines() {
  std::size_t width = 0;
  for (const sim::ExampleMachine& e : sim::exampleMachines()) width = std::max(width, e.name.size());
  for (const sim::ExampleMachine& e : sim::exampleMachines()) {
    const auto parsed = sim::parseProfile(e.json);
    const auto* profile = std::get_if<sim::MachineProfile>(&parsed);
    std::printf("%-*.*s  %s\n", static_cast<int>(width), static_cast<int>(e.name.size()), e.name.data(),
                profile ? profile->description.c_str() : "(profile not valid)");
  }
  return kExitDone;
}

}  // namespace

void addMachinesCommand(CLI::App& app, Dispatch& dispatch) {
  CLI::App* sub = app.add_subcommand(
      "machines", "List the example machines the tool carries (use a name with --machine).");
  sub->callback([&dispatch] { dispatch.run = [] { return runMachines(); }; });
}

}  // namespace cli
