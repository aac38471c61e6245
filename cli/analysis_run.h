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
};

struct Block {
  std::uint32_t start = 0, end = 0;
};

// What a Search read of the board (the analyze command is given it instead).
struct BoardReading {
  std::optional<std::uint32_t> memoryAddress;  // once the board was found
  std::optional<std::uint32_t> ioAddress;      // once its I/O register was read
};

struct AnalysisOutcome {
  bool completed = false;             // the Search ran to its end (exit status 0)
  std::optional<Window> ioWindow;     // known once FindIoWindow succeeded
  std::optional<Window> memoryWindow; // known once FindMemoryWindow succeeded
  std::optional<std::u16string> ini;  // the INI file's path, when it was written whole
  std::vector<ShownMessage> messages; // in the order shown
  std::optional<BoardReading> board;  // a Search's reading of the board (not analyze's)
};

// A block line as the result box receives it ("0x%08X-0x%08X\n"); nothing for any other text.
std::optional<Block> blockLine(std::u16string_view line);

// Blocks are handed on one by one as the result box gets them, not collected: a
// small size cuts the holes into more blocks than memory holds. Every block comes
// after the memory window is known and the I/O window is final.
using BlockSink = std::function<void(const AnalysisOutcome& sofar, const Block& block)>;

AnalysisOutcome runAnalysis(const AnalysisRequest& request, ConsoleHost& host, os::Files& files,
                            const BlockSink& onBlock);

}  // namespace cli
