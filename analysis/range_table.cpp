#include "analysis/range_table.h"

#include <algorithm>

namespace analysis {
namespace {

int compareUnsigned(std::uint32_t a, std::uint32_t b) { return a < b ? -1 : (a > b ? 1 : 0); }

}  // namespace

int CompareByStart(const ResourceRange& a, const ResourceRange& b) { return compareUnsigned(a.start, b.start); }
int CompareBySize(const ResourceRange& a, const ResourceRange& b) { return compareUnsigned(a.size, b.size); }

void RangeTable::reset() {
  m_records.fill(ResourceRange{});
  m_count = 0;
}

bool RangeTable::add(const ResourceRange& range) {
  if (full()) return false;
  m_records[m_count++] = range;
  return true;
}

void RangeTable::sortByStart() {
  std::stable_sort(m_records.begin(), m_records.begin() + m_count,
                   [](const ResourceRange& a, const ResourceRange& b) { return CompareByStart(a, b) < 0; });
}

void RangeTable::sortBySize() {
  std::stable_sort(m_records.begin(), m_records.begin() + m_count,
                   [](const ResourceRange& a, const ResourceRange& b) { return CompareBySize(a, b) < 0; });
}

}  // namespace analysis
