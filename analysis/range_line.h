#pragma once
// Turns one line of a range section into a range record. The line must begin
// with "0x" and contain a TAB; the text before the first TAB, trimmed of TABs and
// blanks and with every "0x" taken out, must hold a hyphen-minus between the
// start and the end (each converted by parseHexNumber).
#include <string>
#include <string_view>

#include "analysis/range_table.h"

namespace analysis {

class RangeLineParser {
 public:
  // true with the record for a range line; false for any other line.
  bool parse(std::u16string_view line, ResourceRange& range);

 private:
  std::u16string m_scratch;  // reused from line to line to spare allocations
};

}  // namespace analysis
