// The "facility absent" behaviour of every interface: each call fails the way the
// Win32 call fails when the facility is missing.
#include "os/clock.h"
#include "os/device_io.h"
#include "os/device_setup.h"
#include "os/files.h"
#include "os/modules.h"
#include "os/named_objects.h"
#include "os/processes.h"
#include "os/services.h"
#include "os/system.h"
#include "os/text.h"
#include "os/threads.h"
#include "os/version_info.h"
#include "os/windows.h"

namespace os {
namespace {
template <typename T>
T fail(T value) {
  setLastError(kErrorNotSupported);
  return value;
}
}  // namespace

Handle Files::createFile(std::u16string_view, std::uint32_t, std::uint32_t, std::uint32_t) {
  return fail(invalidHandle());
}
Handle Files::createFileA(std::string_view, std::uint32_t, std::uint32_t, std::uint32_t) {
  return fail(invalidHandle());
}
bool Files::readFile(Handle, void*, std::uint32_t, std::uint32_t*) { return fail(false); }
bool Files::writeFile(Handle, const void*, std::uint32_t, std::uint32_t*) { return fail(false); }
bool Files::fileSize(Handle, std::uint64_t*) { return fail(false); }
bool Files::seekToEnd(Handle) { return fail(false); }
bool Files::closeFile(Handle) { return fail(false); }

std::uint32_t SystemInfo::getWindowsDirectory(char16_t*, std::uint32_t) { return fail(0u); }
std::uint32_t SystemInfo::getWindowsDirectoryA(char*, std::uint32_t) { return fail(0u); }
std::uint32_t SystemInfo::getCurrentDirectory(std::uint32_t, char16_t*) { return fail(0u); }
std::uint32_t SystemInfo::getCurrentDirectoryA(std::uint32_t, char*) { return fail(0u); }
std::uint32_t SystemInfo::windowsVersion() { return 0; }
bool SystemInfo::getEnvironmentVariable(std::u16string_view, std::u16string*) {
  setLastError(kErrorEnvVarNotFound);
  return false;
}
std::uint16_t SystemInfo::userInterfaceLanguage() { return kLangEnglishUS; }
std::u16string SystemInfo::upperCase(std::u16string_view text) { return upperCaseLatin1(text); }

Handle Modules::loadLibrary(std::u16string_view) {
  setLastError(kErrorModNotFound);
  return nullptr;
}
ProcAddress Modules::getProcAddress(Handle, const char*) {
  setLastError(kErrorProcNotFound);
  return nullptr;
}
bool Modules::freeLibrary(Handle) {
  setLastError(kErrorInvalidHandle);
  return false;
}

void Clock::sleep(std::uint32_t) {}
std::uint64_t Clock::tickCount() { return 0; }

// Device I/O when no back end provides it: no device opens and no event exists.
Handle DeviceIo::createFileA(std::string_view, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {
  return fail(invalidHandle());
}
bool DeviceIo::deviceIoControl(Handle, std::uint32_t, const void*, std::uint32_t, void*, std::uint32_t,
                               std::uint32_t* returned, Overlapped*) {
  if (returned) *returned = 0;
  return fail(false);
}
Handle DeviceIo::createEventA(bool, bool, const char*) { return fail<Handle>(nullptr); }
bool DeviceIo::setEvent(Handle) { return fail(false); }
bool DeviceIo::resetEvent(Handle) { return fail(false); }
bool DeviceIo::closeHandle(Handle) { return fail(false); }

Handle NamedObjects::createMutex(std::u16string_view, bool) {
  setLastError(kErrorNotSupported);
  return nullptr;
}

bool NamedObjects::closeHandle(Handle) {
  setLastError(kErrorInvalidHandle);
  return false;
}

int Processes::runThroughInterpreter(std::u16string_view) {
  setLastError(kErrorFileNotFound);
  return kInterpreterNotStarted;
}

// The service control manager when no back end provides one: every call fails.
Handle Services::openSCManagerA(const char*, const char*, std::uint32_t) { return fail<Handle>(nullptr); }
Handle Services::createServiceA(Handle, const char*, const char*, std::uint32_t, std::uint32_t, std::uint32_t,
                                std::uint32_t, const char*, const char*, std::uint32_t*, const char*, const char*,
                                const char*) {
  return fail<Handle>(nullptr);
}
Handle Services::openServiceA(Handle, const char*, std::uint32_t) { return fail<Handle>(nullptr); }
bool Services::startServiceA(Handle, std::uint32_t, const char**) { return fail(false); }
bool Services::controlService(Handle, std::uint32_t, ServiceStatus*) { return fail(false); }
bool Services::deleteService(Handle) { return fail(false); }
bool Services::closeServiceHandle(Handle) { return fail(false); }

// Threads and posted messages when no back end provides them.
bool Threads::beginThread(ThreadProcedure, void*) { return fail(false); }
bool Threads::beginModuleThread(ThreadProcedure, void*) { return fail(false); }
bool Threads::postMessageA(Handle, std::uint32_t, std::uintptr_t, std::intptr_t) { return fail(false); }
Handle Threads::messageWindow() { return fail<Handle>(nullptr); }
bool Threads::waitForMessage(Handle, std::uint32_t, PostedMessage*) { return fail(false); }

// Device setup when no back end provides it: there is no device information set.
Handle DeviceSetup::getClassDevsA(const Guid*, const char*, Handle, std::uint32_t) { return fail(invalidHandle()); }
bool DeviceSetup::enumDeviceInfo(Handle, std::uint32_t, DevInfoData*) { return fail(false); }
bool DeviceSetup::getDeviceRegistryPropertyA(Handle, DevInfoData*, std::uint32_t, std::uint32_t*, std::uint8_t*,
                                             std::uint32_t, std::uint32_t*) {
  return fail(false);
}
bool DeviceSetup::setDeviceRegistryPropertyA(Handle, DevInfoData*, std::uint32_t, const std::uint8_t*, std::uint32_t) {
  return fail(false);
}
Handle DeviceSetup::openDevRegKey(Handle, DevInfoData*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {
  return fail(invalidHandle());
}
bool DeviceSetup::destroyDeviceInfoList(Handle) { return fail(false); }
std::int32_t DeviceSetup::regSetValueExA(Handle, const char*, std::uint32_t, const std::uint8_t*, std::uint32_t) {
  return static_cast<std::int32_t>(kErrorInvalidHandle);
}
std::int32_t DeviceSetup::regQueryValueExA(Handle, const char*, std::uint32_t*, std::uint8_t*, std::uint32_t*) {
  return static_cast<std::int32_t>(kErrorInvalidHandle);
}
std::int32_t DeviceSetup::regCloseKey(Handle) { return static_cast<std::int32_t>(kErrorInvalidHandle); }

std::uint32_t VersionInfo::getModuleFileName(char16_t* buffer, std::uint32_t size) {
  if (buffer && size) buffer[0] = u'\0';
  setLastError(kErrorNotSupported);
  return 0;
}

std::uint32_t VersionInfo::getFileVersionInfoSize(std::u16string_view) {
  setLastError(kErrorResourceTypeNotFound);
  return 0;
}

bool VersionInfo::getFileVersionInfo(std::u16string_view, std::uint32_t, void*) {
  setLastError(kErrorResourceTypeNotFound);
  return false;
}

bool VersionInfo::queryValue(const void*, std::u16string_view, const char16_t** value, std::uint32_t* length) {
  if (value) *value = nullptr;
  if (length) *length = 0;
  return false;
}

namespace {
template <typename T>
T noWindow(T value) {
  setLastError(kErrorInvalidWindowHandle);
  return value;
}
}  // namespace

Handle Windows::createWindow(Handle, std::u16string_view) {
  setLastError(kErrorNotSupported);
  return nullptr;
}
bool Windows::destroyWindow(Handle) { return noWindow(false); }
bool Windows::isWindow(Handle) { return false; }
bool Windows::setWindowText(Handle, std::u16string_view) { return noWindow(false); }
std::u16string Windows::windowText(Handle) { return noWindow(std::u16string()); }
bool Windows::setProp(Handle, std::u16string_view, Handle) { return noWindow(false); }
Handle Windows::getProp(Handle, std::u16string_view) { return nullptr; }
Handle Windows::removeProp(Handle, std::u16string_view) { return nullptr; }
bool Windows::showWindow(Handle, int) { return noWindow(false); }
bool Windows::isIconic(Handle) { return false; }
bool Windows::isWindowVisible(Handle) { return false; }
bool Windows::enableWindow(Handle, bool) { return noWindow(false); }
bool Windows::isWindowEnabled(Handle) { return false; }
bool Windows::enumWindows(EnumWindowsCallback, std::intptr_t) { return noWindow(false); }
Handle Windows::getLastActivePopup(Handle) { return noWindow(Handle{}); }
Handle Windows::setActiveWindow(Handle) { return noWindow(Handle{}); }
bool Windows::setForegroundWindow(Handle) { return noWindow(false); }
Handle Windows::getForegroundWindow() { return nullptr; }

}  // namespace os
