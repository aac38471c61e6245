// spanfinder analyze: the engine steps of the Search on a saved system report.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "cli/analysis_output.h"
#include "cli/analysis_run.h"
#include "cli/command.h"
#include "os/platform.h"
#include "os/posix/host.h"
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
// current directory. A directory too long for the program's 260-unit buffer is
// passed on whole, so that the INI path does not open and the failure is
// reported, rather than an empty directory sending the file to the root.
std::u16string iniDirectory(const std::string& option) {
  std::string dir = option.empty() ? std::filesystem::current_path().string() : option;
  dir = std::filesystem::absolute(dir).lexically_normal().string();
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return os::fromUtf8(dir);
}

int usage(const std::string& reason) {
  std::fprintf(stderr, "spanfinder analyze: %s\n", reason.c_str());
  return kExitUsage;
}

int runAnalyze(const AnalyzeOptions& o) {
  AnalysisRequest request;
  static const std::pair<const char*, analysis::Board> kBoards[] = {
      {"KA10", analysis::Board::KA10}, {"KB20", analysis::Board::KB20}, {"KB40", analysis::Board::KB40}};
  std::string board, upper = o.board;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const auto& [name, value] : kBoards)
    if (upper == name) board = name, request.board = value;
  if (board.empty()) return usage("--board must be KA10, KB20 or KB40, not '" + o.board + "'");
  const auto memory = parseAddress(o.memoryAddress);
  if (!memory) return usage("--memory-address is not a 32-bit hexadecimal number: '" + o.memoryAddress + "'");
  request.memoryAddress = *memory;
  if (o.ioGiven) {
    request.ioAddress = parseAddress(o.ioAddress);
    if (!request.ioAddress) return usage("--io-address is not a 32-bit hexadecimal number: '" + o.ioAddress + "'");
  }
  resources::Language language = resources::languageFor(os::platform().system->userInterfaceLanguage());
  if (o.language == "en") language = resources::Language::English;
  else if (o.language == "ja") language = resources::Language::Japanese;
  else if (!o.language.empty()) return usage("--language must be en or ja, not '" + o.language + "'");
  request.reportPath = os::fromUtf8(o.report);
  request.sizeText = os::fromUtf8(o.size);

  ConsoleHost host(request.board, language, iniDirectory(o.iniDir));
  const auto printer = o.json ? jsonPrinter(board, request.ioAddress.has_value()) : textPrinter();
  const AnalysisOutcome out = runAnalysis(request, host, os::hostFiles(),
                                          [&printer](const AnalysisOutcome& sofar, const Block& block) {
                                            printer->block(sofar, block);
                                          });
  printer->finish(out);
  return out.completed ? kExitDone : kExitFailed;
}

}  // namespace

void addAnalyzeCommand(CLI::App& app, Dispatch& dispatch) {
  auto options = std::make_shared<AnalyzeOptions>();
  CLI::App* sub = app.add_subcommand(
      "analyze",
      "Analyse a saved system report offline: the board's I/O and memory windows, the free blocks of the "
      "requested size, and the board's INI file.");
  sub->add_option("REPORT", options->report, "The system report (UTF-16 text as the system-information tool writes it)")
      ->required();
  sub->add_option("--board", options->board, "KA10, KB20 or KB40")->required();
  sub->add_option("--memory-address", options->memoryAddress, "The board memory address (hexadecimal)")->required();
  CLI::Option* io =
      sub->add_option("--io-address", options->ioAddress, "The board I/O address (hexadecimal); checks the I/O window");
  sub->add_option("--size", options->size, "Requested size, read as the Space Size box reads it (default 600000)");
  sub->add_option("--language", options->language, "en or ja (default: the environment's language)");
  sub->add_option("--ini-dir", options->iniDir, "Where KB20.ini or KB40.ini is written (default: the current directory)");
  sub->add_flag("--json", options->json, "Print one JSON object instead of text");
  sub->callback([&dispatch, options, io] {
    options->ioGiven = io->count() > 0;
    dispatch.run = [options] { return runAnalyze(*options); };
  });
}

}  // namespace cli
