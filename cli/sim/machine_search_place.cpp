// spanfinder search natively: the program on a simulated machine.
#include "app/target_boards.h"
#include "app/version_resource.h"
#include "cli/search_place.h"
#include "cli/sim/machine_options.h"
#include "os/posix/host.h"
#include "os/text.h"

namespace cli {
namespace {

// The program file carries its version resource, which the About box reads.
void giveProgramItsVersion(sim::Machine& m) {
  sim::VersionInfo::Strings strings;
  for (const auto& s : app::kVersionStrings)
    strings[u"\\StringFileInfo\\" + std::u16string(app::kVersionTableKey) + u"\\" + std::u16string(s.name)] =
        std::u16string(s.value);
  m.versions.setVersionResource(m.versions.programPath, strings);
}

class MachinePlace final : public SearchPlace {
 public:
  explicit MachinePlace(std::unique_ptr<sim::HostedMachine> hosted) : hosted_(std::move(hosted)) {}

  // The first function on the machine's bus that one of the boards' identity and
  // match words finds; else the dialog's default, KA10.
  analysis::Board defaultBoard() override {
    for (const sim::PciFunctionProfile& f : hosted_->profile().pci) {
      const auto reg = [&f](std::uint8_t offset) {
        const auto it = f.config.find(offset);
        return it == f.config.end() ? 0u : it->second;
      };
      for (const app::TargetBoard& b : app::targetBoards())
        if (reg(0x00) == b.identityWord && (b.matchWord == 0 || reg(0x94) == b.matchWord)) return b.board;
    }
    return analysis::Board::KA10;
  }

  ProgramSearchOutcome search(const ProgramSearchRequest& request, const BlockSink& onBlock) override {
    sim::Machine& machine = hosted_->machine();
    giveProgramItsVersion(machine);
    machine.install();
    ProgramSearchOutcome result = runProgramSearch(machine.platform(), request, onBlock);
    if (!result.libraryUp) result.libraryFailure = os::hostModulesLastFailure();
    return result;
  }

  // The INI file lands in the working folder behind the program's folder.
  std::u16string userPath(const std::u16string& windowsPath) override {
    const auto host = hosted_->machine().files.toHost(windowsPath);
    return host ? os::fromUtf8(host->string()) : windowsPath;
  }

  os::Files& files() override { return hosted_->machine().files; }
  resources::Language language() override { return resources::languageFor(hosted_->machine().facts.language); }

 private:
  std::unique_ptr<sim::HostedMachine> hosted_;
};

class MachinePlaceOptions final : public SearchPlaceOptions {
 public:
  std::unique_ptr<SearchPlace> open() const override {
    auto hosted = openMachine(options);
    if (!hosted) return nullptr;
    return std::make_unique<MachinePlace>(std::move(hosted));
  }
  MachineOptions options;
};

}  // namespace

const char* const kSearchDescription =
    "Run the program's Search on a simulated machine: find the board on its PCI bus, have its "
    "system-information tool write a report, list the free blocks and write the board's INI file "
    "into the current directory.";
const char* const kDefaultBoardHelp = "default: the board on the machine's bus";

std::shared_ptr<SearchPlaceOptions> addSearchPlaceOptions(CLI::App& command) {
  auto place = std::make_shared<MachinePlaceOptions>();
  addMachineOptions(command, place->options, true);
  return place;
}

}  // namespace cli
