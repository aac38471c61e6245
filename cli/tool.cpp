// spanfinder: the command-line front end. Subcommands register themselves here.
#include "cli/tool.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/command.h"

namespace {

// The command given without the subcommand it needs (the tool itself, or one such
// as bios): a line naming the subcommands it has, and the word given in their
// place, if any. Empty when that is not what went wrong.
std::string missingSubcommand(const CLI::App& app) {
  const CLI::App* at = &app;
  while (!at->get_subcommands().empty()) at = at->get_subcommands().front();
  if (at->get_require_subcommand_min() == 0) return {};
  std::vector<std::string> names;
  for (const CLI::App* sub : at->get_subcommands([](const CLI::App*) { return true; }))
    names.push_back(sub->get_name());
  std::string list;
  for (std::size_t i = 0; i < names.size(); ++i)
    list += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
  const std::string prefix = at == &app ? "" : at->get_name() + ": ";
  const std::string help = at == &app ? "spanfinder --help" : "spanfinder " + at->get_name() + " --help";
  for (const std::string& word : at->remaining())
    if (!word.empty() && word[0] != '-')
      return prefix + "unknown command '" + word + "' (the commands: " + list + "); see " + help;
  return prefix + "a command is needed: " + list + "; see " + help;
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
  addCaptureCommand(app, dispatch);
  addMachineCommands(app, dispatch);
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {  // --help, --help-all, --version
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    const std::string missing = missingSubcommand(app);
    if (!missing.empty())
      std::fprintf(stderr, "spanfinder: %s\n", missing.c_str());
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
