// A KX_GetPCIConfig scan that finds nothing: 65,536 probes, two driver requests
// each, through the simulated access driver.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "cfgprobe/cfgprobe.h"
#include "sim/machine.h"

namespace {

constexpr double kRequestsPerScan = 65536.0 * 2;

void BM_PciScanFindingNothing(benchmark::State& state) {
  const auto root = std::filesystem::temp_directory_path() / ("spanfinder-pci-bench-" + std::to_string(::getpid()));
  std::filesystem::remove_all(root);
  {
    sim::Machine machine(root);
    std::filesystem::create_directories(root / "C" / "Tools");
    std::ofstream(root / "C" / "Tools" / "Cfgprobe64.sys") << "driver";
    machine.pci.add({0, 0, 0}, 0x12378086);
    machine.pci.add({0, 31, 2}, 0x3A228086);
    machine.install();
    if (KX_InitLibrary() != 1) {
      state.SkipWithError("the library did not start");
    } else {
      for (auto _ : state) {
        KxULong value = 0;
        benchmark::DoNotOptimize(KX_GetPCIConfig(0x01021195, 0, 0x10, &value));
      }
      state.counters["per_request"] =
          benchmark::Counter(kRequestsPerScan, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
      KX_ExitLibrary();
    }
    os::installPlatform(os::Platform{});
  }
  std::filesystem::remove_all(root);
}

BENCHMARK(BM_PciScanFindingNothing)->Unit(benchmark::kMillisecond);

}  // namespace
