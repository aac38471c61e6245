#pragma once
// The SVG drawings of a window: its rows nested in their parents, the holes, the
// blocks (the active one marked) and the board's address, to scale, and below
// them a strip not to scale in which every row and hole has room for its label.
#include <optional>
#include <string>
#include <vector>

#include "cli/window_map.h"

namespace cli {

struct MapLabels {
  std::string hole, block, activeBlock, board, room, notToScale;
};

struct MapMarks {
  std::vector<Block> blocks;
  bool firstBlockActive = false;
  std::optional<std::uint32_t> boardAddress;
  std::optional<std::uint32_t> roomNeeded;  // holes with this much room in whole pages are marked
};

std::string windowMapSvg(const WindowMap& map, const MapMarks& marks, const MapLabels& labels);
std::string windowStripSvg(const WindowMap& map, const MapLabels& labels);

}  // namespace cli
