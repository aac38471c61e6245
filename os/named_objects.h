#pragma once
// Named kernel objects (CreateMutexW) shared between copies of the program.
// Each call states what it does and what it returns on failure. The base class is
// the "facility absent" back end: every call fails with kErrorNotSupported.
#include "os/types.h"

namespace os {

class NamedObjects {
 public:
  virtual ~NamedObjects() = default;
};

}  // namespace os
