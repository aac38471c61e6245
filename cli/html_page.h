#pragma once
// The one-page HTML report of an analysis or a Search: maps of the memory window
// and the I/O window drawn to scale, the tables behind them, the messages and the
// INI file. The page is self-contained (inline CSS and SVG, no script, nothing
// fetched) and in the language of the messages.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/analysis_run.h"
#include "cli/window_map.h"
#include "resources/messages.h"

namespace cli {

// What a Search on a machine adds: where the board sits and the registers read.
struct BoardLocation {
  std::string location;  // "bus 3, device 0, function 0", or empty when not known
  std::uint8_t baseRegisterOffset = 0x10;
  std::optional<std::uint32_t> baseRegister, ioRegister;
};

struct HtmlPage {
  resources::Language language = resources::Language::English;
  std::string board;   // KA10, KB20 or KB40
  std::string source;  // the report or the machine the page is about
  const AnalysisOutcome* outcome = nullptr;
  std::vector<Block> blocks;  // every block listed, in listing order
  std::optional<WindowMap> memory, io;
  std::vector<std::string> problemLines;  // of the board's devices
  std::optional<std::string> iniText;     // the INI file as written, when there is one
  std::optional<BoardLocation> location;  // for a Search
  BoardReading addresses;                 // the board's memory and I/O addresses, as far as known
};

std::string renderHtmlPage(const HtmlPage& page);

// Text made safe for HTML element content and attribute values.
std::string escapeHtml(std::string_view text);

}  // namespace cli
