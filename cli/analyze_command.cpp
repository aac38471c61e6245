// spanfinder analyze: the engine steps of the Search on a saved system report.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "cli/analysis_output.h"
#include "cli/analysis_run.h"
#include "cli/choices.h"
#include "cli/html_output.h"
#include "cli/command.h"
#include "cli/output_place.h"
#include "cli/report_file.h"
#include "cli/report_headings.h"
#include "os/platform.h"
#include "os/text.h"

namespace cli {
namespace {

struct AnalyzeOptions {
  std::string report;
  std::string board;
  std::string memoryAddress;
  std::string ioAddress;
  bool ioGiven = false;
  std::string size = "600000";
  std::string language;
  std::string iniDir;
  bool json = false;
  bool allBlocks = false;
  std::string html;
};

// A command-line address: hexadecimal, with or without 0x, at most 32 bits
// (leading zeros do not count against them).
std::optional<std::uint32_t> parseAddress(const std::string& text) {
  std::string digits = text;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits = digits.substr(2);
  if (digits.empty() || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return std::nullopt;
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
  if (digits.size() > 8) return std::nullopt;
  return static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16));
}

// The directory the INI file goes to: --ini-dir made absolute, else the process's
// current directory; empty when that is needed and gone, which the engine takes
// as a directory it cannot create the file in. A directory too long for the
// program's 260-unit buffer is passed on whole, so that the INI path does not
// open and the failure is reported, rather than sending the file to the root.
// The option and the path are UTF-8 (char8_t) to the file system on every host.
std::u16string iniDirectory(const std::string& option) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path dir = option.empty() ? fs::current_path(ec) : fs::path(std::u8string(option.begin(), option.end()));
  if (!ec && dir.is_relative()) dir = fs::absolute(dir, ec);
  if (ec || dir.empty()) return {};
  dir = dir.lexically_normal();
  while (dir.has_relative_path() && dir.filename().empty()) dir = dir.parent_path();  // no trailing separator
  const std::u8string text = dir.u8string();
  return os::fromUtf8(std::string(text.begin(), text.end()));
}

int usage(const std::string& reason) {
  std::fprintf(stderr, "spanfinder: %s\n", reason.c_str());
  return kExitUsage;
}

int runAnalyze(const AnalyzeOptions& o) {
  AnalysisRequest request;
  request.board = kBoards.at(o.board);
  const auto memory = parseAddress(o.memoryAddress);
  if (!memory) return usage("--memory-address: not a 32-bit hexadecimal number: '" + o.memoryAddress + "'");
  request.memoryAddress = *memory;
  if (o.ioGiven) {
    request.ioAddress = parseAddress(o.ioAddress);
    if (!request.ioAddress) return usage("--io-address: not a 32-bit hexadecimal number: '" + o.ioAddress + "'");
  }
  if (!o.html.empty())
    if (const auto problem = outputFileProblem("--html " + o.html, o.html)) return usage(*problem);
  if (!o.iniDir.empty())
    if (const auto problem = outputFolderProblem("--ini-dir " + o.iniDir, o.iniDir)) return usage(*problem);
  std::string unreadable;
  const auto report = ReportFile::open(o.report, unreadable);
  if (!report) return usage(unreadable);
  request.reportPath = report->path();
  request.sizeText = os::fromUtf8(o.size);

  // As the program does, an explicit language is that of the messages and of the
  // headings alike; without one the messages follow the environment and the
  // headings the report.
  os::Files& files = *os::platform().files;
  const std::optional<resources::Language> given =
      o.language.empty() ? std::nullopt : std::optional(kLanguages.at(o.language));
  const resources::Language messages =
      given.value_or(resources::languageFor(os::platform().system->userInterfaceLanguage()));
  const resources::Language headings = given.value_or(reportHeadingLanguage(files, request.reportPath).value_or(messages));

  ConsoleHost host(request.board, messages, headings, iniDirectory(o.iniDir));
  const auto printer = o.json ? jsonPrinter(o.board, request.ioAddress.has_value())
                              : textPrinter({request.ioAddress.has_value(), o.allBlocks});
  std::vector<Block> blocks;  // for the page: one Search lists at most 4,096
  const AnalysisOutcome out = runAnalysis(request, host, files, [&](const AnalysisOutcome& sofar, const Block& block) {
    printer->block(sofar, block);
    if (!o.html.empty()) blocks.push_back(block);
  });
  printer->finish(out);
  if (!o.html.empty()) {
    const HtmlRequest page{o.html,         messages, headings, request.board, report->name(), request.reportPath, {},
                           BoardReading{request.memoryAddress, request.ioAddress}};
    if (const auto problem = writeHtmlReport(page, files, out, std::move(blocks))) {
      std::fprintf(stderr, "spanfinder: %s\n", problem->c_str());
      return kExitFailed;
    }
  }
  if (!out.completed) return kExitFailed;
  if (endedWithoutMemoryWindow(out)) {
    const std::string reason = noMemoryWindowReason(files, request.reportPath, headings, request.memoryAddress);
    std::fprintf(stderr, "spanfinder: %s: %s\n", report->name().c_str(), reason.c_str());
    return kExitFailed;
  }
  return kExitDone;
}

}  // namespace

void addAnalyzeCommand(CLI::App& app, Dispatch& dispatch) {
  auto options = std::make_shared<AnalyzeOptions>();
  CLI::App* sub = app.add_subcommand(
      "analyze",
      "Analyse a saved system report offline: the board's I/O and memory windows, the free blocks of the "
      "requested size, and the board's INI file.");
  sub->add_option("REPORT", options->report,
                  "The system report (UTF-16 text as the system-information tool writes it); - for standard input")
      ->required();
  sub->add_option("--board", options->board, "The board model (any case)")
      ->required()
      ->transform(CLI::IsMember(kBoards, CLI::ignore_case));
  sub->add_option("--memory-address", options->memoryAddress, "The board memory address (hexadecimal)")->required();
  CLI::Option* io =
      sub->add_option("--io-address", options->ioAddress, "The board I/O address (hexadecimal); checks the I/O window");
  sub->add_option("--size", options->size, "Requested size, read as the Space Size box reads it (default 600000)");
  sub->add_option("--language", options->language,
                  "The language of the messages and of the report headings looked for (any case; default: "
                  "messages in the environment's language, headings in the report's)")
      ->transform(CLI::IsMember(kLanguages, CLI::ignore_case));
  sub->add_option("--ini-dir", options->iniDir, "Where KB20.ini or KB40.ini is written (default: the current directory)");
  sub->add_flag("--all", options->allBlocks, "Print every block line (text prints the first 100)");
  sub->add_flag("--json", options->json, "Print one JSON object instead of text");
  sub->add_option("--html", options->html, "Also write a one-page HTML report with maps of the windows to FILE");
  sub->callback([&dispatch, options, io] {
    options->ioGiven = io->count() > 0;
    dispatch.run = [options] { return runAnalyze(*options); };
  });
}

}  // namespace cli
