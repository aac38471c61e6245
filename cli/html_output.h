#pragma once
// --html FILE on analyze and search: the blocks kept as they come, and once the
// analysis has ended, the page built from the outcome, with the windows read
// from the report the engine read, written to FILE whole or not at all.
#include <optional>
#include <string>
#include <vector>

#include "cli/analysis_run.h"
#include "cli/html_page.h"
#include "os/files.h"

namespace cli {

struct HtmlRequest {
  std::string file;            // where the page goes
  resources::Language messages = resources::Language::English;  // the page's language
  resources::Language headings = resources::Language::English;  // looked for in the report
  analysis::Board board = analysis::Board::KB20;
  std::string source;          // what the page is about (a report, a machine)
  std::u16string reportPath;   // as the engine opened it through files
  std::optional<BoardLocation> location;
  BoardReading addresses;      // given on the command line (a Search's own reading wins)
};

// Builds the page and writes it; an error line when the file could not be written.
std::optional<std::string> writeHtmlReport(const HtmlRequest& request, os::Files& files, const AnalysisOutcome& out,
                                           std::vector<Block> blocks);

}  // namespace cli
