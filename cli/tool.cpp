// spanfinder: the command-line front end. Subcommands register themselves here.
#include "cli/tool.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <string>

#include "cli/command.h"

namespace {

// The first word of the command line where a subcommand belongs, when it names
// none: CLI11 would only say that a subcommand is required.
std::string unknownCommand(const CLI::App& app) {
  if (!app.get_subcommands().empty()) return {};
  for (const std::string& word : app.remaining())
    if (!word.empty() && word[0] != '-') return word;
  return {};
}

}  // namespace

namespace cli {

int runTool(int argc, char** argv) {
  CLI::App app{"Spanfinder: free memory address space for Nordvale boards (KA10, KB20, KB40).", "spanfinder"};
  app.require_subcommand(1, 1);
  app.set_version_flag("--version", "spanfinder " SPANFINDER_VERSION);
  Dispatch dispatch;
  addAnalyzeCommand(app, dispatch);
  addSearchCommand(app, dispatch);
  addControllerCommands(app, dispatch);
  addBiosCommand(app, dispatch);
  addMachineCommands(app, dispatch);
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {  // --help, --help-all, --version
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    const std::string unknown = unknownCommand(app);
    if (!unknown.empty())
      std::fprintf(stderr, "spanfinder: unknown command '%s'; see spanfinder --help\n", unknown.c_str());
    else
      std::fprintf(stderr, "spanfinder: %s\n", e.what());
    return kExitUsage;
  }
  try {
    return dispatch.run ? dispatch.run() : kExitUsage;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "spanfinder: %s\n", e.what());
    return kExitFailed;
  }
}

}  // namespace cli
