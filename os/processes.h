#pragma once
// Child processes run through the command interpreter (_wsystem).
// Each call states what it does and what it returns on failure. The base class is
// the "facility absent" back end: every call fails with kErrorNotSupported.
#include "os/types.h"

namespace os {

class Processes {
 public:
  virtual ~Processes() = default;
};

}  // namespace os
