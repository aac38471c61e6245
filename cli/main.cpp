// spanfinder: the command-line front end. Subcommands register themselves here.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>

#include "cli/command.h"

int main(int argc, char** argv) {
  CLI::App app{"Spanfinder: free memory address space for Nordvale boards (KA10, KB20, KB40).", "spanfinder"};
  app.require_subcommand(1, 1);
  cli::Dispatch dispatch;
  cli::addAnalyzeCommand(app, dispatch);
  cli::addSearchCommand(app, dispatch);
  cli::addReportCommand(app, dispatch);
  cli::addMachinesCommand(app, dispatch);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "spanfinder: %s\n", e.what());
    return cli::kExitUsage;
  }
  try {
    return dispatch.run ? dispatch.run() : cli::kExitUsage;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "spanfinder: %s\n", e.what());
    return cli::kExitFailed;
  }
}
