#include "analysis/report_lines.h"

#include <cstdint>
#include <cstring>

namespace analysis {
namespace {

constexpr char16_t kCr = u'\r', kLf = u'\n', kBracket = u'[', kNul = u'\0';

bool isSpecial(char16_t c) { return c == kCr || c == kBracket || c == kNul; }

// Flags (not necessarily exactly) the 16-bit lanes of v that are zero; the lowest
// flagged lane is always a true zero, and no zero goes unflagged.
std::uint64_t zeroLanes(std::uint64_t v) {
  return (v - 0x0001000100010001ull) & ~v & 0x8000800080008000ull;
}

// The first CR, "[" or NUL at or after p, or end. Reports are megabytes of short
// lines, so four code units are tested at a time.
const char16_t* findSpecial(const char16_t* p, const char16_t* end) {
  while (end - p >= 4) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    const std::uint64_t hits =
        zeroLanes(v) | zeroLanes(v ^ 0x000D000D000D000Dull) | zeroLanes(v ^ 0x005B005B005B005Bull);
    if (hits) break;
    p += 4;
  }
  while (p < end && !isSpecial(*p)) ++p;
  return p;
}

}  // namespace

bool ReportLines::next(ReportLine& line) {
  const char16_t* start = m_pos;
  const char16_t* cursor = start;
  const char16_t* nul = nullptr;
  bool bracket = false;
  for (;;) {
    const char16_t* hit = findSpecial(cursor, m_end);
    if (hit == m_end) {  // no CR LF left: the rest is not a line
      m_pos = m_end;
      return false;
    }
    cursor = hit + 1;
    if (*hit == kBracket) {
      if (!nul) bracket = true;
    } else if (*hit == kNul) {
      if (!nul) nul = hit;
    } else if (cursor < m_end && *cursor == kLf) {
      if (hit == start) {  // a CR LF right at the start of a line: skip it
        start = cursor = hit + 2;
        bracket = false;
        continue;
      }
      m_pos = hit + 2;
      line.text = std::u16string_view(start, static_cast<std::size_t>((nul ? nul : hit) - start));
      line.hasBracket = bracket;
      return true;
    }
  }
}

}  // namespace analysis
