#include "sim/named_objects.h"

namespace sim {

bool ObjectNamespace::exists(std::u16string_view name) const { return objects_.find(name) != objects_.end(); }

os::Handle ProcessObjects::createMutex(std::u16string_view name, bool) {
  // Ownership is not modelled: no code of this system waits on the mutex.
  if (name.empty()) {
    os::setLastError(os::kErrorInvalidParameter);
    return nullptr;
  }
  auto [it, created] = space_.objects_.try_emplace(std::u16string(name));
  ++it->second.handles;
  auto cell = std::make_unique<std::u16string>(name);
  os::Handle handle = cell.get();
  handles_.emplace(handle, std::move(cell));
  os::setLastError(created ? os::kErrorSuccess : os::kErrorAlreadyExists);
  return handle;
}

bool ProcessObjects::closeHandle(os::Handle object) {
  const auto it = handles_.find(object);
  if (it == handles_.end()) {
    os::setLastError(os::kErrorInvalidHandle);
    return false;
  }
  const auto obj = space_.objects_.find(*it->second);
  if (obj != space_.objects_.end() && --obj->second.handles == 0) space_.objects_.erase(obj);
  handles_.erase(it);
  return true;
}

void ProcessObjects::closeAll() {
  while (!handles_.empty()) closeHandle(handles_.begin()->first);
}

}  // namespace sim
