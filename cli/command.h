#pragma once
// The tool's subcommands. Each adds itself to the application and, once the
// command line has been parsed, leaves the work to run in the dispatch; main
// runs it and returns its exit status.
#include <functional>

namespace CLI {
class App;
}

namespace cli {

// Exit statuses shared by the commands.
constexpr int kExitDone = 0;     // the operation ran to its end
constexpr int kExitFailed = 1;   // a failure message ended it
constexpr int kExitUsage = 2;    // bad usage or an unreadable argument; nothing was done

struct Dispatch {
  std::function<int()> run;
};

void addAnalyzeCommand(CLI::App& app, Dispatch& dispatch);
void addSearchCommand(CLI::App& app, Dispatch& dispatch);
// The SiI3132 commands, through the access library: controllers, link-speed, and
// bios with its subcommands.
void addControllerCommands(CLI::App& app, Dispatch& dispatch);
void addBiosCommand(CLI::App& app, Dispatch& dispatch);
// capture: the machine the library runs on, written as a machine profile.
void addCaptureCommand(CLI::App& app, Dispatch& dispatch);
// The commands about simulated machines (report, machines): those of the native
// build (cli/sim/); the Windows build has none.
void addMachineCommands(CLI::App& app, Dispatch& dispatch);

}  // namespace cli
