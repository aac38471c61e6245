// The hexadecimal reading of sizes and ranges, each against a plain reading of its
// rules: the Space Size text against the C library's own conversion (wcstoull,
// whose rules the engine's follow, within 32 bits), and a range line against the
// rules step by step, so that the parser's shortcut for the tool's own row form
// can never read a line differently from them.
//
// Input: UTF-16LE text (an odd last byte is dropped).
#include <cerrno>
#include <cstdint>
#include <cwchar>
#include <string>

#include "analysis/hex_number.h"
#include "analysis/range_line.h"
#include "fuzz/check.h"

namespace {

// What wcstoull makes of the text, brought to the engine's 32 bits: a magnitude
// beyond them is 0xFFFFFFFF whatever the sign; a minus negates modulo 2^32. Units
// outside ASCII take part in no rule, so they stand in as a character that none
// of them knows.
std::uint32_t libraryReading(std::u16string_view text) {
  std::wstring wide;
  for (char16_t c : text) wide.push_back(c < 0x80 ? static_cast<wchar_t>(c) : L'#');
  errno = 0;
  wchar_t* end = nullptr;
  const unsigned long long value = std::wcstoull(wide.c_str(), &end, 16);
  if (errno == ERANGE) return 0xFFFFFFFFu;
  std::size_t i = 0;
  while (i < wide.size() && (wide[i] == L' ' || (wide[i] >= L'\t' && wide[i] <= L'\r'))) ++i;
  const bool negative = i < wide.size() && wide[i] == L'-';
  const unsigned long long magnitude = negative ? 0 - value : value;
  if (magnitude > 0xFFFFFFFFull) return 0xFFFFFFFFu;
  return negative ? static_cast<std::uint32_t>(0 - magnitude) : static_cast<std::uint32_t>(magnitude);
}

// A range line read by the rules alone: "0x" first, a TAB, the text before it
// trimmed of TABs and blanks, every "0x" removed, a hyphen-minus between start and end.
bool rulesReading(std::u16string_view line, analysis::ResourceRange& range) {
  if (line.size() < 2 || line.substr(0, 2) != u"0x") return false;
  const std::size_t tab = line.find(u'\t');
  if (tab == std::u16string_view::npos) return false;
  std::u16string_view text = line.substr(0, tab);
  while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.remove_suffix(1);
  std::u16string bare;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.substr(i, 2) == u"0x") {
      ++i;
      continue;
    }
    bare.push_back(text[i]);
  }
  const std::size_t hyphen = bare.find(u'-');
  if (hyphen == std::u16string::npos) return false;
  range.start = analysis::parseHexNumber(std::u16string_view(bare).substr(0, hyphen));
  range.end = analysis::parseHexNumber(std::u16string_view(bare).substr(hyphen + 1));
  range.size = range.end - range.start;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));

  // The C library's reading ends at a NUL, and so does the engine's: a NUL is no
  // white space, sign or digit.
  FUZZ_CHECK(analysis::parseHexNumber(text) == libraryReading(text));

  analysis::RangeLineParser parser;
  analysis::ResourceRange parsed, expected;
  const bool accepted = parser.parse(text, parsed);
  FUZZ_CHECK(accepted == rulesReading(text, expected));
  if (accepted)
    FUZZ_CHECK(parsed.start == expected.start && parsed.end == expected.end && parsed.size == expected.size);
  return 0;
}
