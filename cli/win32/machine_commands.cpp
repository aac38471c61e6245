#include "cli/command.h"

namespace cli {

// A PC has no simulated machines, so none of their commands.
void addMachineCommands(CLI::App&, Dispatch&) {}

}  // namespace cli
