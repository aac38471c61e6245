// spanfinder search: the program's own Search on a simulated machine.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "app/target_boards.h"
#include "cli/analysis_output.h"
#include "cli/choices.h"
#include "cli/command.h"
#include "cli/machine_options.h"
#include "cli/program_run.h"
#include "cli/report_headings.h"
#include "os/text.h"

namespace cli {
namespace {

struct SearchOptions {
  MachineOptions machine;
  std::string board;
  std::string size = "600000";
  bool json = false;
  bool all = false;
};

// The board a machine carries, when none is named: the first function on its bus
// that one of the boards' identity and match words finds; else the dialog's
// default, KA10.
analysis::Board boardOnBus(const sim::MachineProfile& profile) {
  for (const sim::PciFunctionProfile& f : profile.pci) {
    const auto reg = [&f](std::uint8_t offset) {
      const auto it = f.config.find(offset);
      return it == f.config.end() ? 0u : it->second;
    };
    for (const app::TargetBoard& b : app::targetBoards())
      if (reg(0x00) == b.identityWord && (b.matchWord == 0 || reg(0x94) == b.matchWord)) return b.board;
  }
  return analysis::Board::KA10;
}

// A path on the machine as the host names it (the INI file lands in the working
// folder behind the program's folder).
std::u16string onHost(sim::Machine& machine, const std::u16string& windowsPath) {
  const auto host = machine.files.toHost(windowsPath);
  return host ? os::fromUtf8(host->string()) : windowsPath;
}

int runSearch(const SearchOptions& o) {
  const auto hosted = openMachine(o.machine);
  if (!hosted) return kExitUsage;
  sim::Machine& machine = hosted->machine();

  ProgramSearchRequest request;
  request.board = o.board.empty() ? boardOnBus(hosted->profile()) : kBoards.at(o.board);
  request.sizeText = os::fromUtf8(o.size);
  const auto printer =
      o.json ? jsonPrinter(boardName(request.board), true) : textPrinter({.withIo = true, .allBlocks = o.all});
  ProgramSearchOutcome result = runProgramSearch(
      machine, request, [&](const AnalysisOutcome& sofar, const Block& block) { printer->block(sofar, block); });
  AnalysisOutcome& out = result.analysis;
  out.board = result.board;  // also when the Search never got as far as the board
  if (out.ini) out.ini = onHost(machine, *out.ini);
  if (!out.iniPath.empty()) out.iniPath = onHost(machine, out.iniPath);
  printer->finish(out);
  if (!result.libraryUp && !result.libraryFailure.empty())
    std::fprintf(stderr, "spanfinder: the access library did not load: %s\n", result.libraryFailure.c_str());
  if (!out.completed) return kExitFailed;
  if (endedWithoutMemoryWindow(out)) {
    const auto language = resources::languageFor(machine.facts.language);
    const std::string reason =
        noMemoryWindowReason(machine.files, result.reportPath, language, result.board.memoryAddress.value_or(0));
    std::fprintf(stderr, "spanfinder: %s: %s\n", os::toUtf8(result.reportPath).c_str(), reason.c_str());
    return kExitFailed;
  }
  return kExitDone;
}

}  // namespace

void addSearchCommand(CLI::App& app, Dispatch& dispatch) {
  auto options = std::make_shared<SearchOptions>();
  CLI::App* sub = app.add_subcommand(
      "search",
      "Run the program's Search on a simulated machine: find the board on its PCI bus, have its "
      "system-information tool write a report, list the free blocks and write the board's INI file "
      "into the current directory.");
  addMachineOptions(*sub, options->machine, true);
  sub->add_option("--board", options->board, "The board model, any case (default: the board on the machine's bus)")
      ->transform(CLI::IsMember(kBoards, CLI::ignore_case));
  sub->add_option("--size", options->size, "Typed into the Space Size box (hexadecimal, default 600000)");
  sub->add_flag("--json", options->json, "Print one JSON object instead of text");
  sub->add_flag("--all", options->all, "Print every block line (text prints the first 100)");
  sub->callback([&dispatch, options] { dispatch.run = [options] { return runSearch(*options); }; });
}

}  // namespace cli
