// The controller commands natively: the access library on a simulated machine,
// whose flash chips, device settings and services are kept in its state folder
// for the next run.
#include <filesystem>
#include <system_error>

#include "cli/controller_place.h"
#include "cli/sim/machine_options.h"
#include "os/text.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

// The drive through which the machine reaches host files outside the program's
// folder, the whole host file system as its root folder.
constexpr char kHostDrive = 'Z';

class MachineControllerPlace final : public ControllerPlace {
 public:
  MachineControllerPlace(std::unique_ptr<sim::HostedMachine> hosted, fs::path workingFolder)
      : hosted_(std::move(hosted)), workingFolder_(std::move(workingFolder)) {
    sim::Machine& m = hosted_->machine();
    m.files.mapDrive(kHostDrive, "/");
    m.install();
    facilities_ = m.platform();
  }
  ~MachineControllerPlace() override { os::installPlatform({}); }

  const os::Platform& facilities() const override { return facilities_; }

  // A file in the working folder (or below it) as the program's folder names it;
  // any other by its place on the host drive.
  std::optional<std::string> libraryPath(const std::string& userPath, std::string& error) const override {
    std::error_code ec;
    const fs::path full = fs::absolute(fs::path(userPath), ec).lexically_normal();
    if (ec) {
      error = userPath + ": no such place (" + ec.message() + ")";
      return std::nullopt;
    }
    const fs::path inside = full.lexically_relative(workingFolder_);
    std::string path;
    if (!inside.empty() && *inside.begin() != "..")
      path = os::toUtf8(sim::kProgramFolder) + "\\" + inside.string();
    else
      path = std::string(1, kHostDrive) + ":" + full.string();
    for (char& c : path)
      if (c == '/') c = '\\';
    return path;
  }

  void settle() override { hosted_->machine().threads.joinAll(); }
  std::optional<std::string> keep() override { return hosted_->saveState(); }

 private:
  std::unique_ptr<sim::HostedMachine> hosted_;
  fs::path workingFolder_;
  os::Platform facilities_;
};

class MachineControllerPlaceOptions final : public ControllerPlaceOptions {
 public:
  std::unique_ptr<ControllerPlace> open() const override {
    auto hosted = openMachine(options);
    if (!hosted) return nullptr;
    std::error_code ec;
    fs::path working = fs::current_path(ec);
    return std::make_unique<MachineControllerPlace>(std::move(hosted), working.lexically_normal());
  }
  std::vector<std::string> placeArguments() const override {
    std::vector<std::string> words;
    if (!options.machine.empty()) words.insert(words.end(), {"--machine", options.machine});
    if (!options.state.empty()) words.insert(words.end(), {"--state", options.state});
    return words;
  }
  MachineOptions options;
};

}  // namespace

std::shared_ptr<ControllerPlaceOptions> addControllerPlaceOptions(CLI::App& command) {
  auto place = std::make_shared<MachineControllerPlaceOptions>();
  addMachineOptions(command, place->options, false);
  return place;
}

}  // namespace cli
