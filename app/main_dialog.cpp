#include "app/main_dialog.h"

#include "analysis/result_codes.h"
#include "app/about_dialog.h"
#include "app/library_entries.h"
#include "app/resource_ids.h"
#include "app/texts.h"

namespace {

constexpr std::uint32_t kLibraryAttempts = 3;
constexpr std::uint32_t kLibraryRetryDelayMs = 3000;
constexpr std::u16string_view kDefaultSpaceSize = u"600000";

// Height 14 at 96 pixels an inch, and as much larger as the screen's DPI: the program
// lays itself out at the screen's DPI, so a fixed 14 pixels would shrink the list
// beside the larger dialog.
ui::FontDescription resultFontDescription(std::u16string face, int dpi) {
  ui::FontDescription description;
  description.face = std::move(face);
  description.height = (14 * dpi + 48) / 96;
  description.weight = 400;
  description.charSet = 128;  // SHIFTJIS_CHARSET
  return description;
}

}  // namespace

std::uint32_t CResultBoxAdapter::getLimitText() { return m_dialog.editBox(app::kResultBox).getLimitText(); }
void CResultBoxAdapter::setSel(std::uint32_t start, std::uint32_t end) {
  m_dialog.editBox(app::kResultBox).setSel(start, end);
}
void CResultBoxAdapter::scrollCaret() { m_dialog.editBox(app::kResultBox).scrollCaret(); }
void CResultBoxAdapter::replaceSel(std::u16string_view text, bool canUndo) {
  m_dialog.editBox(app::kResultBox).replaceSel(text, canUndo);
}

CTmx4CheckLinkSpeedDlg::CTmx4CheckLinkSpeedDlg(ui::Application& app)
    : ui::Dialog(app, app::kMainTemplate),
      m_resultFont(app.windowSystem()),
      m_engine(*this, *app.facilities().files) {
  m_hIcon = app.windowSystem().loadIcon(app::kProgramIcon);
  m_resultFont.create(
      resultFontDescription(Text(resources::msg::kResultFontFace), app.windowSystem().screenDpi()));
}

std::optional<std::intptr_t> CTmx4CheckLinkSpeedDlg::WindowProc(const ui::Message& message) {
  switch (message.id) {
    case ui::kWmSysCommand: OnSysCommand(static_cast<std::uint32_t>(message.wParam), message.lParam); return 0;
    case ui::kWmPaint: OnPaint(); return 0;
    case ui::kWmQueryDragIcon: return reinterpret_cast<std::intptr_t>(OnQueryDragIcon());
    case ui::kWmDestroy: OnDestroy(); return 0;
    default: break;
  }
  if (ui::isCommand(message.id, message.wParam, app::kSearchButton)) {
    RunSearch();
    return 0;
  }
  return ui::Dialog::WindowProc(message);
}

std::u16string CTmx4CheckLinkSpeedDlg::Text(std::uint16_t id) const { return app::LoadText(app_, id); }

int CTmx4CheckLinkSpeedDlg::LoadMessageChecked(std::uint16_t id, std::u16string& target) {
  return app::LoadMessageChecked(app_, id, target);
}

bool CTmx4CheckLinkSpeedDlg::OnInitDialog() {
  ui::Dialog::OnInitDialog();

  if (const ui::MenuHandle menu = systemMenu()) {
    const std::u16string about = Text(resources::msg::kAbout);
    if (!about.empty()) {
      windowSystem().appendMenu(menu, ui::kMfSeparator, 0, {});
      windowSystem().appendMenu(menu, ui::kMfString, app::kAboutCommand, about);
    }
  }
  setIcon(m_hIcon, true);
  setIcon(m_hIcon, false);
  // A second copy of the program finds this window by the property.
  setProperty(app::kSingleInstanceId, reinterpret_cast<os::Handle>(std::intptr_t{1}));

  std::u16string title;
  LoadMessageChecked(resources::msg::kMainTitle, title);
  setText(title);

  checkRadioButton(app::kRadioKA10, app::kRadioKB40, app::kRadioKA10);
  editBox(app::kResultBox).setFont(m_resultFont.handle(), true);
  // Room for every block a Search lists; the default limit would cut the list short.
  editBox(app::kResultBox).setLimitText(analysis::kResultBoxTextLimit);
  setItemText(app::kSpaceSizeBox, kDefaultSpaceSize);

  if (BringUpLibrary()) return true;
  app_.messageBox(Text(resources::msg::kInitFailed));
  endDialog(ui::kIdOk);
  return true;
}

