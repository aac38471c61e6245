#pragma once
// The machine's service control manager: a database of services (name, display
// name, type, start type, image path, state) answering with Windows' own error
// codes. A kernel driver service starts only when its image file is on a
// simulated drive and names a driver the machine has; a deleted service leaves
// the database once it is stopped and its last handle is closed. A service handle
// carries the access it was opened with: a start, stop or delete it does not
// allow fails with ERROR_ACCESS_DENIED.
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "os/services.h"
#include "sim/handle_table.h"

namespace sim {

class FileSystem;
class KernelDriver;
class SystemFacts;

class ServiceManager final : public os::Services {
 public:
  struct Service {
    std::string name;
    std::string displayName;
    std::uint32_t type = os::kServiceKernelDriver;
    std::uint32_t startType = os::kServiceDemandStart;
    std::uint32_t errorControl = os::kServiceErrorNormal;
    std::string imagePath;
    std::string loadOrderGroup;
    std::uint32_t state = os::kServiceStopped;
    bool markedForDelete = false;
  };
  // What happened to services of a name over the machine's life.
  struct History {
    int created = 0;
    int started = 0;
    int stopped = 0;
    int deleted = 0;
  };

  ServiceManager(const FileSystem& files, const SystemFacts& facts) : files_(files), facts_(facts) {}

  // The driver held by image files of this name ("Cfgprobe64.sys"), compared without case.
  void addDriverImage(std::string_view fileName, KernelDriver& driver);

  // Registers a service as an earlier run left it (state Stopped unless said).
  void registerService(const Service& service);
  std::optional<Service> find(std::string_view name) const;
  // Every service in the database, by name.
  std::vector<Service> services() const;
  History history(std::string_view name) const;
  int openHandles() const;  // manager and service handles not yet closed

  // Faults: the next count starts of the named service fail with error (count < 0:
  // every start); opening the manager fails with error (0 clears).
  void failStarts(std::string_view name, std::uint32_t error, int count = -1);
  void failOpenManager(std::uint32_t error) { managerFault_ = error; }

  os::Handle openSCManagerA(const char* machine, const char* database, std::uint32_t access) override;
  os::Handle createServiceA(os::Handle manager, const char* name, const char* displayName, std::uint32_t access,
                            std::uint32_t serviceType, std::uint32_t startType, std::uint32_t errorControl,
                            const char* binaryPath, const char* loadOrderGroup, std::uint32_t* tagId,
                            const char* dependencies, const char* account, const char* password) override;
  os::Handle openServiceA(os::Handle manager, const char* name, std::uint32_t access) override;
  bool startServiceA(os::Handle service, std::uint32_t argumentCount, const char** arguments) override;
  bool controlService(os::Handle service, std::uint32_t control, os::ServiceStatus* status) override;
  bool deleteService(os::Handle service) override;
  bool closeServiceHandle(os::Handle handle) override;

 private:
  struct Entry {
    Service service;
    int handles = 0;
    KernelDriver* driver = nullptr;  // the loaded driver while it runs
  };
  struct OpenHandle {
    bool manager = false;
    std::uint32_t access = 0;
    std::string key;  // the service's folded name
  };
  struct StartFault {
    std::uint32_t error = 0;
    int remaining = 0;
  };

  os::Handle newHandle(OpenHandle handle);
  Entry* serviceOf(os::Handle handle);
  std::uint32_t loadDriver(Entry& entry);
  std::u16string imageFile(const std::string& imagePath) const;
  void stopped(const std::string& key);
  void removeIfGone(const std::string& key);

  const FileSystem& files_;
  const SystemFacts& facts_;
  mutable std::recursive_mutex mutex_;
  std::map<std::string, Entry> services_;
  std::map<std::string, History> history_;
  std::map<std::string, KernelDriver*> drivers_;
  std::map<std::string, StartFault> startFaults_;
  HandleTable<OpenHandle> handles_{HandleKind::Service};
  std::uint32_t managerFault_ = 0;
};

}  // namespace sim
