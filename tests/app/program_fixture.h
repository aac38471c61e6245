#pragma once
// A simulated machine with the program's access library scripted, the headless
// window system on its desktop, and helpers to run the real main dialog.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "os/types.h"
#include "resources/messages.h"
#include "sim/machine.h"
#include "ui/application.h"
#include "ui/headless/window_system.h"

namespace app_test {

// The access library as a script: plain functions behind the three entries,
// answering from this state.
struct ScriptedLibrary {
  std::vector<int> initResults;  // answer of each KX_InitLibrary call; 1 once they run out
  std::function<void()> duringInit;  // runs inside the first KX_InitLibrary call
  std::function<void()> duringExit;  // runs inside each KX_ExitLibrary call
  int initCalls = 0, exitCalls = 0;
  bool boardPresent = true;
  std::uint32_t identity = 0x01021195, match = 0x01021195;  // the board on the bus (KB20)
  std::map<std::int32_t, std::uint32_t> registers;          // configuration registers of the board
  std::set<std::int32_t> notFoundAt;                        // offsets whose read answers 0
  struct Read {
    std::uint32_t identity, match;
    std::int32_t offset;
  };
  std::vector<Read> reads;
};
extern ScriptedLibrary library;

int OS_WINAPI scriptedInitLibrary();
int OS_WINAPI scriptedExitLibrary();
int OS_WINAPI scriptedGetPciConfig(std::int32_t identity, std::int32_t match, std::int32_t offset, std::uint32_t* value);

// The library's entries, all of them unless told otherwise.
sim::Modules::Entries libraryEntries(bool init = true, bool getPciConfig = true, bool exit = true);

struct ShownBox {
  bool application;  // application message box (exclamation) or dialog message box (no icon)
  std::uint16_t message;
  bool operator==(const ShownBox&) const = default;
};
void PrintTo(const ShownBox& box, std::ostream* os);
inline ShownBox appBox(std::uint16_t id) { return {true, id}; }
inline ShownBox dialogBox(std::uint16_t id) { return {false, id}; }

class ProgramTest : public ::testing::Test {
 protected:
  using Step = std::function<void(CTmx4CheckLinkSpeedDlg&)>;

  ProgramTest();
  ~ProgramTest() override;

  // Runs the main dialog as the application runs it, the steps acting as the user
  // while it is up. Returns its result.
  std::intptr_t runMainDialog(std::vector<Step> steps);
  // One Search inside a running dialog, with its result.
  bool search(CTmx4CheckLinkSpeedDlg& dialog) { return dialog.RunSearch(); }

  // A KB20 board whose report leads to a complete Search: I/O window with room,
  // memory window 0xF0000000-0xF3FFFFFF, no problem devices.
  void describeWorkingKb20();

  // The message boxes shown so far, by message number (as the current language has them).
  std::vector<ShownBox> shownBoxes() const;
  std::u16string text(std::uint16_t id) const;

  std::filesystem::path root_;
  std::unique_ptr<sim::Machine> machine_;
  std::unique_ptr<ui::headless::WindowSystem> ui_;
  std::unique_ptr<ui::Application> app_;
  sim::Machine& m() { return *machine_; }
  ui::headless::WindowSystem& ui() { return *ui_; }
};

inline sim::ReportRange range(std::uint32_t start, std::uint32_t end, std::string device = "PCI device") {
  return {start, end, std::move(device), "OK"};
}

}  // namespace app_test
