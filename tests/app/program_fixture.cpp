#include "program_fixture.h"

#include <unistd.h>

#include "app/dialog_templates.h"
#include "app/version_resource.h"
#include "os/text.h"

namespace app_test {

ScriptedLibrary library;

int OS_WINAPI scriptedInitLibrary() {
  const int call = library.initCalls++;
  if (call == 0 && library.duringInit) library.duringInit();
  return call < static_cast<int>(library.initResults.size()) ? library.initResults[call] : 1;
}

int OS_WINAPI scriptedExitLibrary() {
  ++library.exitCalls;
  if (library.duringExit) library.duringExit();
  return 1;
}

int OS_WINAPI scriptedGetPciConfig(std::int32_t identity, std::int32_t match, std::int32_t offset,
                                   std::uint32_t* value) {
  library.reads.push_back({static_cast<std::uint32_t>(identity), static_cast<std::uint32_t>(match), offset});
  if (!library.boardPresent || static_cast<std::uint32_t>(identity) != library.identity ||
      (match != 0 && static_cast<std::uint32_t>(match) != library.match) || library.notFoundAt.count(offset))
    return 0;
  const auto it = library.registers.find(offset);
  *value = it == library.registers.end() ? 0 : it->second;
  return 1;
}

sim::Modules::Entries libraryEntries(bool init, bool getPciConfig, bool exit) {
  sim::Modules::Entries entries;
  if (init) entries["KX_InitLibrary"] = reinterpret_cast<os::ProcAddress>(&scriptedInitLibrary);
  if (getPciConfig) entries["KX_GetPCIConfig"] = reinterpret_cast<os::ProcAddress>(&scriptedGetPciConfig);
  if (exit) entries["KX_ExitLibrary"] = reinterpret_cast<os::ProcAddress>(&scriptedExitLibrary);
  // An entry the program never binds, so that a library without the three still loads.
  entries["fnKXACS"] = reinterpret_cast<os::ProcAddress>(&scriptedExitLibrary);
  return entries;
}

void PrintTo(const ShownBox& box, std::ostream* os) {
  *os << (box.application ? "app:" : "dialog:") << box.message;
}

ProgramTest::ProgramTest() {
  library = ScriptedLibrary{};
  root_ = std::filesystem::temp_directory_path() /
          ("spanfinder-app-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
  std::filesystem::remove_all(root_);
  machine_ = std::make_unique<sim::Machine>(root_);
  machine_->createFile(machine_->versions.programPath);
  sim::VersionInfo::Strings strings;
  for (const auto& s : app::kVersionStrings)
    strings[u"\\StringFileInfo\\" + std::u16string(app::kVersionTableKey) + u"\\" + std::u16string(s.name)] =
        std::u16string(s.value);
  machine_->versions.setVersionResource(machine_->versions.programPath, strings);
  machine_->modules.add(u"Cfgprobe64.Dll", libraryEntries());
  machine_->install();
  ui_ = std::make_unique<ui::headless::WindowSystem>(app::programResources(), machine_->windows);
  app_ = std::make_unique<ui::Application>(*ui_, machine_->platform());
}

ProgramTest::~ProgramTest() {
  app_.reset();
  ui_.reset();
  os::installPlatform(os::Platform{});
  machine_.reset();
  std::filesystem::remove_all(root_);
}

std::intptr_t ProgramTest::runMainDialog(std::vector<Step> steps) {
  CTmx4CheckLinkSpeedDlg dialog(*app_);
  app_->setMainWindow(&dialog);
  for (auto& step : steps) ui_->then([&dialog, step] { step(dialog); });
  const std::intptr_t result = dialog.doModal();
  app_->setMainWindow(nullptr);
  ui_->script.clear();
  return result;
}

void ProgramTest::describeWorkingKb20() {
  library.identity = library.match = 0x01021195;
  library.registers = {{0x10, 0xF2000000}, {0x1C, 0xC001}};
  sim::SystemReportDescription& r = machine_->systemInfoTool.resources;
  r.io = {range(0x0000, 0x0CF7, "PCI bus"), range(0xC000, 0xFFFF, "PCI bridge"), range(0xC000, 0xC0FF, "KB20")};
  r.memory = {range(0xF0000000, 0xF3FFFFFF, "PCI bus"), range(0xF2000000, 0xF2FFFFFF, "bridge"),
              range(0xF2000000, 0xF2003FFF, "KB20"), range(0xF0000000, 0xF00FFFFF, "device"),
              range(0xFED00000, 0xFED003FF, "HPET")};
  r.problemDevices.clear();
}

std::u16string ProgramTest::text(std::uint16_t id) const {
  const auto language = resources::languageFor(machine_->facts.language);
  return resources::loadMessage(id, language);
}

std::vector<ShownBox> ProgramTest::shownBoxes() const {
  static const std::uint16_t kNumbers[] = {501, 502, 503, 504, 509, 510, 700, 701, 702, 703,
                                           704, 705, 706, 707, 900, 9999};
  std::vector<ShownBox> shown;
  for (const auto& box : ui_->messageBoxes()) {
    std::uint16_t number = 0;
    for (std::uint16_t id : kNumbers)
      if (text(id) == box.text) number = id;
    shown.push_back({(box.type & ui::kMbIconMask) == ui::kMbIconExclamation, number});
  }
  return shown;
}

}  // namespace app_test
