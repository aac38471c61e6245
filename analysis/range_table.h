#pragma once
// The range table all analysis operations share: a fixed array of 256 records
// that each operation resets and fills in report order.
#include <array>
#include <cstdint>

namespace analysis {

struct ResourceRange {
  std::uint32_t start = 0;
  std::uint32_t end = 0;   // inclusive
  std::uint32_t size = 0;  // end - start, modulo 2^32: one less than the number of addresses
};

// Negative, 0 or positive, comparing the keys as unsigned 32-bit values.
int CompareByStart(const ResourceRange& a, const ResourceRange& b);
int CompareBySize(const ResourceRange& a, const ResourceRange& b);

class RangeTable {
 public:
  static constexpr std::uint32_t kCapacity = 256;

  void reset();
  // Adds a record at index count(); false when the table is already full.
  bool add(const ResourceRange& range);
  bool full() const { return m_count == kCapacity; }
  std::uint32_t count() const { return m_count; }
  const ResourceRange& operator[](std::uint32_t index) const { return m_records[index]; }
  const ResourceRange* begin() const { return m_records.data(); }
  const ResourceRange* end() const { return m_records.data() + m_count; }

  // Stable sorts of the filled records, so that equal keys keep report order and
  // every platform picks the same window and holes.
  void sortByStart();
  void sortBySize();

 private:
  std::array<ResourceRange, kCapacity> m_records{};
  std::uint32_t m_count = 0;
};

}  // namespace analysis
