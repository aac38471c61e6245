// spanfinder search: the program's own Search, on a simulated machine natively and
// on this PC on Windows (the place, cli/search_place.h).
#include <CLI/CLI.hpp>

#include <cstdio>

#include "app/target_boards.h"
#include "cli/analysis_output.h"
#include "cli/choices.h"
#include "cli/html_output.h"
#include "cli/command.h"
#include "cli/output_place.h"
#include "cli/program_run.h"
#include "cli/report_headings.h"
#include "cli/search_place.h"
#include "os/text.h"

namespace cli {
namespace {

struct SearchOptions {
  std::shared_ptr<SearchPlaceOptions> place;
  std::string board;
  std::string size = "600000";
  bool json = false;
  bool all = false;
  std::string html;
};

std::uint8_t baseRegisterOffset(analysis::Board board) {
  const app::TargetBoard* row = app::targetBoard(board);
  return row ? static_cast<std::uint8_t>(row->baseRegister) : 0x10;
}

int runSearch(const SearchOptions& o) {
  if (!o.html.empty())
    if (const auto problem = outputFileProblem("--html " + o.html, o.html)) {
      std::fprintf(stderr, "spanfinder: %s\n", problem->c_str());
      return kExitUsage;
    }
  const auto place = o.place->open();
  if (!place) return kExitUsage;

  ProgramSearchRequest request;
  request.board = o.board.empty() ? place->defaultBoard() : kBoards.at(o.board);
  request.sizeText = os::fromUtf8(o.size);
  const auto printer =
      o.json ? jsonPrinter(boardName(request.board), true) : textPrinter({.withIo = true, .allBlocks = o.all});
  std::vector<Block> blocks;  // for the page: one Search lists at most 4,096
  ProgramSearchOutcome result = place->search(request, [&](const AnalysisOutcome& sofar, const Block& block) {
    printer->block(sofar, block);
    if (!o.html.empty()) blocks.push_back(block);
  });
  AnalysisOutcome& out = result.analysis;
  out.board = result.board;  // also when the Search never got as far as the board
  if (out.ini) out.ini = place->userPath(*out.ini);
  if (!out.iniPath.empty()) out.iniPath = place->userPath(out.iniPath);
  printer->finish(out);
  if (!o.html.empty()) {
    const BoardLocation location{place->boardLocation(request.board), baseRegisterOffset(request.board),
                                 result.baseRegister, result.board.ioAddress};
    const HtmlRequest page{o.html,         place->language(), place->language(), request.board,
                           place->name(),  result.reportPath, location,          {}};
    if (const auto problem = writeHtmlReport(page, place->files(), out, std::move(blocks))) {
      std::fprintf(stderr, "spanfinder: %s\n", problem->c_str());
      return kExitFailed;
    }
  }
  if (!result.libraryUp && !result.libraryFailure.empty())
    std::fprintf(stderr, "spanfinder: %s\n", result.libraryFailure.c_str());
  if (result.anotherCopyRan)
    std::fprintf(stderr, "spanfinder: the program is running already on this logon: close it, then search again\n");
  if (!out.completed) return kExitFailed;
  if (endedWithoutMemoryWindow(out)) {
    const std::string reason = noMemoryWindowReason(place->files(), result.reportPath, place->language(),
                                                    result.board.memoryAddress.value_or(0));
    std::fprintf(stderr, "spanfinder: %s: %s\n", os::toUtf8(result.reportPath).c_str(), reason.c_str());
    return kExitFailed;
  }
  return kExitDone;
}

}  // namespace

void addSearchCommand(CLI::App& app, Dispatch& dispatch) {
  auto options = std::make_shared<SearchOptions>();
  CLI::App* sub = app.add_subcommand("search", kSearchDescription);
  options->place = addSearchPlaceOptions(*sub);
  sub->add_option("--board", options->board, std::string("The board model, any case (") + kDefaultBoardHelp + ")")
      ->transform(CLI::IsMember(kBoards, CLI::ignore_case));
  sub->add_option("--size", options->size, "Typed into the Space Size box (hexadecimal, default 600000)");
  sub->add_flag("--json", options->json, "Print one JSON object instead of text");
  sub->add_flag("--all", options->all, "Print every block line (text prints the first 100)");
  sub->add_option("--html", options->html, "Also write a one-page HTML report with maps of the windows to FILE");
  sub->callback([&dispatch, options] { dispatch.run = [options] { return runSearch(*options); }; });
}

}  // namespace cli
