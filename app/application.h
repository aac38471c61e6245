#pragma once
// The application object: starts the program, keeps it to one copy per logon and
// runs the main dialog.
#include "os/types.h"
#include "ui/application.h"

class CTmx4CheckLinkSpeedApp : public ui::Application {
 public:
  // No application name of its own: the program file's name is used.
  CTmx4CheckLinkSpeedApp(ui::WindowSystem& windows, const os::Platform& facilities);
  ~CTmx4CheckLinkSpeedApp() override = default;

  // Returns false in every case: the program ends when it returns.
  bool InitInstance() override;

  // Top-level window enumeration callback (param: the os::Windows to act on):
  // restores and brings to the front the window marked by the single-instance
  // property, or what it currently shows on top. Returns false once it found one.
  static bool ActivateRunningCopy(os::Handle window, std::intptr_t param);

  // The single-instance mutex, held until the process ends.
  os::Handle m_hMutex = nullptr;
};
