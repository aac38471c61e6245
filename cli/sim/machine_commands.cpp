#include "cli/sim/machine_commands.h"

namespace cli {

void addMachineCommands(CLI::App& app, Dispatch& dispatch) {
  addReportCommand(app, dispatch);
  addMachinesCommand(app, dispatch);
}

}  // namespace cli
