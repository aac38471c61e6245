#include "sim/service_manager.h"

#include <cstring>

#include "sim/file_system.h"
#include "sim/kernel_driver.h"
#include "sim/system_facts.h"
#include "sim/win_names.h"

namespace sim {
namespace {

bool empty(const char* text) { return !text || !*text; }

std::string fileNameOf(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void ServiceManager::addDriverImage(std::string_view fileName, KernelDriver& driver) {
  std::lock_guard lock(mutex_);
  drivers_[foldName(fileName)] = &driver;
}

void ServiceManager::registerService(const Service& service) {
  std::lock_guard lock(mutex_);
  services_[foldName(service.name)] = Entry{service, 0, nullptr};
}

std::optional<ServiceManager::Service> ServiceManager::find(std::string_view name) const {
  std::lock_guard lock(mutex_);
  const auto it = services_.find(foldName(name));
  if (it == services_.end()) return std::nullopt;
  return it->second.service;
}

std::vector<ServiceManager::Service> ServiceManager::services() const {
  std::lock_guard lock(mutex_);
  std::vector<Service> all;
  for (const auto& [key, entry] : services_) all.push_back(entry.service);
  return all;
}

ServiceManager::History ServiceManager::history(std::string_view name) const {
  std::lock_guard lock(mutex_);
  const auto it = history_.find(foldName(name));
  return it == history_.end() ? History{} : it->second;
}

int ServiceManager::openHandles() const {
  std::lock_guard lock(mutex_);
  return handles_.openCount();
}

void ServiceManager::failStarts(std::string_view name, std::uint32_t error, int count) {
  std::lock_guard lock(mutex_);
  startFaults_[foldName(name)] = StartFault{error, count};
}

os::Handle ServiceManager::newHandle(OpenHandle handle) {
  if (!handle.manager) ++services_.at(handle.key).handles;
  return handles_.open(std::move(handle));
}

ServiceManager::Entry* ServiceManager::serviceOf(os::Handle handle) {
  const OpenHandle* h = handles_.find(handle);
  if (!h || h->manager) return nullptr;
  const auto it = services_.find(h->key);
  return it == services_.end() ? nullptr : &it->second;
}

os::Handle ServiceManager::openSCManagerA(const char* machine, const char* database, std::uint32_t access) {
  std::lock_guard lock(mutex_);
  if (managerFault_) return failWith<os::Handle>(managerFault_, nullptr);
  if (!empty(machine)) return failWith<os::Handle>(os::kErrorInvalidName, nullptr);
  if (database && foldName(database) != "SERVICESACTIVE") return failWith<os::Handle>(os::kErrorDatabaseDoesNotExist, nullptr);
  return newHandle(OpenHandle{true, access, {}});
}

os::Handle ServiceManager::createServiceA(os::Handle manager, const char* name, const char* displayName,
                                          std::uint32_t access, std::uint32_t serviceType, std::uint32_t startType,
                                          std::uint32_t errorControl, const char* binaryPath,
                                          const char* loadOrderGroup, std::uint32_t*, const char*, const char*,
                                          const char*) {
  std::lock_guard lock(mutex_);
  const OpenHandle* m = handles_.find(manager);
  if (!m || !m->manager) return failWith<os::Handle>(os::kErrorInvalidHandle, nullptr);
  if (!(m->access & os::kScManagerCreateService)) return failWith<os::Handle>(os::kErrorAccessDenied, nullptr);
  if (empty(name)) return failWith<os::Handle>(os::kErrorInvalidName, nullptr);
  if (empty(binaryPath) || startType > os::kServiceDisabledStart || serviceType == 0)
    return failWith<os::Handle>(os::kErrorInvalidParameter, nullptr);
  const std::string key = foldName(name);
  if (const auto it = services_.find(key); it != services_.end())
    return failWith<os::Handle>(it->second.service.markedForDelete ? os::kErrorServiceMarkedForDelete
                                                               : os::kErrorServiceExists,
                            nullptr);
  Service service;
  service.name = name;
  service.displayName = empty(displayName) ? name : displayName;
  service.type = serviceType;
  service.startType = startType;
  service.errorControl = errorControl;
  service.imagePath = binaryPath;
  service.loadOrderGroup = loadOrderGroup ? loadOrderGroup : "";
  services_[key] = Entry{service, 0, nullptr};
  ++history_[key].created;
  return newHandle(OpenHandle{false, access, key});
}

os::Handle ServiceManager::openServiceA(os::Handle manager, const char* name, std::uint32_t access) {
  std::lock_guard lock(mutex_);
  const OpenHandle* m = handles_.find(manager);
  if (!m || !m->manager) return failWith<os::Handle>(os::kErrorInvalidHandle, nullptr);
  if (empty(name)) return failWith<os::Handle>(os::kErrorInvalidName, nullptr);
  const std::string key = foldName(name);
  if (!services_.count(key)) return failWith<os::Handle>(os::kErrorServiceDoesNotExist, nullptr);
  return newHandle(OpenHandle{false, access, key});
}

// Image paths as the service manager reads them: "\??\C:\...", "\SystemRoot\...",
// a full path, or a path relative to the Windows folder ("System32\Drivers\x.sys").
std::u16string ServiceManager::imageFile(const std::string& imagePath) const {
  std::string path = imagePath;
  if (path.rfind("\\??\\", 0) == 0) path = path.substr(4);
  const std::u16string windows = facts_.windowsDirectory.value_or(u"C:\\Windows");
  std::u16string wide(path.begin(), path.end());
  if (foldName(path).rfind("\\SYSTEMROOT\\", 0) == 0) return windows + wide.substr(11);
  if (path.size() >= 2 && path[1] == ':') return wide;
  return windows + u"\\" + wide;
}

std::uint32_t ServiceManager::loadDriver(Entry& entry) {
  if (!files_.exists(imageFile(entry.service.imagePath))) return os::kErrorFileNotFound;
  const auto driver = drivers_.find(foldName(fileNameOf(entry.service.imagePath)));
  if (driver == drivers_.end()) return os::kErrorBadExeFormat;
  if (const std::uint32_t error = driver->second->load(); error != 0) return error;
  entry.driver = driver->second;
  return 0;
}

bool ServiceManager::startServiceA(os::Handle service, std::uint32_t, const char**) {
  std::lock_guard lock(mutex_);
  Entry* entry = serviceOf(service);
  if (!entry) return failWith(os::kErrorInvalidHandle, false);
  if (!(handles_.find(service)->access & os::kServiceStart)) return failWith(os::kErrorAccessDenied, false);
  Service& s = entry->service;
  if (s.markedForDelete) return failWith(os::kErrorServiceMarkedForDelete, false);
  if (s.state != os::kServiceStopped) return failWith(os::kErrorServiceAlreadyRunning, false);
  if (s.startType == os::kServiceDisabledStart) return failWith(os::kErrorServiceDisabled, false);
  const std::string key = foldName(s.name);
  if (auto fault = startFaults_.find(key); fault != startFaults_.end() && fault->second.remaining != 0) {
    if (fault->second.remaining > 0) --fault->second.remaining;
    return failWith(fault->second.error, false);
  }
  if (const std::uint32_t error = loadDriver(*entry); error != 0) return failWith(error, false);
  s.state = os::kServiceRunning;
  ++history_[key].started;
  return true;
}

void ServiceManager::stopped(const std::string& key) {
  std::lock_guard lock(mutex_);
  const auto it = services_.find(key);
  if (it == services_.end()) return;
  it->second.service.state = os::kServiceStopped;
  it->second.driver = nullptr;
  removeIfGone(key);
}

void ServiceManager::removeIfGone(const std::string& key) {
  const auto it = services_.find(key);
  if (it == services_.end()) return;
  const Entry& e = it->second;
  if (e.service.markedForDelete && e.handles == 0 && e.service.state == os::kServiceStopped) services_.erase(it);
}

bool ServiceManager::controlService(os::Handle service, std::uint32_t control, os::ServiceStatus* status) {
  std::lock_guard lock(mutex_);
  Entry* entry = serviceOf(service);
  if (!entry) return failWith(os::kErrorInvalidHandle, false);
  if (control != os::kServiceControlStop) return failWith(os::kErrorInvalidServiceControl, false);
  if (!(handles_.find(service)->access & os::kServiceStop)) return failWith(os::kErrorAccessDenied, false);
  Service& s = entry->service;
  if (s.state == os::kServiceStopped) return failWith(os::kErrorServiceNotActive, false);
  if (s.state == os::kServiceStopPending) return failWith(os::kErrorServiceCannotAcceptCtrl, false);
  const std::string key = foldName(s.name);
  s.state = os::kServiceStopPending;
  ++history_[key].stopped;
  if (entry->driver) {
    entry->driver->unload([this, key] { stopped(key); });
  } else {
    stopped(key);
  }
  if (status) {
    *status = os::ServiceStatus{};
    status->serviceType = s.type;
    status->currentState = services_.count(key) ? services_.at(key).service.state : os::kServiceStopped;
  }
  return true;
}

bool ServiceManager::deleteService(os::Handle service) {
  std::lock_guard lock(mutex_);
  Entry* entry = serviceOf(service);
  if (!entry) return failWith(os::kErrorInvalidHandle, false);
  if (!(handles_.find(service)->access & os::kDelete)) return failWith(os::kErrorAccessDenied, false);
  if (entry->service.markedForDelete) return failWith(os::kErrorServiceMarkedForDelete, false);
  entry->service.markedForDelete = true;
  ++history_[foldName(entry->service.name)].deleted;
  return true;
}

bool ServiceManager::closeServiceHandle(os::Handle handle) {
  std::lock_guard lock(mutex_);
  const std::optional<OpenHandle> h = handles_.close(handle);
  if (!h) return failWith(os::kErrorInvalidHandle, false);
  if (!h->manager) {
    const auto it = services_.find(h->key);
    if (it != services_.end()) --it->second.handles;
    removeIfGone(h->key);
  }
  return true;
}

}  // namespace sim
