#pragma once
// Splits report text into lines: a line ends where a CR is directly followed by
// an LF (neither belongs to it); a CR LF at the very start of a line gives no
// line; a lone CR or LF is an ordinary character; text after the last CR LF is
// not a line; a line's text ends at its first NUL.
#include <string_view>

namespace analysis {

struct ReportLine {
  std::u16string_view text;
  bool hasBracket = false;  // contains "[": a section header line
};

class ReportLines {
 public:
  explicit ReportLines(std::u16string_view text)
      : m_pos(text.data()), m_end(text.data() + text.size()) {}
  // The next line; false when there is none.
  bool next(ReportLine& line);
  // The next header line, passing over the lines before it; false when there is none.
  bool nextHeader(ReportLine& line);

 private:
  // Reports are megabytes of short lines with very few brackets, so the next one
  // is found once ahead and kept until the lines have passed it.
  const char16_t* nextBracket(const char16_t* from);

  const char16_t* m_pos;
  const char16_t* m_end;
  const char16_t* m_bracket = nullptr;  // null until first looked for
};

}  // namespace analysis
