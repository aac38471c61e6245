#include "cli/report_headings.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "analysis/range_line.h"
#include "analysis/report_scan.h"
#include "os/text.h"

namespace cli {
namespace {

namespace msg = resources::msg;
using analysis::Section;
using resources::Language;

struct Heading {
  std::u16string text;
  Section section;
  std::optional<Language> language;  // empty: the same text in both languages
};

std::vector<Heading> headingsOf(Language language) {
  return {{resources::loadMessage(msg::kIoHeading, language), Section::Io, language},
          {resources::loadMessage(msg::kMemoryHeading, language), Section::Memory, language},
          {resources::loadMessage(msg::kProblemHeading, language), Section::ProblemDevices, language}};
}

// Every heading of both languages once; a text both share belongs to neither.
std::vector<Heading> allHeadings() {
  std::vector<Heading> all = headingsOf(Language::English);
  for (Heading& japanese : headingsOf(Language::Japanese)) {
    const auto same = std::find_if(all.begin(), all.end(), [&](const Heading& h) { return h.text == japanese.text; });
    if (same != all.end()) same->language.reset();
    else all.push_back(std::move(japanese));
  }
  return all;
}

bool holds(const std::vector<Heading>& headings, const std::u16string& text) {
  return std::any_of(headings.begin(), headings.end(), [&](const Heading& h) { return h.text == text; });
}

// The headings the report's header lines hold, each once, in the order first met.
class HeadingSink final : public analysis::ReportLineSink {
 public:
  explicit HeadingSink(const std::vector<Heading>& candidates) : m_candidates(candidates) {}
  bool onLine(Section, std::u16string_view line) override {
    if (line.find(u'[') == std::u16string_view::npos) return true;  // a range or column line
    for (const Heading& h : m_candidates)
      if (line.find(h.text) != std::u16string_view::npos && !holds(found, h.text)) found.push_back(h);
    return true;
  }
  std::vector<Heading> found;

 private:
  const std::vector<Heading>& m_candidates;
};

std::optional<std::vector<Heading>> headingsFound(os::Files& files, const std::u16string& reportPath) {
  const std::vector<Heading> all = allHeadings();
  std::vector<analysis::SectionTitle> titles;
  for (const Heading& h : all) titles.push_back({h.text, h.section});
  HeadingSink sink(all);
  if (!analysis::scanReport(files, reportPath, titles, sink)) return std::nullopt;
  return sink.found;
}

// Counts the range lines of the memory section, as the engine's parser reads them.
class RangeCounter final : public analysis::ReportLineSink {
 public:
  bool onLine(Section, std::u16string_view line) override {
    analysis::ResourceRange range;
    if (m_parser.parse(line, range)) ++count;
    return true;
  }
  std::uint64_t count = 0;

 private:
  analysis::RangeLineParser m_parser;
};

std::string quotedList(const std::vector<Heading>& headings) {
  std::string text;
  for (std::size_t i = 0; i < headings.size(); ++i) {
    if (i > 0) text += i + 1 == headings.size() ? " and " : ", ";
    text += "\"" + os::toUtf8(headings[i].text) + "\"";
  }
  return text;
}

const char* languageName(Language language) { return language == Language::Japanese ? "Japanese" : "English"; }

std::string hex8(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

}  // namespace

std::optional<Language> reportHeadingLanguage(os::Files& files, const std::u16string& reportPath) {
  const auto found = headingsFound(files, reportPath);
  if (!found) return std::nullopt;
  for (const Heading& h : *found)
    if (h.language) return h.language;
  return std::nullopt;
}

std::string noMemoryWindowReason(os::Files& files, const std::u16string& reportPath, Language headings,
                                 std::uint32_t memoryAddress) {
  const std::string prefix = "no memory window: ";
  const auto found = headingsFound(files, reportPath);
  if (!found) return prefix + "the report cannot be read";
  const std::vector<Heading> wanted = headingsOf(headings);
  const Heading& memory = wanted[1];
  if (holds(*found, memory.text)) {
    const analysis::SectionTitle titles[] = {{memory.text, Section::Memory}};
    RangeCounter ranges;
    analysis::scanReport(files, reportPath, titles, ranges);
    return prefix + "no range of the \"" + os::toUtf8(memory.text) + "\" section holds " + hex8(memoryAddress) +
           " (it lists " + std::to_string(ranges.count) + (ranges.count == 1 ? " range)" : " ranges)");
  }
  std::string reason = prefix + "the report has no \"" + os::toUtf8(memory.text) + "\" heading; looked for " +
                       quotedList(wanted) + ", found ";
  if (found->empty()) return reason + "none (is it the UTF-16 text the system-information tool writes?)";
  reason += quotedList(*found);
  for (const Heading& h : *found)
    if (h.language && *h.language != headings)
      return reason + " (the report's headings are " + languageName(*h.language) + ")";
  return reason;
}

}  // namespace cli
