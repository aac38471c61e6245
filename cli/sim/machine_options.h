#pragma once
// The options that pick a simulated machine, shared by the commands that run one:
// --machine (a profile file or an example's name; the demo machine by default),
// --state (the folder its drives live in), --reset and --language.
#include <memory>
#include <string>

#include "sim/hosted_machine.h"

namespace CLI {
class App;
}

namespace cli {

struct MachineOptions {
  std::string machine;
  std::string state;
  bool reset = false;
  std::string language;  // en or ja: the machine's Windows language (empty: the profile's)
};

// withLanguage: the command's output follows the machine's Windows language.
void addMachineOptions(CLI::App& command, MachineOptions& options, bool withLanguage = true);

// The machine the options name, or nullptr after one line on stderr saying what
// is wrong (the profile file and key, the state folder, the language).
std::unique_ptr<sim::HostedMachine> openMachine(const MachineOptions& options);

}  // namespace cli
