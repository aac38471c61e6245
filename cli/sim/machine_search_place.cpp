// spanfinder search natively: the program on a simulated machine.
#include <algorithm>
#include <optional>
#include <tuple>
#include <vector>

#include "app/target_boards.h"
#include "app/version_resource.h"
#include "cli/access_library.h"
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

// Where a board sits on the machine's bus: the functions its identity and match
// words find, in the order the library's scan meets them (bus, device, function).
std::vector<sim::PciLocation> functionsOf(const sim::MachineProfile& profile, const app::TargetBoard& board) {
  std::vector<sim::PciLocation> found;
  for (const sim::PciFunctionProfile& f : profile.pci) {
    const auto reg = [&f](std::uint8_t offset) {
      const auto it = f.config.find(offset);
      return it == f.config.end() ? 0u : it->second;
    };
    if (reg(0x00) == board.identityWord && (board.matchWord == 0 || reg(0x94) == board.matchWord))
      found.push_back(f.location);
  }
  std::sort(found.begin(), found.end(), [](const sim::PciLocation& a, const sim::PciLocation& b) {
    return std::tie(a.bus, a.device, a.function) < std::tie(b.bus, b.device, b.function);
  });
  return found;
}

class MachinePlace final : public SearchPlace {
 public:
  MachinePlace(std::unique_ptr<sim::HostedMachine> hosted, std::string name)
      : hosted_(std::move(hosted)), name_(std::move(name)) {}

  // The board the scan meets first on the machine's bus; else the dialog's
  // default, KA10.
  analysis::Board defaultBoard() override {
    std::optional<std::pair<sim::PciLocation, analysis::Board>> first;
    for (const app::TargetBoard& b : app::targetBoards()) {
      const auto found = functionsOf(hosted_->profile(), b);
      if (!found.empty() && (!first || std::tie(found[0].bus, found[0].device, found[0].function) <
                                           std::tie(first->first.bus, first->first.device, first->first.function)))
        first = {found[0], b.board};
    }
    return first ? first->second : analysis::Board::KA10;
  }

  std::string name() override { return "machine " + name_; }
  std::string boardLocation(analysis::Board board) override {
    const app::TargetBoard* row = app::targetBoard(board);
    const auto found = row ? functionsOf(hosted_->profile(), *row) : std::vector<sim::PciLocation>{};
    if (found.empty()) return {};
    return "bus " + std::to_string(found[0].bus) + ", device " + std::to_string(found[0].device) + ", function " +
           std::to_string(found[0].function);
  }

  ProgramSearchOutcome search(const ProgramSearchRequest& request, const BlockSink& onBlock) override {
    sim::Machine& machine = hosted_->machine();
    giveProgramItsVersion(machine);
    machine.install();
    ProgramSearchOutcome result = runProgramSearch(machine.platform(), request, onBlock);
    if (!result.libraryUp && !result.anotherCopyRan) {
      const std::string why = os::hostModulesLastFailure();
      result.libraryFailure =
          why.empty() ? libraryStartFailure(machine.platform()) : "the access library did not load: " + why;
    }
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
  std::string name_;
};

class MachinePlaceOptions final : public SearchPlaceOptions {
 public:
  std::unique_ptr<SearchPlace> open() const override {
    auto hosted = openMachine(options);
    if (!hosted) return nullptr;
    return std::make_unique<MachinePlace>(std::move(hosted), options.machine.empty() ? "demo" : options.machine);
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
  addMachineOptions(command, place->options);
  return place;
}

}  // namespace cli
