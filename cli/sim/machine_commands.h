#pragma once
// The commands about the simulated machines, which only the native build has.
#include "cli/command.h"

namespace cli {

void addReportCommand(CLI::App& app, Dispatch& dispatch);
void addMachinesCommand(CLI::App& app, Dispatch& dispatch);

}  // namespace cli
