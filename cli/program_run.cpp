#include "cli/program_run.h"

#include "analysis/hex_number.h"
#include "app/application.h"
#include "app/dialog_templates.h"
#include "app/main_dialog.h"
#include "app/resource_ids.h"
#include "app/texts.h"
#include "resources/messages.h"
#include "ui/headless/window_system.h"

namespace cli {
namespace {

int radioOf(analysis::Board board) {
  switch (board) {
    case analysis::Board::KA10: return app::kRadioKA10;
    case analysis::Board::KB20: return app::kRadioKB20;
    case analysis::Board::KB40: return app::kRadioKB40;
  }
  return app::kRadioKB20;
}

// The number of a message box's text in the program's table; 0 for a text the
// table does not hold.
std::uint16_t messageNumber(std::u16string_view text, resources::Language language) {
  for (std::uint16_t id = 100; id < 10000; ++id)
    if (const std::u16string t = resources::loadMessage(id, language); !t.empty() && t == text) return id;
  return 0;
}

// The memory window the Start and End boxes show, once they show one.
std::optional<Window> shownWindow(ui::headless::WindowSystem& ws, ui::WindowHandle dialog) {
  const std::u16string start = ws.textOf(dialog, app::kStartBox), end = ws.textOf(dialog, app::kEndBox);
  if (start.empty() || end.empty()) return std::nullopt;
  return Window{analysis::parseHexNumber(start), analysis::parseHexNumber(end)};
}

void takeFindings(CTmx4CheckLinkSpeedDlg& dialog, ProgramSearchOutcome& result) {
  const SearchFindings& f = dialog.findings();
  AnalysisOutcome& out = result.analysis;
  result.board.memoryAddress = f.boardMemoryAddress;
  result.board.ioAddress = f.boardIoAddress;
  result.baseRegister = f.baseRegister;
  out.board = result.board;
  result.reportPath = f.reportPath;
  if (f.ioWindowStart && f.ioWindowEnd) out.ioWindow = Window{*f.ioWindowStart, *f.ioWindowEnd};
  out.ioRoom = f.ioRoom;
  if (out.memoryWindow) out.innerWindow = Window{dialog.engine().m_innerWindowStart, dialog.engine().m_innerWindowEnd};
  out.blockSize = f.requestedSize;
  if (f.requestedSize) out.iniPath = dialog.engine().m_iniPath;
}

// The Search ran to its end when its closing message came, or when the window it
// found holds nothing to search (Start and End show 0).
bool ranToEnd(const AnalysisOutcome& out) {
  for (const ShownMessage& m : out.messages)
    if (m.dialog && m.id == resources::msg::kAnalysisCompleted) return true;
  return out.memoryWindow && out.memoryWindow->empty() && out.messages.empty();
}

}  // namespace

ProgramSearchOutcome runProgramSearch(const os::Platform& facilities, const ProgramSearchRequest& request,
                                      const BlockSink& onBlock) {
  ui::headless::WindowSystem ws(app::programResources(), *facilities.windows);
  CTmx4CheckLinkSpeedApp program(ws, facilities);
  ProgramSearchOutcome result;
  AnalysisOutcome& out = result.analysis;
  CTmx4CheckLinkSpeedDlg* dialog = nullptr;

  ws.onReplaceSel = [&](int id, std::u16string_view text) {
    if (id != app::kResultBox || !dialog) return;
    const auto block = blockLine(text);
    if (!block) return;
    out.memoryWindow = shownWindow(ws, dialog->handle());
    takeFindings(*dialog, result);
    onBlock(out, *block);
  };
  ws.then([&] {
    dialog = dynamic_cast<CTmx4CheckLinkSpeedDlg*>(program.mainWindow());
    if (!dialog) return;
    result.libraryUp = true;
    const ui::WindowHandle h = dialog->handle();
    ws.click(h, radioOf(request.board));
    ws.type(h, app::kSpaceSizeBox, request.sizeText);
    ws.click(h, app::kSearchButton);
    out.memoryWindow = shownWindow(ws, h);
    takeFindings(*dialog, result);
    if (dialog->engine().iniFileWritten()) out.ini = dialog->engine().m_iniPath;
  });
  program.run();
  ws.onReplaceSel = nullptr;
  // Without a dialog and without a word the program has handed over to the copy
  // that holds the single-instance mutex.
  result.anotherCopyRan = !result.libraryUp && ws.messageBoxes().empty();

  const resources::Language language = app::uiLanguage(facilities);
  for (const auto& box : ws.messageBoxes()) {
    out.messages.push_back({messageNumber(box.text, language), box.text,
                            (box.type & ui::kMbIconMask) != ui::kMbIconExclamation});
    if (out.messages.back().id == resources::msg::kFileWriteFailed) out.iniIncomplete = true;
  }
  out.completed = ranToEnd(out);
  return result;
}

}  // namespace cli
