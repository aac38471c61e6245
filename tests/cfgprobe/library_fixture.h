#pragma once
// A simulated machine installed as the platform, with the driver file in the
// current directory C:\Tools, and the library's process-wide state put back after
// every test.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "cfgprobe/cfgprobe.h"
#include "cfgprobe/library_state.h"
#include "sim/machine.h"

namespace cfgprobe_test {

// The protected and private parts the tests drive directly.
struct OpenKXACS : CKXACS {
  using CKXACS::dwReadMem;
  using CKXACS::GetDeviceDescription;
  using CKXACS::dwWritePort;
  using CKXACS::InstallService;
  using CKXACS::ReadMem;
  using CKXACS::RemoveKXDriver;
  using CKXACS::StartKXDriver;
  using CKXACS::StopKXDriver;
};

// The shared library as a program loads it: its own state, as fresh as the load
// made it, on the platform the test installed. Entries are looked up by name.
class LoadedLibrary {
 public:
  LoadedLibrary() : handle_(::dlopen(CFGPROBE_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL)) {}
  ~LoadedLibrary() { unload(); }
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  template <typename Function>
  Function* entry(const char* name) const {
    return reinterpret_cast<Function*>(::dlsym(handle_, name));
  }
  // Drops this load's reference, as FreeLibrary does.
  void unload() {
    if (handle_) ::dlclose(handle_);
    handle_ = nullptr;
  }
  // Whether the library is still mapped in the process (by anyone's reference).
  static bool mapped() {
    void* probe = ::dlopen(CFGPROBE_LIBRARY_FILE, RTLD_NOW | RTLD_NOLOAD);
    if (probe) ::dlclose(probe);
    return probe != nullptr;
  }

 private:
  void* handle_;
};

class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() /
            ("spanfinder-cfgprobe-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root_);
    machine_ = std::make_unique<sim::Machine>(root_);
    putDriverFile("Tools");
    machine_->install();
  }

  void TearDown() override {
    // Worker threads of a test that failed early must not outlive its machine.
    machine_->accessDriver.onRequest(nullptr);
    machine_->threads.joinAll();
    CKXACS::CurrentStatus = kStatusIdle;
    machine_->services.failOpenManager(0);
    KX_ExitLibrary();
    delete TheLibrary;
    TheLibrary = nullptr;
    LastError = 0;
    DriverServiceError = 0;
    NotifyWindow = nullptr;
    NotifyMessage = 0;
    BiosOperationProgress = 0;
    std::memset(DeviceTable, 0xFF, sizeof DeviceTable);  // as the library starts out: every record free
    DeviceCount = 0;
    std::memset(CKXACS::szFileNameToReadBios, 0, kPathBufferSize);
    std::memset(CKXACS::szFileNameToSaveBios, 0, kPathBufferSize);
    os::installPlatform(os::Platform{});
    machine_.reset();
    std::filesystem::remove_all(root_);
  }

  sim::Machine& machine() { return *machine_; }

  // Puts a driver file into a folder of drive C (relative to its root).
  void putDriverFile(const std::string& folder) {
    std::filesystem::create_directories(root_ / "C" / folder);
    std::ofstream(root_ / "C" / folder / "Cfgprobe64.sys") << "driver";
  }
  void removeDriverFile(const std::string& folder) { std::filesystem::remove(root_ / "C" / folder / "Cfgprobe64.sys"); }

  sim::PciFunction& addFunction(int bus, int device, int function, std::uint32_t identity) {
    return machine_->pci.add(
        {static_cast<std::uint8_t>(bus), static_cast<std::uint8_t>(device), static_cast<std::uint8_t>(function)},
        identity);
  }

  int driverHandlesOpen() const { return machine_->devices.openHandles("KxACS"); }
  const std::filesystem::path& root() const { return root_; }

 private:
  std::filesystem::path root_;
  std::unique_ptr<sim::Machine> machine_;
};

}  // namespace cfgprobe_test
