#include "analysis/report_lines.h"

#include <cstdint>
#include <cstring>

namespace analysis {
namespace {

// The first code unit at or after p that equals unit (an ASCII character),
// or end. The byte search of the C library is far faster than a loop over code
// units; a byte hit counts only as the low byte of a little-endian unit.
const char16_t* findAsciiUnit(const char16_t* p, const char16_t* end, unsigned char unit) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(p);
  const auto* last = reinterpret_cast<const unsigned char*>(end);
  while (bytes < last) {
    const auto* hit = static_cast<const unsigned char*>(std::memchr(bytes, unit, static_cast<std::size_t>(last - bytes)));
    if (!hit) break;
    const auto offset = hit - reinterpret_cast<const unsigned char*>(p);
    if (offset % 2 == 0 && hit + 1 < last && hit[1] == 0) return p + offset / 2;
    bytes = hit + 1;
  }
  return end;
}

std::uint64_t zeroLanes(std::uint64_t v) { return (v - 0x0001000100010001ull) & ~v & 0x8000800080008000ull; }

// The first CR or NUL code unit at or after p, or end; four units are tested at a
// time (a flagged group is then looked at unit by unit).
const char16_t* findCrOrNul(const char16_t* p, const char16_t* end) {
  while (end - p >= 4) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if (zeroLanes(v) | zeroLanes(v ^ 0x000D000D000D000Dull)) break;
    p += 4;
  }
  while (p < end && *p != u'\r' && *p != 0) ++p;
  return p;
}

}  // namespace

const char16_t* ReportLines::nextBracket(const char16_t* from) {
  if (!m_bracket || (m_bracket < from && m_bracket != m_end)) m_bracket = findAsciiUnit(from, m_end, '[');
  return m_bracket;
}

bool ReportLines::next(ReportLine& line) {
  const char16_t* start = m_pos;
  const char16_t* cursor = start;
  const char16_t* nul = nullptr;
  for (;;) {
    const char16_t* hit = nul ? findAsciiUnit(cursor, m_end, '\r') : findCrOrNul(cursor, m_end);
    if (hit == m_end) {  // no CR LF left: the rest is not a line
      m_pos = m_end;
      return false;
    }
    cursor = hit + 1;
    if (*hit == 0) {
      nul = hit;
      continue;
    }
    if (cursor == m_end || *cursor != u'\n') continue;  // a lone CR is part of the line
    if (hit == start) {  // a CR LF right at the start of a line gives no line
      start = cursor = hit + 2;
      continue;
    }
    const char16_t* textEnd = nul ? nul : hit;
    m_pos = hit + 2;
    line.text = std::u16string_view(start, static_cast<std::size_t>(textEnd - start));
    line.hasBracket = nextBracket(start) < textEnd;
    return true;
  }
}

// Outside the sections an operation reads only header lines matter, so the scan
// jumps from bracket to bracket instead of splitting every line: the line that
// holds a bracket starts after the last CR LF before it.
bool ReportLines::nextHeader(ReportLine& line) {
  for (;;) {
    const char16_t* bracket = nextBracket(m_pos);
    if (bracket == m_end) {
      m_pos = m_end;
      return false;
    }
    const char16_t* start = bracket;
    while (start - m_pos >= 2 && !(start[-2] == u'\r' && start[-1] == u'\n')) --start;
    if (start - m_pos < 2) start = m_pos;
    m_pos = start;
    if (!next(line)) return false;
    if (line.hasBracket) return true;  // else the bracket came after a NUL: no header
  }
}

}  // namespace analysis
