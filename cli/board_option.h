#pragma once
// The --board option: KA10, KB20 or KB40, its case aside.
#include <optional>
#include <string>

#include "analysis/engine_host.h"

namespace cli {

std::optional<analysis::Board> parseBoard(const std::string& text);
// "KA10", "KB20" or "KB40".
std::string boardName(analysis::Board board);

}  // namespace cli
