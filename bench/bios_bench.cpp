// The BIOS image operations and a controller search through the simulated access
// driver: a 128 KiB read, compare and write of a SiI3132's flash chip (2048 block
// requests each; a write first erases, its 100 ms wait passing on the machine's
// clock), and the SiI3132 search of every bus, device and function.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

#include "cfgprobe/cfgprobe.h"
#include "sim/machine.h"

namespace {

constexpr std::uint32_t kMessage = 0x8123;

// A machine with one controller whose chip holds an image, the library started on
// it, the controller found, and a window for the completion messages.
class BiosBench {
 public:
  BiosBench() {
    root_ = std::filesystem::temp_directory_path() / ("spanfinder-bios-bench-" + std::to_string(::getpid()));
    std::filesystem::remove_all(root_);
    machine_ = std::make_unique<sim::Machine>(root_);
    std::filesystem::create_directories(root_ / "C" / "Tools");
    std::ofstream(root_ / "C" / "Tools" / "Cfgprobe64.sys") << "driver";
    image_.resize(131072);
    for (std::size_t i = 0; i < image_.size(); ++i) image_[i] = static_cast<std::uint8_t>(i * 7 + i / 64);
    std::ofstream(root_ / "C" / "Tools" / "bios.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(image_.data()), static_cast<std::streamsize>(image_.size()));
    sim::SiI3132Setup setup;
    setup.location = {3, 0, 0};
    setup.flashImage = image_;
    machine_->addSiI3132(setup);
    machine_->install();
    window_ = machine_->windows.createWindow(nullptr, u"bench");
    int count = 0;
    ready_ = KX_InitLibrary() == 1 && KX_GetSiI3132Device(&count) == 1 && KX_SetWindowMessage(window_, kMessage) == 1;
  }
  ~BiosBench() {
    machine_->threads.joinAll();
    KX_ExitLibrary();
    os::installPlatform(os::Platform{});
    machine_.reset();
    std::filesystem::remove_all(root_);
  }

  bool ready() const { return ready_; }
  // Starts an operation and waits for its completion message; its result.
  std::intptr_t run(const std::function<int(char*)>& start) {
    char path[] = "C:\\Tools\\bios.bin";
    if (start(path) != 1) return 0;
    os::PostedMessage message;
    if (!machine_->threads.waitForMessage(window_, 60000, &message)) return 0;
    machine_->threads.joinAll();
    return message.lParam;
  }

 private:
  std::filesystem::path root_;
  std::unique_ptr<sim::Machine> machine_;
  std::vector<std::uint8_t> image_;
  os::Handle window_ = nullptr;
  bool ready_ = false;
};

void runOperation(benchmark::State& state, const std::function<int(char*)>& start) {
  BiosBench bench;
  if (!bench.ready()) {
    state.SkipWithError("the library did not start");
    return;
  }
  for (auto _ : state) {
    if (bench.run(start) != 1) {
      state.SkipWithError("the operation failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 131072);
}

void BM_BiosRead(benchmark::State& state) {
  runOperation(state, [](char* path) { return KX_GetBiosData(1, path); });
}

void BM_BiosCompare(benchmark::State& state) {
  runOperation(state, [](char* path) { return KX_CompareBiosData(1, path); });
}

void BM_BiosWrite(benchmark::State& state) {
  runOperation(state, [](char* path) { return KX_SetBiosData(1, path); });
}

void BM_ControllerSearch(benchmark::State& state) {
  BiosBench bench;
  if (!bench.ready()) {
    state.SkipWithError("the library did not start");
    return;
  }
  for (auto _ : state) {
    int count = 0;
    benchmark::DoNotOptimize(KX_GetSiI3132Device(&count));
  }
}

BENCHMARK(BM_BiosRead)->Unit(benchmark::kMillisecond)->UseRealTime();  // the work is on the worker thread
BENCHMARK(BM_BiosCompare)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BiosWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ControllerSearch)->Unit(benchmark::kMillisecond);

}  // namespace
