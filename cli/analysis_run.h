#pragma once
// The engine steps of the Search on a saved report: the I/O window and its room
// (when the board I/O address is known), the memory window, and the free-space
// search with the INI file, ending with the Search's messages.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/console_host.h"
#include "os/files.h"

namespace cli {

struct AnalysisRequest {
  std::u16string reportPath;
  analysis::Board board = analysis::Board::KB20;
  std::uint32_t memoryAddress = 0;
  std::optional<std::uint32_t> ioAddress;
  std::u16string sizeText = u"600000";  // the Space Size box's text
};

struct Window {
  std::uint32_t start = 0, end = 0;
  bool empty() const { return start == 0 && end == 0; }  // no range held the address
};

struct Block {
  std::uint32_t start = 0, end = 0;
};

// The two addresses read from the board's configuration registers, when a Search
// on a machine read them; a register that was not read stays empty.
struct BoardReading {
  std::optional<std::uint32_t> memoryAddress, ioAddress;
};

struct AnalysisOutcome {
  bool completed = false;              // the Search ran to its end
  std::optional<BoardReading> board;   // set by a Search that read the board (never by analyze)
  std::optional<Window> ioWindow;      // known once FindIoWindow succeeded
  std::optional<bool> ioRoom;          // whether the I/O window has 0x3000 free bytes, once checked
  std::optional<Window> memoryWindow;  // known once FindMemoryWindow succeeded
  std::optional<Window> innerWindow;   // the memory window's inner window, known with it
  std::optional<std::uint32_t> blockSize;  // the requested size, once the free-space search ran
  // The INI file the free-space search aimed at (a Windows path); empty for KA10
  // or when it did not get that far. Without a current directory it holds the
  // file's name alone and iniFolderUnknown is set.
  std::u16string iniPath;
  bool iniFolderUnknown = false;
  bool iniIncomplete = false;          // a write to it failed (706): what is there is incomplete
  std::optional<std::u16string> ini;   // the INI file's path, when it was written whole
  std::vector<ShownMessage> messages;  // in the order shown
};

// The Search ran to its end without a memory window: no range held the address,
// or the report's headings were not the ones looked for. Not a success.
inline bool endedWithoutMemoryWindow(const AnalysisOutcome& out) {
  return out.completed && out.memoryWindow && out.memoryWindow->empty();
}

// A block line as the result box receives it ("0x%08X-0x%08X" and CR LF); nothing for any other text.
std::optional<Block> blockLine(std::u16string_view line);

// Blocks are handed on one by one as the result box gets them, not collected: a
// small size cuts the holes into more blocks than memory holds. Every block comes
// after the memory window is known and the I/O window is final.
using BlockSink = std::function<void(const AnalysisOutcome& sofar, const Block& block)>;

AnalysisOutcome runAnalysis(const AnalysisRequest& request, ConsoleHost& host, os::Files& files,
                            const BlockSink& onBlock);

}  // namespace cli
