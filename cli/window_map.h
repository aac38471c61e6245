#pragma once
// What a window of the report holds, for showing it: the rows of its section that
// lie inside it with their device names, how they nest, and the holes between the
// rows that take room, walked as the engine walks them. The report is read with
// the engine's own scan and line parser, so the map shows what the engine used.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/engine_host.h"
#include "analysis/report_scan.h"
#include "cli/analysis_run.h"
#include "os/files.h"
#include "resources/messages.h"

namespace cli {

struct NamedRange {
  std::uint32_t start = 0, end = 0;
  std::string device;    // as the report names it (UTF-8)
  int depth = 0;         // how many other rows of the window hold it
  bool counted = false;  // takes room: the holes are cut around it
};

struct WindowMap {
  Window window;
  std::optional<Window> inner;   // the memory window's inner window
  std::vector<NamedRange> rows;  // the rows inside the window, by start (outer rows first)
  std::vector<Window> holes;     // the free holes between the counted rows, in address order
};

// section is Memory or Io; inner only for the memory window.
WindowMap readWindowMap(os::Files& files, const std::u16string& reportPath, resources::Language headings,
                        analysis::Section section, Window window, std::optional<Window> inner = std::nullopt);

// The lines of the problem-device section that name one of the board's devices.
std::vector<std::string> problemLinesNaming(os::Files& files, const std::u16string& reportPath,
                                            resources::Language headings, analysis::Board board);

}  // namespace cli
