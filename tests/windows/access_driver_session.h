#pragma once
// The access driver's service as the checks meet it: a folder of its own holding
// Cfgprobe64.sys as the current directory, the library's start and exit there, the
// service's record in the service manager, and the device's disappearance.
#include <memory>
#include <string>

#include "cfgprobe/cfgprobe.h"
#include "tests/windows/win32_helpers.h"

namespace wintest {

struct ServiceState {
  bool exists = false;
  DWORD error = 0;  // of the open, when it does not exist
  std::string binaryPath;
  DWORD type = 0, start = 0, state = 0;
};

// Service "Cfgprobe64" as the service manager has it.
ServiceState driverService();
// Polls until "\\.\KxACS" can no longer be found; false if it still can after timeoutMs.
bool deviceGone(DWORD timeoutMs);

class DriverFolder {
 public:
  // An empty folder with driverFile (the real driver by default) in it as
  // Cfgprobe64.sys, made the current directory until the object goes.
  explicit DriverFolder(const std::wstring& name, const std::wstring& driverFile = L"Cfgprobe64.sys");
  ~DriverFolder();
  DriverFolder(const DriverFolder&) = delete;
  DriverFolder& operator=(const DriverFolder&) = delete;

  bool ready() const { return ready_; }
  const std::wstring& folder() const { return folder_; }
  std::string driverPath() const;  // the folder's Cfgprobe64.sys, as the library names it

  // The library's exports, looked up by name in the loaded Cfgprobe64.dll. A start
  // that is not ended by the test is ended with the object.
  int init() const;
  int exit() const;

  // The device as KX_InitLibrary opens it, through the library's own members:
  // the service installed and started from the folder, the device opened with the
  // library's parameters. The handle stays the object's until closeThroughLibrary,
  // which closes it and stops and removes the service.
  HANDLE openThroughLibrary();
  void closeThroughLibrary();
  CKXACS& library() { return *library_; }  // after openThroughLibrary

 private:
  std::wstring folder_;
  wchar_t before_[MAX_PATH] = {};
  bool ready_ = false;
  mutable bool started_ = false;  // init() done and no exit() since
  std::unique_ptr<CKXACS> library_;
};

}  // namespace wintest
