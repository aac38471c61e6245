#pragma once
// Named objects of the simulated logon: one namespace shared by every simulated
// process, and per process the handles it holds. An object exists while some
// process holds a handle to it; ending a process closes its handles, as Windows
// does, so a mutex goes away with the last process that held it.
#include <map>
#include <memory>
#include <set>
#include <string>

#include "os/named_objects.h"

namespace sim {

class ObjectNamespace {
 public:
  bool exists(std::u16string_view name) const;

 private:
  friend class ProcessObjects;
  struct Object {
    int handles = 0;
  };
  std::map<std::u16string, Object, std::less<>> objects_;
};

// The named-object facility as one process sees it.
class ProcessObjects final : public os::NamedObjects {
 public:
  explicit ProcessObjects(ObjectNamespace& space) : space_(space) {}
  ~ProcessObjects() override { closeAll(); }
  ProcessObjects(const ProcessObjects&) = delete;
  ProcessObjects& operator=(const ProcessObjects&) = delete;

  os::Handle createMutex(std::u16string_view name, bool initialOwner) override;
  bool closeHandle(os::Handle object) override;

  // The process ends: every handle it holds is closed.
  void closeAll();
  std::size_t openHandles() const { return handles_.size(); }

 private:
  ObjectNamespace& space_;
  // Each handle is a small heap cell naming its object, unique for its lifetime.
  std::map<os::Handle, std::unique_ptr<std::u16string>> handles_;
};

}  // namespace sim
