// The I/O space check: the board's I/O window and its free room.
#include "analysis/engine.h"
#include "analysis/holes.h"
#include "analysis/range_collector.h"

namespace analysis {
namespace {

constexpr std::uint32_t kIoPage = 0x1000;

}  // namespace

int Engine::FindIoWindow(const std::u16string& reportPath, std::uint32_t ioAddress, std::uint32_t& windowStart,
                         std::uint32_t& windowEnd) {
  windowStart = windowEnd = 0;
  m_ranges.reset();
  const SectionTitle titles[] = {{m_host.messageText(resources::msg::kIoHeading, m_host.headingLanguage()), Section::Io}};
  RangeCollector collector(m_ranges, [ioAddress](const ResourceRange& r) { return r.start <= ioAddress && ioAddress <= r.end; });
  if (!scanReport(m_files, reportPath, titles, collector)) return kResultFileOpenFailed;
  if (m_ranges.count() > 0) {
    m_ranges.sortBySize();
    const ResourceRange& largest = m_ranges[m_ranges.count() - 1];
    windowStart = largest.start;
    windowEnd = largest.end;
  }
  return kResultSuccess;
}

int Engine::CheckIoFreeSpace(const std::u16string& reportPath, std::uint32_t windowStart, std::uint32_t windowEnd,
                             std::uint32_t requiredSize) {
  m_ranges.reset();
  const SectionTitle titles[] = {{m_host.messageText(resources::msg::kIoHeading, m_host.headingLanguage()), Section::Io}};
  RangeCollector collector(m_ranges, [windowStart, windowEnd](const ResourceRange& r) {
    return occupiesWindow(r, windowStart, windowEnd);
  });
  if (!scanReport(m_files, reportPath, titles, collector)) return kResultFileOpenFailed;
  if (m_ranges.count() == 0) return kResultNoIoSpace;
  m_ranges.sortByStart();
  bool found = false;
  forEachHole(m_ranges, windowStart, windowEnd, [&](Hole hole) {
    const auto pages = alignedHole(hole, kIoPage);
    found = pages && std::uint64_t{pages->last} - pages->first + 1 >= requiredSize;
    return !found;
  });
  return found ? kResultSuccess : kResultNoIoSpace;
}

}  // namespace analysis
