// One analysis of a large system report: the four report scans of a Search
// (I/O window, I/O room, memory window, free-space search) and the INI file.
// The report is about 10 MB and 130,000 lines, most of them ranges that no
// window contains, as on a machine with very many devices.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "analysis/engine.h"
#include "os/posix/host.h"
#include "os/text.h"
#include "sim/system_report.h"

namespace {

namespace fs = std::filesystem;

class BenchHost final : public analysis::EngineHost {
 public:
  class Box final : public analysis::ResultBox {
   public:
    std::uint32_t getLimitText() override { return 30000; }
    void setSel(std::uint32_t, std::uint32_t) override {}
    void scrollCaret() override {}
    void replaceSel(std::u16string_view, bool) override { ++lines; }
    std::uint32_t lines = 0;
  } box;
  analysis::ResultBox& resultBox() override { return box; }
  void showAppMessage(std::uint16_t, std::u16string_view) override {}
  analysis::Board checkedBoard() override { return analysis::Board::KB20; }
  std::u16string currentDirectory() override { return directory; }
  resources::Language language() override { return resources::Language::English; }
  std::u16string messageText(std::uint16_t id, resources::Language language) override {
    return resources::loadMessage(id, language);
  }
  std::u16string directory;
};

sim::SystemReportDescription largeReport() {
  sim::SystemReportDescription d;
  const std::string device = "PCI device";
  d.io = {{0x0D00, 0xFFFF, "PCI bus"}, {0xE000, 0xE0FF, "Nordvale KB20 Bridge"}, {0xD000, 0xDFFF, device}};
  d.memory = {{0xC0000000, 0xFEBFFFFF, "PCI bus"}, {0xF7E00000, 0xF7EFFFFF, device},
              {0xF7E00000, 0xF7E03FFF, "Nordvale KB20 Bridge"}};
  for (std::uint32_t i = 0; i < 100; ++i)  // devices inside the memory window
    d.memory.push_back({0xC0000000 + i * 0x00A00000, 0xC0000000 + i * 0x00A00000 + 0x3FFFFF, device});
  for (std::uint32_t i = 0; d.io.size() + d.memory.size() < 130000; ++i) {  // the rest lie outside every window
    d.io.push_back({0x10000 + i * 0x10, 0x1000F + i * 0x10, device});
    d.memory.push_back({0x10000000 + i * 0x1000, 0x10000FFF + i * 0x1000, device});
  }
  for (int i = 0; i < 200; ++i) d.problemDevices.push_back({"PCI Device", "PCI\\VEN_8086&DEV_1C3A&SUBSYS_04B21028", "Code 28"});
  return d;
}

void BM_AnalyseLargeReport(benchmark::State& state) {
  const fs::path dir = fs::temp_directory_path() / ("spanfinder-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::u16string report = os::fromUtf8((dir / "msinfo.txt").string());
  if (!sim::writeSystemReport(os::hostFiles(), report, largeReport())) {
    state.SkipWithError("cannot write the report");
    return;
  }
  const auto bytes = static_cast<std::int64_t>(fs::file_size(dir / "msinfo.txt"));
  BenchHost host;
  host.directory = os::fromUtf8(dir.string());
  analysis::Engine engine(host, os::hostFiles());
  for (auto _ : state) {
    std::uint32_t ioStart = 0, ioEnd = 0, start = 0, end = 0;
    int result = engine.FindIoWindow(report, 0xE001, ioStart, ioEnd);
    result |= engine.CheckIoFreeSpace(report, ioStart, ioEnd, analysis::kRequiredIoSpace);
    result |= engine.FindMemoryWindow(report, 0xF7E00000, start, end);
    result |= engine.SearchFreeMemory(report, start, end, 0x5FFFFF);
    if (result != 0 || start != 0xC0000000) state.SkipWithError("unexpected analysis result");
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(state.iterations() * bytes);  // report bytes analysed (each read four times)
  state.counters["reportMB"] = static_cast<double>(bytes) / 1e6;
  state.counters["blocks"] = static_cast<double>(host.box.lines) / static_cast<double>(state.iterations());
  fs::remove_all(dir);
}
BENCHMARK(BM_AnalyseLargeReport)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
