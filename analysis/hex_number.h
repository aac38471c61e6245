#pragma once
// Hexadecimal text to an unsigned 32-bit number, the one conversion behind both
// the report's range lines and the Space Size box: leading white space is
// skipped; an optional sign follows (a minus negates modulo 2^32); an optional
// 0x or 0X prefix is accepted; digits run to the first character that is not a
// hexadecimal digit and the rest is ignored; no digits give 0; a value beyond
// 32 bits gives 0xFFFFFFFF whatever the sign.
#include <cstdint>
#include <string_view>

namespace analysis {

std::uint32_t parseHexNumber(std::u16string_view text);

}  // namespace analysis
