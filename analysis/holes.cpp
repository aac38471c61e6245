#include "analysis/holes.h"

namespace analysis {

std::optional<Hole> alignedHole(Hole hole, std::uint32_t unitSize) {
  const std::uint64_t mask = std::uint64_t{unitSize} - 1;
  const std::uint64_t first = (std::uint64_t{hole.first} + mask) & ~mask;
  std::uint64_t last = hole.last;
  if ((last & mask) != mask) {
    if (last < unitSize) return std::nullopt;
    last = (last - unitSize) | mask;
  }
  if (first > 0xFFFFFFFFull || last <= first) return std::nullopt;
  return Hole{static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last)};
}

}  // namespace analysis
