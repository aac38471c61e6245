#include "cli/analysis_run.h"

#include "analysis/engine.h"
#include "analysis/hex_number.h"
#include "resources/messages.h"

namespace cli {
namespace {

namespace msg = resources::msg;

bool failed(ConsoleHost& host, std::uint16_t id) {
  host.show(id, false);
  return false;
}

// Where the free-space search put the INI file. An empty current directory gives
// the engine a path at the drive's root that it never opens; only the file's
// name means anything to the user then.
void noteIniFile(const analysis::Engine& engine, ConsoleHost& host, AnalysisOutcome& out) {
  if (engine.m_iniPath.empty()) return;
  out.iniFolderUnknown = host.currentDirectory().empty();
  out.iniPath = out.iniFolderUnknown ? engine.m_iniPath.substr(engine.m_iniPath.rfind(u'\\') + 1) : engine.m_iniPath;
  if (engine.iniFileWritten()) out.ini = engine.m_iniPath;
}

// Steps 8 to 14 of the Search, after step 5's check of the memory address; true
// when it ran to its end.
bool search(const AnalysisRequest& request, analysis::Engine& engine, ConsoleHost& host, AnalysisOutcome& out) {
  const std::u16string& report = request.reportPath;
  // A board without a memory address has had no resources assigned: the Search
  // refuses it before any analysis.
  if (request.memoryAddress == 0) return failed(host, msg::kNoResourceSigns);
  if (request.ioAddress) {
    std::uint32_t start = 0, end = 0;
    if (engine.FindIoWindow(report, *request.ioAddress, start, end) != analysis::kResultSuccess)
      return failed(host, msg::kRangeFailed);
    out.ioWindow = Window{start, end};
    if (!out.ioWindow->empty()) {
      const int room = engine.CheckIoFreeSpace(report, start, end, analysis::kRequiredIoSpace);
      if (room == analysis::kResultNoIoSpace) {
        out.ioRoom = false;
        return failed(host, msg::kIoSpaceMissing);
      }
      if (room != analysis::kResultSuccess) return failed(host, msg::kRangeFailed);
      out.ioRoom = true;
    }
  }
  std::uint32_t start = 0, end = 0;
  if (engine.FindMemoryWindow(report, request.memoryAddress, start, end) != analysis::kResultSuccess)
    return failed(host, msg::kRangeFailed);
  out.memoryWindow = Window{start, end};
  out.innerWindow = Window{engine.m_innerWindowStart, engine.m_innerWindowEnd};
  if (out.memoryWindow->empty()) return true;

  out.blockSize = analysis::parseHexNumber(request.sizeText);
  const int result = engine.SearchFreeMemory(report, start, end, *out.blockSize - 1);
  noteIniFile(engine, host, out);
  switch (result) {
    case analysis::kResultProblemDevice:
      host.show(msg::kAnalysisCompleted, true);
      return true;
    case analysis::kResultSuccess:
      host.show(msg::kAnalysisCompleted, true);
      host.show(msg::kProductsWorking, true);
      return true;
    case analysis::kResultFileWriteFailed:
      out.iniIncomplete = true;
      return false;  // the engine has shown the file-error report; the Search ends there
    default:
      return failed(host, msg::kAnalyzeFailed);
  }
}

}  // namespace

std::optional<Block> blockLine(std::u16string_view line) {
  if (line.size() != 23 || line.substr(0, 2) != u"0x" || line.substr(10, 3) != u"-0x" || line.substr(21) != u"\r\n")
    return std::nullopt;
  return Block{analysis::parseHexNumber(line.substr(0, 10)), analysis::parseHexNumber(line.substr(11, 10))};
}

AnalysisOutcome runAnalysis(const AnalysisRequest& request, ConsoleHost& host, os::Files& files,
                            const BlockSink& onBlock) {
  AnalysisOutcome out;
  analysis::Engine engine(host, files);
  host.box.onAppend = [&out, &onBlock](std::u16string_view line) {
    if (const auto block = blockLine(line)) onBlock(out, *block);
  };
  out.completed = search(request, engine, host, out);
  host.box.onAppend = nullptr;
  out.messages = host.messages;
  return out;
}

}  // namespace cli
