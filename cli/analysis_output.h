#pragma once
// The output contract of spanfinder analyze, text or JSON. Blocks are printed as
// the analysis lists them, so that no number of blocks has to be held at once;
// the rest is printed when the analysis has ended.
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

// "Start: %X" and "End: %X", the block lines, "INI: PATH", then "NNN: text" per
// message (completion messages on stdout, failure messages on stderr).
std::unique_ptr<AnalysisPrinter> textPrinter();
// One JSON object: board, ioWindow (only when withIo), memoryWindow, blocks, ini,
// messages; addresses as "0x%08X" strings.
std::unique_ptr<AnalysisPrinter> jsonPrinter(std::string board, bool withIo);

}  // namespace cli
