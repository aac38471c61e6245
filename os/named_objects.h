#pragma once
// Named kernel objects (CreateMutexW, CloseHandle) shared between copies of the
// program. Names live in the logon's local namespace. A handle belongs to the
// process that opened it; an object lives as long as some process holds a handle
// to it, so it goes away with the last process that held it.
// The base class is the "facility absent" back end: every call fails with
// kErrorNotSupported.
// Threads: only the program's own thread calls it, never a BIOS worker thread.
#include <string_view>

#include "os/types.h"

namespace os {

class NamedObjects {
 public:
  virtual ~NamedObjects() = default;

  // CreateMutexW with default security. Creates the mutex named name (owned by the
  // caller when initialOwner) and returns a handle with lastError() 0. When a
  // mutex of that name exists already, returns a handle to it (ownership is not
  // taken) with lastError() kErrorAlreadyExists. Returns nullptr on failure
  // (kErrorNotSupported, kErrorInvalidParameter for an empty name).
  virtual Handle createMutex(std::u16string_view name, bool initialOwner);

  // CloseHandle for a handle from createMutex: false (kErrorInvalidHandle) for a
  // handle that is not open in this process.
  virtual bool closeHandle(Handle object);
};

}  // namespace os
