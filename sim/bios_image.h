#pragma once
// A controller's option ROM as its maker ships it, made from the version and date
// it carries, for machines that describe their flash chip by those two rather than
// by a file: a PCI expansion ROM header (0x55 0xAA, its length, the data structure
// naming the controller), the pointers at 0x22 and 0x24 to the version text
// ("7.3.15") and the date text ("10/27/2010") that the access library reads, a
// code area, and the checksum byte that makes the ROM's bytes add up to 0. The
// rest of the chip stays erased (0xFF).
#include <cstdint>
#include <string_view>
#include <vector>

namespace sim {

// The ROM's length; the chip holds 128 KiB.
inline constexpr std::uint32_t kBuiltRomSize = 0x8000;
// Where the two texts lie (the pointer bytes at 0x22 and 0x24 hold these).
inline constexpr std::uint8_t kVersionTextAt = 0x60;
inline constexpr std::uint8_t kDateTextAt = 0x70;

// version: a digit, a dot, a digit, a dot, two digits; date: two digits, "/", two
// digits, "/", four digits. Both as the profile checked them.
std::vector<std::uint8_t> buildBiosImage(std::string_view version, std::string_view date);

}  // namespace sim
