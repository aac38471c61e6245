// Whole spanfinder processes, as a person runs them: `search` on the demo machine
// (start, library load, the PCI scans up to the board, the report, the four
// scans, the INI file), and `analyze` on the report that search left on the
// machine's drive C; `controllers` and `bios read` on the demo machine's
// controller; `capture` of the demo machine. Each iteration starts and waits for
// one process.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

fs::path binFolder() { return fs::read_symlink("/proc/self/exe").parent_path(); }

// Runs the tool in folder with its output thrown away; its exit status.
int runTool(const fs::path& folder, std::vector<std::string> args) {
  args.insert(args.begin(), (binFolder() / "spanfinder").string());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const std::string cwd = folder.string();
  posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  pid_t pid = 0;
  int status = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

fs::path benchFolder() {
  const fs::path folder = fs::temp_directory_path() / ("spanfinder-process-bench-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  return folder;
}

void BM_SearchProcessOnDemoMachine(benchmark::State& state) {
  const fs::path folder = benchFolder();
  const std::vector<std::string> args{"search", "--state", (folder / "state").string()};
  for (auto _ : state)
    if (runTool(folder, args) != 0) state.SkipWithError("spanfinder search failed");
  fs::remove_all(folder);
}
BENCHMARK(BM_SearchProcessOnDemoMachine)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);

void BM_AnalyzeProcessOnItsReport(benchmark::State& state) {
  const fs::path folder = benchFolder();
  if (runTool(folder, {"search", "--state", (folder / "state").string()}) != 0) {
    state.SkipWithError("spanfinder search failed");
    return;
  }
  const std::vector<std::string> args{"analyze", (folder / "state" / "C" / "msinfo.txt").string(), "--board", "KB20",
                                      "--memory-address", "F2000000", "--io-address", "C001"};
  for (auto _ : state)
    if (runTool(folder, args) != 0) state.SkipWithError("spanfinder analyze failed");
  fs::remove_all(folder);
}
BENCHMARK(BM_AnalyzeProcessOnItsReport)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);

// `controllers` (library load, driver start, the controller search with the flash
// identification and the chip's version and date, the state saved) and `bios read`
// (the same, then 2,048 block requests on the worker, the file written and renamed).
void BM_ControllerProcessOnDemoMachine(benchmark::State& state, std::vector<std::string> args) {
  const fs::path folder = benchFolder();
  args.insert(args.end(), {"--state", (folder / "state").string()});
  for (auto _ : state)
    if (runTool(folder, args) != 0) state.SkipWithError("spanfinder failed");
  fs::remove_all(folder);
}
BENCHMARK_CAPTURE(BM_ControllerProcessOnDemoMachine, controllers, std::vector<std::string>{"controllers"})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_ControllerProcessOnDemoMachine, biosRead,
                  std::vector<std::string>{"bios", "read", "1", "chip.bin", "--force"})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
// `capture` (the controller search, a second start of the driver for the 65,536
// probes of the configuration scan and the registers of every present function,
// the system-information tool and its report, the profile written and renamed).
BENCHMARK_CAPTURE(BM_ControllerProcessOnDemoMachine, capture,
                  std::vector<std::string>{"capture", "demo-capture.json", "--force"})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace
