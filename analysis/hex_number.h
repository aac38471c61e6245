#pragma once
// Hexadecimal text to an unsigned 32-bit number, the one conversion behind both
// the report's range lines and the Space Size box: leading white space is
// skipped; an optional sign follows (a minus negates modulo 2^32); an optional
// 0x or 0X prefix is accepted; digits run to the first character that is not a
// hexadecimal digit and the rest is ignored; no digits give 0; a value beyond
// 32 bits gives 0xFFFFFFFF whatever the sign.
#include <array>
#include <cstdint>
#include <string_view>

namespace analysis {

std::uint32_t parseHexNumber(std::u16string_view text);

// The value of a hexadecimal digit, or -1 for any other character.
inline int hexDigitValue(char16_t c) {
  static constexpr auto kDigits = [] {
    std::array<signed char, 128> table{};
    for (auto& v : table) v = -1;
    for (int d = '0'; d <= '9'; ++d) table[d] = static_cast<signed char>(d - '0');
    for (int d = 'a'; d <= 'f'; ++d) table[d] = static_cast<signed char>(d - 'a' + 10);
    for (int d = 'A'; d <= 'F'; ++d) table[d] = static_cast<signed char>(d - 'A' + 10);
    return table;
  }();
  return c < 128 ? kDigits[c] : -1;
}

}  // namespace analysis
