#include "app/target_boards.h"

#include "app/resource_ids.h"

namespace app {

const std::array<TargetBoard, 3>& targetBoards() {
  static constexpr std::array<TargetBoard, 3> table = {{
      {kRadioKA10, analysis::Board::KA10, u"KA10", 0x02E01217u, 0x51011195u, 0x20, bridgeMemoryBase},
      {kRadioKB20, analysis::Board::KB20, u"KB20", 0x01021195u, 0x01021195u, 0x10, baseAddressAsRead},
      {kRadioKB40, analysis::Board::KB40, u"KB40", 0x01041195u, 0x01041195u, 0x10, baseAddressAsRead},
  }};
  return table;
}

const TargetBoard* targetBoard(analysis::Board board) {
  for (const TargetBoard& row : targetBoards())
    if (row.board == board) return &row;
  return nullptr;
}

}  // namespace app
