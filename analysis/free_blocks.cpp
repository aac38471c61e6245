// Cutting one hole into blocks, listing them in the result box and appending
// them to the INI file.
#include <cstdio>

#include "analysis/engine.h"
#include "analysis/holes.h"
#include "analysis/ini_file.h"
#include "resources/messages.h"

namespace analysis {
namespace {

constexpr std::uint32_t kBlockUnit = 0x100000;  // blocks are cut from whole 1 MB units

// The line as the result box shows it, ended by CR LF (kBlockLineLength characters).
std::u16string blockLine(std::uint32_t first, std::uint32_t last) {
  char text[32];
  const int n = std::snprintf(text, sizeof text, "0x%08X-0x%08X\r\n", static_cast<unsigned>(first),
                              static_cast<unsigned>(last));
  return std::u16string(text, text + (n > 0 ? n : 0));
}

// Appends a line at the end of the result box, as the edit control is driven:
// an empty selection at the limit (which is never below the text's length)
// lands at the end of the text, which is scrolled into view and replaced.
void appendToResultBox(ResultBox& box, std::u16string_view line) {
  const std::uint32_t limit = box.getLimitText();
  box.setSel(limit, limit);
  box.scrollCaret();
  box.replaceSel(line, false);
}

}  // namespace

int Engine::ListFreeBlocks(std::uint32_t holeFirst, std::uint32_t holeLast, std::uint32_t sizeMinusOne) {
  const auto units = alignedHole(Hole{holeFirst, holeLast}, kBlockUnit);
  if (!units || units->last - units->first < sizeMinusOne) return kNoBlockFits;
  if (m_blocksListed >= kMaxListedBlocks) return kListingFull;

  IniFile ini(m_files);
  if (!m_iniPath.empty() && (m_iniFolderUnknown || !ini.openForAppend(m_iniPath))) {
    m_iniWritten = false;
    showMessage(resources::msg::kFileOpenFailed);
    return kResultFileOpenFailed;
  }

  std::uint32_t blockEnd = units->last;
  for (;;) {
    if (m_blocksListed >= kMaxListedBlocks) return kListingFull;
    ++m_blocksListed;
    const std::uint32_t blockStart = blockEnd - sizeMinusOne;
    appendToResultBox(m_host.resultBox(), blockLine(blockStart, blockEnd));
    if (ini.isOpen()) {
      const bool active = m_firstBlockPending != 0;
      if (!ini.writeLine(iniBlockStartLine(blockStart, active)) || !ini.writeLine(iniBlockEndLine(blockEnd, active))) {
        ini.close();
        m_iniWritten = false;
        showMessage(resources::msg::kFileWriteFailed);
        return kResultFileWriteFailed;
      }
      m_firstBlockPending = 0;
    }
    if (blockStart == 0) break;
    blockEnd = blockStart - 1;
    if (blockEnd <= units->first || blockEnd - units->first < sizeMinusOne) break;
  }
  return kBlocksListed;
}

}  // namespace analysis
