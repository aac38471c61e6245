// The Search command: from the checked board to the closing messages.
#include <cstdio>

#include "analysis/hex_number.h"
#include "analysis/result_codes.h"
#include "app/library_entries.h"
#include "app/main_dialog.h"
#include "app/resource_ids.h"

namespace {

std::u16string hexText(std::uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned>(value));
  return std::u16string(buffer, buffer + std::char_traits<char>::length(buffer));
}

}  // namespace

bool CTmx4CheckLinkSpeedDlg::RunSearch() {
  namespace msg = resources::msg;
  setItemText(app::kStartBox, u"");
  setItemText(app::kEndBox, u"");
  setItemText(app::kResultBox, u"");
  m_findings = {};

  const app::TargetBoard* board = CheckedTargetBoard();
  if (!board) return false;  // the radio group always has a checked button; nothing to search for otherwise

  // Every value below belongs to this Search alone and starts afresh.
  const auto getPciConfig = reinterpret_cast<app::GetPciConfigFunction>(
      m_hLibrary ? app_.facilities().modules->getProcAddress(m_hLibrary, app::kGetPciConfigEntry) : nullptr);
  if (!getPciConfig) return false;

  const auto identity = static_cast<std::int32_t>(board->identityWord);
  const auto match = static_cast<std::int32_t>(board->matchWord);
  std::uint32_t baseRegister = 0;
  if (getPciConfig(identity, match, static_cast<std::int32_t>(board->baseRegister), &baseRegister) == 0) {
    ShowAppMessage(msg::kDeviceNotFound);
    return false;
  }
  const std::uint32_t boardMemoryAddress = board->memoryAddress(baseRegister);
  m_findings.baseRegister = baseRegister;
  m_findings.boardMemoryAddress = boardMemoryAddress;
  if (boardMemoryAddress == 0) {
    ShowAppMessage(msg::kNoResourceSigns);
    return false;
  }

  std::u16string reportPath;
  const int reportResult = RunSystemInfoTool(reportPath);
  m_findings.reportPath = reportPath;
  if (reportResult != analysis::kResultSuccess) {
    ShowResultError(reportResult);
    return false;
  }

  std::uint32_t boardIoAddress = 0;
  getPciConfig(identity, match, static_cast<std::int32_t>(app::kIoAddressRegister), &boardIoAddress);
  m_findings.boardIoAddress = boardIoAddress;

  std::uint32_t ioStart = 0, ioEnd = 0;
  if (m_engine.FindIoWindow(reportPath, boardIoAddress, ioStart, ioEnd) != 0) {
    ShowAppMessage(msg::kRangeFailed);
    return false;
  }
  m_findings.ioWindowStart = ioStart;
  m_findings.ioWindowEnd = ioEnd;
  if (ioStart != 0 || ioEnd != 0) {
    const int room = m_engine.CheckIoFreeSpace(reportPath, ioStart, ioEnd, analysis::kRequiredIoSpace);
    if (room == analysis::kResultNoIoSpace) {
      m_findings.ioRoom = false;
      ShowAppMessage(msg::kIoSpaceMissing);
      return false;
    }
    if (room != 0) {
      ShowAppMessage(msg::kRangeFailed);
      return false;
    }
    m_findings.ioRoom = true;
  }

  std::uint32_t memoryStart = 0, memoryEnd = 0;
  if (m_engine.FindMemoryWindow(reportPath, boardMemoryAddress, memoryStart, memoryEnd) != 0) {
    ShowAppMessage(msg::kRangeFailed);
    return false;
  }
  setItemText(app::kStartBox, hexText(memoryStart));
  setItemText(app::kEndBox, hexText(memoryEnd));
  if (memoryStart == 0 && memoryEnd == 0) return true;

  const std::uint32_t requestedSize = analysis::parseHexNumber(itemText(app::kSpaceSizeBox));
  m_findings.requestedSize = requestedSize;
  const int found = m_engine.SearchFreeMemory(reportPath, memoryStart, memoryEnd, requestedSize - 1);
  if (found == analysis::kResultProblemDevice) {
    ShowDialogMessage(msg::kAnalysisCompleted);
  } else if (found == analysis::kResultSuccess) {
    ShowDialogMessage(msg::kAnalysisCompleted);
    ShowDialogMessage(msg::kProductsWorking);
  } else if (found != analysis::kResultFileWriteFailed) {
    // A failed INI write has been reported by the engine already (message 706).
    ShowAppMessage(msg::kAnalyzeFailed);
  }
  return true;
}
