#include "cli/board_option.h"

#include <cctype>

namespace cli {
namespace {

constexpr std::pair<const char*, analysis::Board> kBoards[] = {
    {"KA10", analysis::Board::KA10}, {"KB20", analysis::Board::KB20}, {"KB40", analysis::Board::KB40}};

}  // namespace

std::optional<analysis::Board> parseBoard(const std::string& text) {
  std::string upper = text;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const auto& [name, board] : kBoards)
    if (upper == name) return board;
  return std::nullopt;
}

std::string boardName(analysis::Board board) {
  for (const auto& [name, b] : kBoards)
    if (b == board) return name;
  return {};
}

}  // namespace cli
