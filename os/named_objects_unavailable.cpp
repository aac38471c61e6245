#include "os/named_objects.h"

namespace os {

Handle NamedObjects::createMutex(std::u16string_view, bool) {
  setLastError(kErrorNotSupported);
  return nullptr;
}

bool NamedObjects::closeHandle(Handle) {
  setLastError(kErrorInvalidHandle);
  return false;
}

}  // namespace os
