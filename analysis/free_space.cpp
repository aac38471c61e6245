// The free-space search: the memory ranges inside the window, the problem
// devices of the checked board, the INI header and the walk over the holes.
#include "analysis/board_table.h"
#include "analysis/engine.h"
#include "analysis/holes.h"
#include "analysis/ini_file.h"
#include "analysis/range_collector.h"
#include "resources/messages.h"

namespace analysis {
namespace {

// Collects the occupied ranges of the memory section and counts the lines of the
// problem-device section that name one of the board's devices.
class FreeSpaceSink final : public ReportLineSink {
 public:
  FreeSpaceSink(RangeTable& table, const BoardProfile& board, std::uint32_t windowStart, std::uint32_t windowEnd,
                std::uint32_t innerStart, std::uint32_t innerEnd)
      : m_table(table), m_board(board), m_windowStart(windowStart), m_windowEnd(windowEnd),
        m_innerStart(innerStart), m_innerEnd(innerEnd) {}

  bool onLine(Section section, std::u16string_view line) override {
    if (section == Section::ProblemDevices) {
      if (namesBoardDevice(line)) ++m_problemLines;
      return true;
    }
    ResourceRange r;
    if (!m_parser.parse(line, r) || !occupies(r)) return true;
    m_table.add(r);
    return !m_table.full();
  }

  std::uint32_t problemLines() const { return m_problemLines; }

 private:
  bool occupies(const ResourceRange& r) const {
    return occupiesMemoryWindow(r, m_windowStart, m_windowEnd, m_innerStart, m_innerEnd);
  }
  bool namesBoardDevice(std::u16string_view line) const {
    for (std::u16string_view id : m_board.problemDeviceIds)
      if (line.find(id) != std::u16string_view::npos) return true;
    return false;
  }

  RangeTable& m_table;
  const BoardProfile& m_board;
  std::uint32_t m_windowStart, m_windowEnd, m_innerStart, m_innerEnd;
  std::uint32_t m_problemLines = 0;
  RangeLineParser m_parser;
};

}  // namespace

// KA10 has no INI file. For KB20 and KB40 the file is created anew in the current
// directory with the board's header; a file that cannot be created leaves the
// path set, so that every hole with a block reports it again.
int Engine::prepareIniFile(const BoardProfile& profile) {
  m_iniFolderUnknown = false;
  if (profile.iniFileName.empty()) {
    m_iniPath.clear();
    return kResultSuccess;
  }
  m_firstBlockPending = 1;
  const std::u16string directory = m_host.currentDirectory();
  m_iniPath = directory + u"\\" + std::u16string(profile.iniFileName);
  // Without the current directory the path would name a file at the root of the
  // current drive, one this program does not own: it counts as not creatable.
  m_iniFolderUnknown = directory.empty();
  if (m_iniFolderUnknown) return kResultFileOpenFailed;
  IniFile ini(m_files);
  if (!ini.create(m_iniPath)) return kResultFileOpenFailed;
  for (std::u16string_view line : profile.iniHeader) {
    if (!ini.writeLine(line)) {
      ini.close();
      showMessage(resources::msg::kFileWriteFailed);
      return kResultFileWriteFailed;
    }
  }
  m_iniWritten = true;
  return kResultSuccess;
}

int Engine::SearchFreeMemory(const std::u16string& reportPath, std::uint32_t windowStart, std::uint32_t windowEnd,
                             std::uint32_t sizeMinusOne) {
  m_ranges.reset();
  m_iniWritten = false;
  m_blocksListed = 0;
  const Board board = m_host.checkedBoard();
  const BoardProfile& profile = boardProfile(board);
  const resources::Language language = m_host.headingLanguage();
  // The problem-device title comes last, so that a line naming both sections
  // opens the problem-device section.
  const SectionTitle titles[] = {
      {m_host.messageText(resources::msg::kMemoryHeading, language), Section::Memory},
      {m_host.messageText(resources::msg::kProblemHeading, language), Section::ProblemDevices}};
  FreeSpaceSink sink(m_ranges, profile, windowStart, windowEnd, m_innerWindowStart, m_innerWindowEnd);
  int result = kResultSuccess;
  if (!scanReport(m_files, reportPath, titles, sink)) {
    result = kResultFileOpenFailed;
  } else if (m_ranges.count() > 0) {
    result = prepareIniFile(profile);
    if (result == kResultFileWriteFailed) return result;
    m_ranges.sortByStart();
    int listed = kResultSuccess;
    forEachHole(m_ranges, windowStart, windowEnd, [&](Hole hole) {
      listed = ListFreeBlocks(hole.first, hole.last, sizeMinusOne);
      return listed != kResultFileWriteFailed && listed != kListingFull;
    });
    if (listed == kResultFileWriteFailed) return kResultFileWriteFailed;
    if (listed == kListingFull) showMessage(resources::msg::kMoreBlocksFit);
  }
  return sink.problemLines() > 0 ? kResultProblemDevice : result;
}

}  // namespace analysis
