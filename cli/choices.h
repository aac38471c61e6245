#pragma once
// The values the commands' --board and --language options take, any case.
#include <map>
#include <string>

#include "analysis/engine_host.h"
#include "resources/messages.h"

namespace cli {

inline const std::map<std::string, analysis::Board> kBoards{
    {"KA10", analysis::Board::KA10}, {"KB20", analysis::Board::KB20}, {"KB40", analysis::Board::KB40}};
inline const std::map<std::string, resources::Language> kLanguages{{"en", resources::Language::English},
                                                                   {"ja", resources::Language::Japanese}};

// "KA10", "KB20" or "KB40".
inline std::string boardName(analysis::Board board) {
  for (const auto& [name, b] : kBoards)
    if (b == board) return name;
  return {};
}

}  // namespace cli
