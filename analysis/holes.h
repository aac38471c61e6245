#pragma once
// The free holes of a window between the records of a range table sorted by
// start, and their shrinking to whole pages or whole 1 MB units.
//
// A hole is measured from the highest end that any earlier record reached, not
// from the end of the record just before: reports list a bridge window and the
// devices inside it as separate, nested rows, and measuring from the inner row
// would offer addresses inside the bridge's other devices as free.
//
// All arithmetic is done in 64 bits, so a bound that would pass 0 or 0xFFFFFFFF
// makes the hole absent instead of wrapping.
#include <cstdint>
#include <optional>

#include "analysis/range_table.h"

namespace analysis {

struct Hole {
  std::uint32_t first = 0;
  std::uint32_t last = 0;  // inclusive
};

// The hole shrunk to whole units of unitSize bytes (a power of two): first rounded
// up, last rounded down to the end of a unit; nothing when a bound would pass the
// address space or the rounded hole is empty.
std::optional<Hole> alignedHole(Hole hole, std::uint32_t unitSize);

// Calls onHole(Hole) for the leading hole, the holes between records and the
// trailing hole, in address order, as long as onHole returns true. The records
// must lie inside the window and be sorted by start.
template <typename OnHole>
void forEachHole(const RangeTable& sorted, std::uint32_t windowStart, std::uint32_t windowEnd, OnHole&& onHole) {
  if (sorted.count() == 0) return;
  const std::uint64_t first = sorted[0].start;
  if (first >= std::uint64_t{windowStart} + 2 &&
      !onHole(Hole{windowStart, static_cast<std::uint32_t>(first - 1)}))
    return;
  // A record whose end lies below its start (a malformed row) still occupies its start.
  const auto top = [](const ResourceRange& r) -> std::uint64_t { return r.end > r.start ? r.end : r.start; };
  std::uint64_t reach = top(sorted[0]);
  for (std::uint32_t i = 1; i < sorted.count(); ++i) {
    const std::uint64_t next = sorted[i].start;
    if (next >= reach + 2 &&
        !onHole(Hole{static_cast<std::uint32_t>(reach + 1), static_cast<std::uint32_t>(next - 1)}))
      return;
    if (top(sorted[i]) > reach) reach = top(sorted[i]);
  }
  if (reach + 1 < windowEnd) onHole(Hole{static_cast<std::uint32_t>(reach + 1), windowEnd});
}

}  // namespace analysis
