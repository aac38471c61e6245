#include "app/application.h"

#include <memory>

#include "app/main_dialog.h"
#include "app/resource_ids.h"

CTmx4CheckLinkSpeedApp::CTmx4CheckLinkSpeedApp(ui::WindowSystem& windows, const os::Platform& facilities)
    : ui::Application(windows, facilities) {}

bool CTmx4CheckLinkSpeedApp::InitInstance() {
  windowSystem().initCommonControls(8, ui::kIccWin95Classes);
  initApplication();
  enableControlContainer();
  setRegistryKey(u"ZANTO");

  m_hMutex = facilities().objects->createMutex(app::kSingleInstanceId, true);
  if (!m_hMutex) return false;
  if (os::lastError() == os::kErrorAlreadyExists) {
    facilities().windows->enumWindows(&ActivateRunningCopy, reinterpret_cast<std::intptr_t>(facilities().windows));
    return false;
  }

  auto dialog = std::make_unique<CTmx4CheckLinkSpeedDlg>(*this);
  setMainWindow(dialog.get());
  dialog->doModal();
  setMainWindow(nullptr);
  dialog.reset();
  return false;
}

bool CTmx4CheckLinkSpeedApp::ActivateRunningCopy(os::Handle window, std::intptr_t param) {
  auto& windows = *reinterpret_cast<os::Windows*>(param);
  if (!windows.getProp(window, app::kSingleInstanceId)) return true;
  if (windows.isIconic(window)) windows.showWindow(window, os::kSwRestore);
  windows.setForegroundWindow(windows.getLastActivePopup(window));
  return false;
}
