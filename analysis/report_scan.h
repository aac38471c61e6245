#pragma once
// The report scan every analysis operation runs: open the saved system report
// without sharing, read it whole in one read, take it as UTF-16LE text, split it
// into CR LF lines, follow the bracketed sections and hand every line of a
// wanted section to the operation.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "os/files.h"

namespace analysis {

enum class Section { None, Io, Memory, ProblemDevices };

struct SectionTitle {
  std::u16string title;  // the heading text a header line must contain
  Section section;
};

class ReportLineSink {
 public:
  virtual ~ReportLineSink() = default;
  // One line of a wanted section (its header line first). false ends the scan.
  virtual bool onLine(Section section, std::u16string_view line) = 0;
};

// Scans the report at path. A header line (one that contains "[") opens the
// section whose title it contains, or none; when it contains several titles, the
// one listed last in titles wins. Returns false when the file cannot be opened or
// read, or its length does not fit 32 bits; nothing is handed on then.
bool scanReport(os::Files& files, const std::u16string& path, std::span<const SectionTitle> titles,
                ReportLineSink& sink);

}  // namespace analysis
