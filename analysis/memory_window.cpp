// The memory window: the largest memory range around the board's address, and the
// next smaller one, which the free-space search does not count as occupied.
#include "analysis/engine.h"
#include "analysis/range_collector.h"

namespace analysis {

int Engine::FindMemoryWindow(const std::u16string& reportPath, std::uint32_t address, std::uint32_t& windowStart,
                             std::uint32_t& windowEnd) {
  windowStart = windowEnd = 0;
  m_ranges.reset();
  const SectionTitle titles[] = {
      {m_host.messageText(resources::msg::kMemoryHeading, m_host.headingLanguage()), Section::Memory}};
  RangeCollector collector(m_ranges, [address](const ResourceRange& r) { return r.start <= address && address <= r.end; });
  if (!scanReport(m_files, reportPath, titles, collector)) return kResultFileOpenFailed;
  const std::uint32_t count = m_ranges.count();
  if (count > 0) {
    m_ranges.sortBySize();
    const ResourceRange& largest = m_ranges[count - 1];
    const ResourceRange& inner = m_ranges[count > 1 ? count - 2 : count - 1];
    windowStart = largest.start;
    windowEnd = largest.end;
    m_innerWindowStart = inner.start;
    m_innerWindowEnd = inner.end;
  }
  return kResultSuccess;
}

}  // namespace analysis
