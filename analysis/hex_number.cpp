#include "analysis/hex_number.h"

namespace analysis {
namespace {

bool isWhiteSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

}  // namespace

std::uint32_t parseHexNumber(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isWhiteSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  // "0x" counts as a prefix only when a digit follows; otherwise the 0 is the number.
  if (i + 2 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X') &&
      hexDigitValue(text[i + 2]) >= 0)
    i += 2;
  std::uint64_t value = 0;
  bool overflow = false;
  for (; i < text.size(); ++i) {
    const int digit = hexDigitValue(text[i]);
    if (digit < 0) break;
    value = value * 16 + static_cast<std::uint64_t>(digit);
    if (value > 0xFFFFFFFFu) {
      overflow = true;
      value = 0xFFFFFFFFu;  // keep the accumulator bounded; the digits still run on
    }
  }
  if (overflow) return 0xFFFFFFFFu;
  const auto result = static_cast<std::uint32_t>(value);
  return negative ? 0u - result : result;
}

}  // namespace analysis
