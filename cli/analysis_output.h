#pragma once
// The output contract of spanfinder analyze (and of the Search on a machine),
// text or JSON. Blocks are printed as the analysis lists them, so that no number
// of blocks has to be held at once; the rest is printed when the analysis has
// ended.
#include <cstdint>
#include <memory>
#include <string>

#include "cli/analysis_run.h"

namespace cli {

class AnalysisPrinter {
 public:
  virtual ~AnalysisPrinter() = default;
  // One block; sofar holds the windows, which are final by then.
  virtual void block(const AnalysisOutcome& sofar, const Block& block) = 0;
  // Everything not yet printed, once the analysis has ended.
  virtual void finish(const AnalysisOutcome& out) = 0;
};

// Text shows this many block lines unless every one is asked for.
constexpr std::uint64_t kBlockLinesShown = 100;

struct TextOptions {
  bool withIo = false;     // an I/O address was given: the I/O window line is shown
  bool allBlocks = false;  // every block line, not only the first kBlockLinesShown
};

// Labelled lines for people, on stdout:
//   Board: memory address 0x%08X, I/O address 0x%08X     (only when the board was read)
//   I/O window: 0x%08X-0x%08X, 0x3000 free bytes: found  (only withIo)
//   Memory window: 0x%08X-0x%08X
//   0x%08X-0x%08X                                        (one per block)
//   ... N more blocks (use --all)
//   Free blocks: N of 0x%X bytes
//   INI: PATH (active block 0x%08X-0x%08X)
//   NNN: text                                            (503, 509)
// and on stderr the failure messages as "spanfinder: NNN: text", the INI path
// before the number for 703 and 706.
std::unique_ptr<AnalysisPrinter> textPrinter(TextOptions options);
// One JSON object: board, boardMemoryAddress and boardIoAddress (only when the
// board was read), ioWindow (only when withIo), memoryWindow, blocks, ini,
// messages; addresses as "0x%08X" strings.
std::unique_ptr<AnalysisPrinter> jsonPrinter(std::string board, bool withIo);

}  // namespace cli
