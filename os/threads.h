#pragma once
// Threads and posted window messages (CreateThread, PostMessage).
// Each call states what it does and what it returns on failure. The base class is
// the "facility absent" back end: every call fails with kErrorNotSupported.
#include "os/types.h"

namespace os {

class Threads {
 public:
  virtual ~Threads() = default;
};

}  // namespace os