bool CTmx4CheckLinkSpeedDlg::BringUpLibrary() {
  os::Modules& modules = *app_.facilities().modules;
  for (std::uint32_t attempt = 1; attempt <= kLibraryAttempts; ++attempt) {
    m_hLibrary = modules.loadLibrary(app::kLibraryFile);
    if (m_hLibrary) {
      const auto init =
          reinterpret_cast<app::InitLibraryFunction>(modules.getProcAddress(m_hLibrary, app::kInitLibraryEntry));
      if (init && init() == 1) return true;
      modules.freeLibrary(m_hLibrary);
      m_hLibrary = nullptr;
    }
    if (attempt < kLibraryAttempts) app_.facilities().clock->sleep(kLibraryRetryDelayMs);
  }
  return false;
}

void CTmx4CheckLinkSpeedDlg::OnSysCommand(std::uint32_t id, std::intptr_t) {
  if ((id & 0xFFF0) == app::kAboutCommand) {
    CAboutDlg about(app_);
    about.doModal();
  } else {
    callDefault();
  }
}

void CTmx4CheckLinkSpeedDlg::OnPaint() {
  if (!isIconic()) {
    callDefault();
    return;
  }
  ui::WindowSystem& ws = windowSystem();
  const ui::PaintContext dc = ws.beginPaint(handle_);
  sendMessage(ui::kWmIconEraseBkgnd, reinterpret_cast<std::uintptr_t>(dc), 0);
  const int iconWidth = ws.systemMetric(ui::kSmCxIcon);
  const int iconHeight = ws.systemMetric(ui::kSmCyIcon);
  const ui::Rect client = clientRect();
  const int x = (client.width() - iconWidth + 1) / 2;
  const int y = (client.height() - iconHeight + 1) / 2;
  ws.drawIcon(dc, x, y, m_hIcon);
  ws.endPaint(handle_, dc);
}

void CTmx4CheckLinkSpeedDlg::OnMessageFailed(const ui::Message&) { ShowAppMessage(resources::msg::kAnalyzeFailed); }

void CTmx4CheckLinkSpeedDlg::OnDestroy() {
  callDefault();
  if (!m_hLibrary) return;
  os::Modules& modules = *app_.facilities().modules;
  if (const auto exitLibrary =
          reinterpret_cast<app::ExitLibraryFunction>(modules.getProcAddress(m_hLibrary, app::kExitLibraryEntry)))
    exitLibrary();
  modules.freeLibrary(m_hLibrary);
  m_hLibrary = nullptr;
}

const app::TargetBoard* CTmx4CheckLinkSpeedDlg::CheckedTargetBoard() const {
  for (const app::TargetBoard& row : app::targetBoards())
    if (isButtonChecked(row.radioId)) return &row;
  return nullptr;
}

analysis::Board CTmx4CheckLinkSpeedDlg::checkedBoard() {
  const app::TargetBoard* row = CheckedTargetBoard();
  return row ? row->board : analysis::Board::KA10;
}

// A directory too long for the 260-unit buffer is handed on whole rather than as
// an empty text, which would put the INI file into the root of the drive; the
// INI path made from it is then too long to create, and that failure is shown.
std::u16string CTmx4CheckLinkSpeedDlg::currentDirectory() {
  os::SystemInfo& system = *app_.facilities().system;
  char16_t buffer[os::kMaxPath] = {};
  const std::uint32_t length = system.getCurrentDirectory(os::kMaxPath, buffer);
  if (length == 0) return {};
  if (length < os::kMaxPath) return std::u16string(buffer, length);
  std::u16string whole(length, u'\0');  // length counts the terminator here
  const std::uint32_t copied = system.getCurrentDirectory(length, whole.data());
  // Changed between the two reads: still too long, and a name no file can have.
  if (copied == 0 || copied >= length) return std::u16string(os::kMaxPath, u'?');
  whole.resize(copied);
  return whole;
}

resources::Language CTmx4CheckLinkSpeedDlg::language() { return app::uiLanguage(app_.facilities()); }

std::u16string CTmx4CheckLinkSpeedDlg::messageText(std::uint16_t id, resources::Language language) {
  return windowSystem().loadString(id, resources::langIdOf(language));
}

void CTmx4CheckLinkSpeedDlg::ShowAppMessage(std::uint16_t id) { app_.messageBox(Text(id)); }

void CTmx4CheckLinkSpeedDlg::ShowDialogMessage(std::uint16_t id) { messageBox(Text(id)); }
