#include "analysis/report_scan.h"

#include <memory>
#include <new>

#include "analysis/report_lines.h"

namespace analysis {
namespace {

// Owns an open file handle for the length of one scan.
class OpenFile {
 public:
  OpenFile(os::Files& files, os::Handle handle) : m_files(files), m_handle(handle) {}
  ~OpenFile() {
    if (os::isValid(m_handle)) m_files.closeFile(m_handle);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  os::Handle get() const { return m_handle; }

 private:
  os::Files& m_files;
  os::Handle m_handle;
};

struct ReportText {
  std::unique_ptr<char16_t[]> units;
  std::size_t count = 0;
  std::u16string_view view() const { return {units.get(), count}; }
};

// One read of the whole file. A length that does not fit 32 bits cannot be read in
// one ReadFile and is refused rather than read modulo 2^32.
bool readWholeReport(os::Files& files, os::Handle file, ReportText& text) {
  std::uint64_t length = 0;
  if (!files.fileSize(file, &length) || length > 0xFFFFFFFFull) return false;
  const auto bytes = static_cast<std::uint32_t>(length);
  text.units.reset(new (std::nothrow) char16_t[bytes / 2 + 1]);
  if (!text.units) return false;
  std::uint32_t read = 0;
  if (bytes && !files.readFile(file, text.units.get(), bytes, &read)) return false;
  text.count = read / 2;  // an odd last byte is no code unit
  return true;
}

Section sectionOf(std::u16string_view line, std::span<const SectionTitle> titles) {
  Section found = Section::None;
  for (const SectionTitle& t : titles)
    if (line.find(t.title) != std::u16string_view::npos) found = t.section;
  return found;
}

}  // namespace

bool scanReport(os::Files& files, const std::u16string& path, std::span<const SectionTitle> titles,
                ReportLineSink& sink) {
  if (path.size() >= os::kMaxPath) return false;
  OpenFile file(files, files.createFile(path, os::kGenericRead, 0, os::kOpenExisting));
  if (!os::isValid(file.get())) return false;
  ReportText text;
  if (!readWholeReport(files, file.get(), text)) return false;

  ReportLines lines(text.view());
  ReportLine line;
  Section current = Section::None;
  while (current == Section::None ? lines.nextHeader(line) : lines.next(line)) {
    if (line.hasBracket) current = sectionOf(line.text, titles);
    if (current != Section::None && !sink.onLine(current, line.text)) break;
  }
  return true;
}

}  // namespace analysis
