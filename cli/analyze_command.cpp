// spanfinder analyze: the engine steps of the Search on a saved system report.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

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

std::string hex8(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

std::string hexShort(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
  return text;
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

void printText(const AnalysisOutcome& out) {
  if (out.memoryWindow) {
    std::printf("Start: %s\nEnd: %s\n", hexShort(out.memoryWindow->start).c_str(),
                hexShort(out.memoryWindow->end).c_str());
  }
  for (const Block& b : out.blocks) std::printf("%s-%s\n", hex8(b.start).c_str(), hex8(b.end).c_str());
  if (out.ini) std::printf("INI: %s\n", os::hostPath(*out.ini).c_str());
  std::fflush(stdout);
  for (const ShownMessage& m : out.messages) {
    std::FILE* stream = m.dialog ? stdout : stderr;
    std::fprintf(stream, "%u: %s\n", static_cast<unsigned>(m.id), os::toUtf8(m.text).c_str());
    std::fflush(stream);
  }
}

nlohmann::ordered_json windowJson(const std::optional<Window>& w) {
  if (!w) return nullptr;
  return {{"start", hex8(w->start)}, {"end", hex8(w->end)}};
}

void printJson(const AnalysisOutcome& out, const std::string& board, bool withIo) {
  nlohmann::ordered_json j;
  j["board"] = board;
  if (withIo) j["ioWindow"] = windowJson(out.ioWindow);
  j["memoryWindow"] = windowJson(out.memoryWindow);
  j["blocks"] = nlohmann::ordered_json::array();
  for (const Block& b : out.blocks) j["blocks"].push_back({{"start", hex8(b.start)}, {"end", hex8(b.end)}});
  j["ini"] = out.ini ? nlohmann::ordered_json(os::hostPath(*out.ini)) : nlohmann::ordered_json(nullptr);
  j["messages"] = nlohmann::ordered_json::array();
  for (const ShownMessage& m : out.messages) j["messages"].push_back({{"id", m.id}, {"text", os::toUtf8(m.text)}});
  std::cout << j.dump(2) << std::endl;
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
  const AnalysisOutcome out = runAnalysis(request, host, os::hostFiles());
  if (o.json) printJson(out, board, request.ioAddress.has_value());
  else printText(out);
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
