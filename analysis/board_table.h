#pragma once
// What the free-space search needs to know per board: the INI file it writes
// (none for KA10), that file's header lines, and the device identifiers that
// make a line of the problem-device section count against the board.
#include <span>
#include <string_view>

#include "analysis/engine_host.h"

namespace analysis {

struct BoardProfile {
  std::u16string_view iniFileName;  // empty: the board has no INI file
  std::span<const std::u16string_view> iniHeader;
  std::span<const std::u16string_view> problemDeviceIds;
};

const BoardProfile& boardProfile(Board board);

}  // namespace analysis
