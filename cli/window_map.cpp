#include "cli/window_map.h"

#include <algorithm>

#include "analysis/board_table.h"
#include "analysis/holes.h"
#include "analysis/range_collector.h"
#include "analysis/range_line.h"
#include "os/text.h"

namespace cli {
namespace {

// The device column: the text between a range row's first and second TAB.
std::string deviceOf(std::u16string_view line) {
  const auto first = line.find(u'\t');
  if (first == std::u16string_view::npos) return {};
  const auto second = line.find(u'\t', first + 1);
  return os::toUtf8(line.substr(first + 1, second == std::u16string_view::npos ? second : second - first - 1));
}

class RowCollector final : public analysis::ReportLineSink {
 public:
  RowCollector(const WindowMap& map, analysis::RangeTable& counted) : map_(map), counted_(counted) {}

  bool onLine(analysis::Section, std::u16string_view line) override {
    analysis::ResourceRange r;
    if (!parser_.parse(line, r) || !analysis::insideWindow(r, map_.window.start, map_.window.end)) return true;
    const bool counts =
        map_.inner ? analysis::occupiesMemoryWindow(r, map_.window.start, map_.window.end, map_.inner->start,
                                                    map_.inner->end)
                   : analysis::occupiesWindow(r, map_.window.start, map_.window.end);
    // The engine's table stops at 256 rows: the rows after that take no room in its walk.
    const bool taken = counts && counted_.add(r);
    rows.push_back({r.start, r.end, deviceOf(line), 0, taken});
    return true;
  }

  std::vector<NamedRange> rows;

 private:
  const WindowMap& map_;
  analysis::RangeTable& counted_;
  analysis::RangeLineParser parser_;
};

// Outer rows first, then each row's depth: the rows still open above it.
void nest(std::vector<NamedRange>& rows) {
  std::stable_sort(rows.begin(), rows.end(), [](const NamedRange& a, const NamedRange& b) {
    return a.start != b.start ? a.start < b.start : a.end > b.end;
  });
  std::vector<const NamedRange*> open;
  for (NamedRange& r : rows) {
    while (!open.empty() && open.back()->end < r.end) open.pop_back();  // it does not hold r
    r.depth = static_cast<int>(open.size());
    open.push_back(&r);
  }
}

class ProblemLines final : public analysis::ReportLineSink {
 public:
  explicit ProblemLines(const analysis::BoardProfile& board) : board_(board) {}
  bool onLine(analysis::Section, std::u16string_view line) override {
    for (std::u16string_view id : board_.problemDeviceIds)
      if (line.find(id) != std::u16string_view::npos) {
        lines.push_back(os::toUtf8(line));
        break;
      }
    return true;
  }
  std::vector<std::string> lines;

 private:
  const analysis::BoardProfile& board_;
};

}  // namespace

WindowMap readWindowMap(os::Files& files, const std::u16string& reportPath, resources::Language headings,
                        analysis::Section section, Window window, std::optional<Window> inner) {
  WindowMap map{window, inner, {}, {}};
  const std::uint16_t heading =
      section == analysis::Section::Io ? resources::msg::kIoHeading : resources::msg::kMemoryHeading;
  const analysis::SectionTitle titles[] = {{resources::loadMessage(heading, headings), section}};
  analysis::RangeTable counted;
  RowCollector collector(map, counted);
  if (!analysis::scanReport(files, reportPath, titles, collector)) return map;
  map.rows = std::move(collector.rows);
  nest(map.rows);
  counted.sortByStart();
  analysis::forEachHole(counted, window.start, window.end, [&map](analysis::Hole h) {
    map.holes.push_back({h.first, h.last});
    return true;
  });
  return map;
}

std::vector<std::string> problemLinesNaming(os::Files& files, const std::u16string& reportPath,
                                            resources::Language headings, analysis::Board board) {
  const analysis::SectionTitle titles[] = {
      {resources::loadMessage(resources::msg::kProblemHeading, headings), analysis::Section::ProblemDevices}};
  ProblemLines sink(analysis::boardProfile(board));
  analysis::scanReport(files, reportPath, titles, sink);
  return sink.lines;
}

}  // namespace cli
