#include "tests/windows/access_driver_session.h"

namespace wintest {
namespace {

char kServiceName[] = "Cfgprobe64";

using Entry = int(__stdcall*)();

Entry libraryEntry(const char* name) {
  const HMODULE library = ::GetModuleHandleW(L"Cfgprobe64.dll");
  return library ? reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(::GetProcAddress(library, name))) : nullptr;
}

}  // namespace

ServiceState driverService() {
  ServiceState r;
  const SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return r;
  if (const SC_HANDLE service = ::OpenServiceA(manager, kServiceName, SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS)) {
    r.exists = true;
    DWORD needed = 0;
    ::QueryServiceConfigA(service, nullptr, 0, &needed);
    std::string buffer(needed, '\0');
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (needed && ::QueryServiceConfigA(service, config, needed, &needed)) {
      r.binaryPath = config->lpBinaryPathName ? config->lpBinaryPathName : "";
      r.type = config->dwServiceType;
      r.start = config->dwStartType;
    }
    SERVICE_STATUS status{};
    if (::QueryServiceStatus(service, &status)) r.state = status.dwCurrentState;
    ::CloseServiceHandle(service);
  } else {
    r.error = ::GetLastError();
  }
  ::CloseServiceHandle(manager);
  return r;
}

bool deviceGone(DWORD timeoutMs) {
  for (DWORD waited = 0;; waited += 50) {
    const HANDLE device = ::CreateFileA("\\\\.\\KxACS", 0, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (device == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_FILE_NOT_FOUND) return true;
    if (device != INVALID_HANDLE_VALUE) ::CloseHandle(device);
    if (waited >= timeoutMs) return false;
    ::Sleep(50);
  }
}

DriverFolder::DriverFolder(const std::wstring& name, const std::wstring& driverFile) {
  folder_ = scratchFolder(name);
  ::GetCurrentDirectoryW(MAX_PATH, before_);
  ready_ = copyFileInto(builtFile(driverFile), folder_, L"Cfgprobe64.sys") &&
           ::SetCurrentDirectoryW(folder_.c_str());
}

DriverFolder::~DriverFolder() {
  if (library_) closeThroughLibrary();
  if (started_) exit();
  ::SetCurrentDirectoryW(before_);
}

std::string DriverFolder::driverPath() const {
  char current[MAX_PATH] = {};
  ::GetCurrentDirectoryA(MAX_PATH, current);
  return std::string(current) + "\\Cfgprobe64.sys";
}

int DriverFolder::init() const {
  const Entry entry = libraryEntry("KX_InitLibrary");
  started_ = entry != nullptr;
  return entry ? entry() : -1000;
}

int DriverFolder::exit() const {
  const Entry entry = libraryEntry("KX_ExitLibrary");
  started_ = false;
  return entry ? entry() : -1000;
}

HANDLE DriverFolder::openThroughLibrary() {
  library_ = std::make_unique<CKXACS>();
  std::string path = driverPath();
  if (library_->ManageKXDriver(kServiceName, path.data(), 1) != 1) return nullptr;
  return library_->LoadKXDriver(nullptr);
}

void DriverFolder::closeThroughLibrary() {
  if (!library_) return;
  if (library_->hKXDriver) ::CloseHandle(library_->hKXDriver);
  library_->hKXDriver = nullptr;
  std::string path = driverPath();
  library_->ManageKXDriver(kServiceName, path.data(), 2);
  library_.reset();
  deviceGone(5000);
}

}  // namespace wintest
