#pragma once
// The target board table: which board each radio button of the "Target Device"
// group stands for, how the access library finds it on the PCI bus, which
// register holds its base address and how the board memory address follows.
#include <array>
#include <cstdint>
#include <string_view>

#include "analysis/engine_host.h"

namespace app {

struct TargetBoard {
  int radioId;
  analysis::Board board;
  std::u16string_view model;
  std::uint32_t identityWord;  // device ID << 16 | vendor ID, compared with register 0x00
  std::uint32_t matchWord;     // subsystem ID << 16 | subsystem vendor ID, compared with register 0x94
  std::uint32_t baseRegister;  // configuration offset read for the board memory address
  std::uint32_t (*memoryAddress)(std::uint32_t registerValue);
};

// Register read by every board for the board I/O address.
constexpr std::uint32_t kIoAddressRegister = 0x1C;

const std::array<TargetBoard, 3>& targetBoards();
// The row of a board, or null for a value that names none.
const TargetBoard* targetBoard(analysis::Board board);

// KA10: the register is a bridge's Memory Base; its bits 15..4 are address bits 31..20.
constexpr std::uint32_t bridgeMemoryBase(std::uint32_t value) { return (value & 0xFFFFFFF0u) << 16; }
// KB20, KB40: the first base address register as read, flag bits included.
constexpr std::uint32_t baseAddressAsRead(std::uint32_t value) { return value; }

}  // namespace app
