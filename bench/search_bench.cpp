// One whole Search on the headless back end: the two configuration reads, the
// simulated system-information tool writing its report, the analysis of it, the
// result box and the INI file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "app/dialog_templates.h"
#include "app/main_dialog.h"
#include "app/resource_ids.h"
#include "sim/machine.h"
#include "ui/headless/window_system.h"

namespace {

int OS_WINAPI benchInit() { return 1; }
int OS_WINAPI benchExit() { return 1; }
int OS_WINAPI benchGetPciConfig(std::int32_t, std::int32_t, std::int32_t offset, std::uint32_t* value) {
  *value = offset == 0x10 ? 0xF2000000u : 0xC001u;
  return 1;
}

void BM_WholeSearch(benchmark::State& state) {
  const auto root = std::filesystem::temp_directory_path() / ("spanfinder-bench-" + std::to_string(::getpid()));
  std::filesystem::remove_all(root);
  {
    sim::Machine machine(root);
    machine.createFile(u"C:\\Tools\\Spanfinder64.exe");
    machine.modules.add(u"Cfgprobe64.Dll",
                        {{"KX_InitLibrary", reinterpret_cast<os::ProcAddress>(&benchInit)},
                         {"KX_ExitLibrary", reinterpret_cast<os::ProcAddress>(&benchExit)},
                         {"KX_GetPCIConfig", reinterpret_cast<os::ProcAddress>(&benchGetPciConfig)}});
    auto& r = machine.systemInfoTool.resources;
    r.io = {{0xC000, 0xFFFF, "PCI bridge"}, {0xC000, 0xC0FF, "KB20"}};
    for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(state.range(0)); ++i)
      r.memory.push_back({0xE0000000 + i * 0x10000, 0xE0000FFF + i * 0x10000, "device"});
    r.memory.push_back({0xF0000000, 0xF3FFFFFF, "PCI bus"});
    r.memory.push_back({0xF2000000, 0xF2003FFF, "KB20"});
    ui::headless::WindowSystem windows(app::programResources(), machine.windows);
    ui::Application application(windows, machine.platform());
    CTmx4CheckLinkSpeedDlg dialog(application);
    windows.then([&] {
      windows.click(dialog.handle(), app::kRadioKB20);
      for (auto _ : state) benchmark::DoNotOptimize(dialog.RunSearch());
      // Each Search must have got to its closing messages, 503 and 509.
      if (windows.messageBoxes().size() != 2 * static_cast<std::size_t>(state.iterations()))
        state.SkipWithError("a Search did not complete");
    });
    dialog.doModal();
  }
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_WholeSearch)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
