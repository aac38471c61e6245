#pragma once
// The main dialog: the whole user interface of the program. It owns the access
// library from its initialisation to its destruction, hosts the analysis engine
// and runs the Search.
#include <cstdint>
#include <optional>
#include <string>

#include "analysis/engine.h"
#include "analysis/engine_host.h"
#include "app/target_boards.h"
#include "ui/dialog.h"

// The result box as the engine appends to it: the four edit-control messages.
class CResultBoxAdapter final : public analysis::ResultBox {
 public:
  explicit CResultBoxAdapter(ui::Dialog& dialog) : m_dialog(dialog) {}
  std::uint32_t getLimitText() override;
  void setSel(std::uint32_t start, std::uint32_t end) override;
  void scrollCaret() override;
  void replaceSel(std::u16string_view text, bool canUndo) override;

 private:
  ui::Dialog& m_dialog;
};

// What the latest Search found on its way, for whoever watches the dialog (the
// command-line tool shows it); the Search itself never reads it back.
struct SearchFindings {
  std::optional<std::uint32_t> baseRegister;        // once the board was found: its base register
  std::optional<std::uint32_t> boardMemoryAddress;  // and the address it gives
  std::optional<std::uint32_t> boardIoAddress;      // once its I/O register was read
  std::u16string reportPath;                         // once the report was asked for
  std::optional<std::uint32_t> ioWindowStart, ioWindowEnd;  // once the I/O window was found
  std::optional<bool> ioRoom;                        // once the window's free room was checked
  std::optional<std::uint32_t> requestedSize;        // once the free-space search ran
};

class CTmx4CheckLinkSpeedDlg : public ui::Dialog, public analysis::EngineHost {
 public:
  explicit CTmx4CheckLinkSpeedDlg(ui::Application& app);
  ~CTmx4CheckLinkSpeedDlg() override = default;

  // The Search command: true when it got as far as filling the Start and End
  // boxes, false when it stopped earlier.
  bool RunSearch();
  // Runs the system-information tool for a report; 0 with the report's path, or
  // 100 (no Windows directory), 101 (command failed) or 102 (no "\WINDOWS").
  int RunSystemInfoTool(std::u16string& reportPath);
  void ShowResultError(int code) { m_engine.ShowResultError(code); }
  int LoadMessageChecked(std::uint16_t id, std::u16string& target);

  // analysis::EngineHost
  analysis::ResultBox& resultBox() override { return m_resultBox; }
  void showAppMessage(std::uint16_t, std::u16string_view text) override { app_.messageBox(text); }
  analysis::Board checkedBoard() override;
  std::u16string currentDirectory() override;
  resources::Language language() override;
  // From the program's string resources.
  std::u16string messageText(std::uint16_t id, resources::Language language) override;

  ui::IconHandle m_hIcon = nullptr;
  os::Handle m_hLibrary = nullptr;
  ui::Font m_resultFont;

  analysis::Engine& engine() { return m_engine; }
  const SearchFindings& findings() const { return m_findings; }

 protected:
  bool OnInitDialog() override;
  std::optional<std::intptr_t> WindowProc(const ui::Message& message) override;

  void OnSysCommand(std::uint32_t id, std::intptr_t param);
  void OnPaint();
  ui::IconHandle OnQueryDragIcon() { return m_hIcon; }
  void OnDestroy();
  // A handler that failed (it threw) ends what it was doing with message 510.
  void OnMessageFailed(const ui::Message& message) override;

 private:
  bool BringUpLibrary();
  const app::TargetBoard* CheckedTargetBoard() const;
  void ShowAppMessage(std::uint16_t id);
  void ShowDialogMessage(std::uint16_t id);
  std::u16string Text(std::uint16_t id) const;

  analysis::Engine m_engine;  // keeps m_innerWindowStart/End, m_iniPath, m_firstBlockPending
  CResultBoxAdapter m_resultBox{*this};
  SearchFindings m_findings;
};
