#include "sim/bios_image.h"

#include <algorithm>
#include <numeric>

namespace sim {
namespace {

constexpr std::uint32_t kDataStructureAt = 0x80;

void put16(std::vector<std::uint8_t>& rom, std::uint32_t at, std::uint16_t value) {
  rom[at] = static_cast<std::uint8_t>(value);
  rom[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void putText(std::vector<std::uint8_t>& rom, std::uint32_t at, std::string_view text) {
  std::copy(text.begin(), text.end(), rom.begin() + at);
  rom[at + text.size()] = 0;
}

}  // namespace

std::vector<std::uint8_t> buildBiosImage(std::string_view version, std::string_view date) {
  std::vector<std::uint8_t> rom(kBuiltRomSize);
  // The code area: bytes that differ from block to block, never all 0xFF.
  for (std::uint32_t i = 0; i < kBuiltRomSize; ++i) rom[i] = static_cast<std::uint8_t>((i * 31 + (i >> 6)) & 0x7F);
  std::fill(rom.begin(), rom.begin() + 0x100, 0);
  rom[0x00] = 0x55;
  rom[0x01] = 0xAA;
  rom[0x02] = static_cast<std::uint8_t>(kBuiltRomSize / 512);
  rom[0x03] = 0xCB;  // entry: a far return, as a ROM with nothing to start does
  put16(rom, 0x18, kDataStructureAt);
  rom[0x22] = kVersionTextAt;
  rom[0x24] = kDateTextAt;
  putText(rom, 0x40, "SiI 3132 SATALink BIOS");
  putText(rom, kVersionTextAt, version);
  putText(rom, kDateTextAt, date);
  // The PCI data structure: the controller's identity, its class, the ROM's length.
  std::copy_n("PCIR", 4, rom.begin() + kDataStructureAt);
  put16(rom, kDataStructureAt + 4, 0x1095);
  put16(rom, kDataStructureAt + 6, 0x3132);
  put16(rom, kDataStructureAt + 10, 0x18);  // the structure's length
  rom[kDataStructureAt + 13] = 0x80;        // class: mass storage, other
  rom[kDataStructureAt + 15] = 0x01;
  put16(rom, kDataStructureAt + 16, static_cast<std::uint16_t>(kBuiltRomSize / 512));
  rom[kDataStructureAt + 21] = 0x80;  // the last image
  const unsigned sum = std::accumulate(rom.begin(), rom.end() - 1, 0u);
  rom.back() = static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
  rom.resize(128 * 1024, 0xFF);
  return rom;
}

}  // namespace sim
