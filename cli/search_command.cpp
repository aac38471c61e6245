// spanfinder search: the program's own Search on a simulated machine.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "app/target_boards.h"
#include "cli/analysis_output.h"
#include "cli/board_option.h"
#include "cli/command.h"
#include "cli/machine_options.h"
#include "cli/program_run.h"
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

int usage(const std::string& reason) {
  std::fprintf(stderr, "spanfinder: search: %s\n", reason.c_str());
  return kExitUsage;
}

int runSearch(const SearchOptions& o) {
  std::optional<analysis::Board> board;
  if (!o.board.empty() && !(board = parseBoard(o.board)))
    return usage("--board must be KA10, KB20 or KB40, not '" + o.board + "'");
  const auto hosted = openMachine(o.machine);
  if (!hosted) return kExitUsage;
  sim::Machine& machine = hosted->machine();

  ProgramSearchRequest request;
  request.board = board ? *board : boardOnBus(hosted->profile());
  request.sizeText = os::fromUtf8(o.size);
  const auto printer = o.json ? jsonPrinter(boardName(request.board), true) : textPrinter();
  ProgramSearchOutcome result = runProgramSearch(
      machine, request, [&printer](const AnalysisOutcome& sofar, const Block& block) { printer->block(sofar, block); });
  AnalysisOutcome& out = result.analysis;
  out.board = result.board;
  if (out.ini) {
    const auto host = machine.files.toHost(*out.ini);
    out.ini = host ? os::fromUtf8(host->string()) : out.ini;
  }
  printer->finish(out);
  if (!result.libraryUp && !result.libraryFailure.empty())
    std::fprintf(stderr, "spanfinder: the access library did not load: %s\n", result.libraryFailure.c_str());
  return out.completed ? kExitDone : kExitFailed;
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
  sub->add_option("--board", options->board, "KA10, KB20 or KB40 (default: the board on the machine's bus)");
  sub->add_option("--size", options->size, "Typed into the Space Size box (hexadecimal, default 600000)");
  sub->add_flag("--json", options->json, "Print one JSON object instead of text");
  sub->add_flag("--all", options->all, "Print every block line, however many");
  sub->callback([&dispatch, options] { dispatch.run = [options] { return runSearch(*options); }; });
}

}  // namespace cli
