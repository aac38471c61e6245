#pragma once
// A report-scan sink that parses the lines of a range section and adds the
// records a filter accepts to the range table, ending the scan once the table
// holds its 256 records.
#include "analysis/range_line.h"
#include "analysis/range_table.h"
#include "analysis/report_scan.h"

namespace analysis {

template <typename Filter>
class RangeCollector final : public ReportLineSink {
 public:
  RangeCollector(RangeTable& table, Filter filter) : m_table(table), m_filter(filter) {}

  bool onLine(Section, std::u16string_view line) override {
    ResourceRange range;
    if (!m_parser.parse(line, range) || !m_filter(range)) return true;
    m_table.add(range);
    return !m_table.full();
  }

 private:
  RangeTable& m_table;
  Filter m_filter;
  RangeLineParser m_parser;
};

// True when the range lies inside [windowStart, windowEnd], bounds included.
inline bool insideWindow(const ResourceRange& r, std::uint32_t windowStart, std::uint32_t windowEnd) {
  return windowStart <= r.start && r.start <= windowEnd && windowStart <= r.end && r.end <= windowEnd;
}

// A row that takes room in a window: inside it and not the window's own row.
inline bool occupiesWindow(const ResourceRange& r, std::uint32_t windowStart, std::uint32_t windowEnd) {
  return insideWindow(r, windowStart, windowEnd) && !(r.start == windowStart && r.end == windowEnd);
}

// A row that takes room in the memory window: neither is the inner window's row
// counted (the bridge the board sits behind; the blocks are cut around it).
inline bool occupiesMemoryWindow(const ResourceRange& r, std::uint32_t windowStart, std::uint32_t windowEnd,
                                 std::uint32_t innerStart, std::uint32_t innerEnd) {
  return occupiesWindow(r, windowStart, windowEnd) && !(r.start == innerStart && r.end == innerEnd);
}

}  // namespace analysis
