#include "analysis/range_line.h"

#include "analysis/hex_number.h"

namespace analysis {
namespace {

bool isBlankOrTab(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view trimmed(std::u16string_view text) {
  std::size_t first = 0, last = text.size();
  while (first < last && isBlankOrTab(text[first])) ++first;
  while (last > first && isBlankOrTab(text[last - 1])) --last;
  return text.substr(first, last - first);
}

// Every "0x" taken out, left to right, without looking at the text again that a
// removal brings together.
void removeHexPrefixes(std::u16string_view text, std::u16string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'0' && i + 1 < text.size() && text[i + 1] == u'x') {
      ++i;
      continue;
    }
    out.push_back(text[i]);
  }
}

bool eightHexDigits(const char16_t* text, std::uint32_t& value) {
  std::uint32_t result = 0;
  int invalid = 0;
  for (int i = 0; i < 8; ++i) {
    const char16_t c = text[i];
    const int digit = hexDigitValue(c);
    invalid |= digit;  // any -1 sets the sign bit
    result = result << 4 | static_cast<std::uint32_t>(digit & 0xF);
  }
  value = result;
  return invalid >= 0;
}

// The form the system-information tool writes, "0xHHHHHHHH-0xHHHHHHHH" and a TAB,
// read directly; it gives what the general rules give for it.
bool parseToolForm(std::u16string_view line, ResourceRange& range) {
  if (line.size() < 22 || line[10] != u'-' || line[11] != u'0' || line[12] != u'x' || line[21] != u'\t') return false;
  if (!eightHexDigits(line.data() + 2, range.start) || !eightHexDigits(line.data() + 13, range.end)) return false;
  range.size = range.end - range.start;
  return true;
}

}  // namespace

bool RangeLineParser::parse(std::u16string_view line, ResourceRange& range) {
  if (line.size() < 2 || line[0] != u'0' || line[1] != u'x') return false;
  if (parseToolForm(line, range)) return true;
  const std::size_t tab = line.find(u'\t');
  if (tab == std::u16string_view::npos) return false;
  removeHexPrefixes(trimmed(line.substr(0, tab)), m_scratch);
  const std::size_t hyphen = m_scratch.find(u'-');
  if (hyphen == std::u16string::npos) return false;
  const std::u16string_view text(m_scratch);
  range.start = parseHexNumber(text.substr(0, hyphen));
  range.end = parseHexNumber(text.substr(hyphen + 1));
  range.size = range.end - range.start;
  return true;
}

}  // namespace analysis
