// spanfinder search: the program's own Search on a simulated machine.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <tuple>

#include "app/target_boards.h"
#include "cli/analysis_output.h"
#include "cli/choices.h"
#include "cli/html_output.h"
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
  std::string html;
};

// Where a board sits on the machine's bus: the functions its identity and match
// words find, in the order the library's scan meets them (bus, device, function).
std::vector<sim::PciLocation> functionsOf(const sim::MachineProfile& profile, const app::TargetBoard& board) {
  std::vector<sim::PciLocation> found;
  for (const sim::PciFunctionProfile& f : profile.pci) {
    const auto reg = [&f](std::uint8_t offset) {
      const auto it = f.config.find(offset);
      return it == f.config.end() ? 0u : it->second;
    };
    if (reg(0x00) == board.identityWord && (board.matchWord == 0 || reg(0x94) == board.matchWord))
      found.push_back(f.location);
  }
  std::sort(found.begin(), found.end(), [](const sim::PciLocation& a, const sim::PciLocation& b) {
    return std::tie(a.bus, a.device, a.function) < std::tie(b.bus, b.device, b.function);
  });
  return found;
}

const app::TargetBoard& targetBoard(analysis::Board board) {
  for (const app::TargetBoard& b : app::targetBoards())
    if (b.board == board) return b;
  return app::targetBoards()[0];
}

// The board a machine carries, when none is named: the first one the scan meets;
// else the dialog's default, KA10.
analysis::Board boardOnBus(const sim::MachineProfile& profile) {
  std::optional<std::pair<sim::PciLocation, analysis::Board>> first;
  for (const app::TargetBoard& b : app::targetBoards()) {
    const auto found = functionsOf(profile, b);
    if (!found.empty() && (!first || std::tie(found[0].bus, found[0].device, found[0].function) <
                                         std::tie(first->first.bus, first->first.device, first->first.function)))
      first = {found[0], b.board};
  }
  return first ? first->second : analysis::Board::KA10;
}

std::string boardLocation(const sim::MachineProfile& profile, analysis::Board board) {
  const auto found = functionsOf(profile, targetBoard(board));
  if (found.empty()) return {};
  return "bus " + std::to_string(found[0].bus) + ", device " + std::to_string(found[0].device) + ", function " +
         std::to_string(found[0].function);
}

// A path on the machine as the host names it (the INI file lands in the working
// folder behind the program's folder).
std::u16string onHost(sim::Machine& machine, const std::u16string& windowsPath) {
  const auto host = machine.files.toHost(windowsPath);
  return host ? os::fromUtf8(host->string()) : windowsPath;
}

std::uint8_t baseRegisterOffset(analysis::Board board) {
  return static_cast<std::uint8_t>(targetBoard(board).baseRegister);
}

int runSearch(const SearchOptions& o) {
  if (!o.html.empty())
    if (const auto problem = htmlTargetProblem(o.html)) {
      std::fprintf(stderr, "spanfinder: %s\n", problem->c_str());
      return kExitUsage;
    }
  const auto hosted = openMachine(o.machine);
  if (!hosted) return kExitUsage;
  sim::Machine& machine = hosted->machine();

  ProgramSearchRequest request;
  request.board = o.board.empty() ? boardOnBus(hosted->profile()) : kBoards.at(o.board);
  request.sizeText = os::fromUtf8(o.size);
  const auto printer =
      o.json ? jsonPrinter(boardName(request.board), true) : textPrinter({.withIo = true, .allBlocks = o.all});
  std::vector<Block> blocks;  // for the page: one Search lists at most 4,096
  ProgramSearchOutcome result = runProgramSearch(machine, request, [&](const AnalysisOutcome& sofar, const Block& block) {
    printer->block(sofar, block);
    if (!o.html.empty()) blocks.push_back(block);
  });
  AnalysisOutcome& out = result.analysis;
  out.board = result.board;  // also when the Search never got as far as the board
  if (out.ini) out.ini = onHost(machine, *out.ini);
  if (!out.iniPath.empty()) out.iniPath = onHost(machine, out.iniPath);
  printer->finish(out);
  if (!o.html.empty()) {
    const auto language = resources::languageFor(machine.facts.language);
    const BoardLocation location{boardLocation(hosted->profile(), request.board), baseRegisterOffset(request.board),
                                 result.baseRegister, result.board.ioAddress};
    const std::string source = "spanfinder search --machine " + (o.machine.machine.empty() ? "demo" : o.machine.machine);
    const HtmlRequest page{o.html, language, language, request.board, source, result.reportPath, location, {}};
    if (const auto problem = writeHtmlReport(page, machine.files, out, std::move(blocks))) {
      std::fprintf(stderr, "spanfinder: %s\n", problem->c_str());
      return kExitFailed;
    }
  }
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
  sub->add_option("--html", options->html, "Also write a one-page HTML report with maps of the windows to FILE");
  sub->callback([&dispatch, options] { dispatch.run = [options] { return runSearch(*options); }; });
}

}  // namespace cli
