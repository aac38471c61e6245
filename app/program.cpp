#include "app/program.h"

#include "app/application.h"

namespace app {

int runProgram(ui::WindowSystem& windows, const os::Platform& facilities) {
  CTmx4CheckLinkSpeedApp theApp(windows, facilities);
  return theApp.run();
}

}  // namespace app
