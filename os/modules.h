#pragma once
// Run-time library loading, shaped after LoadLibraryW, GetProcAddress and FreeLibrary.
// An entry is returned as an untyped function pointer; the caller casts it to the
// entry's known signature (declared with OS_WINAPI), exactly as with GetProcAddress.
// The base class is the "facility absent" back end: nothing loads.
// Threads: only the caller's thread calls it, never a BIOS worker thread (a worker's
// hold on its library is Threads::beginModuleThread's).
#include <string_view>

#include "os/types.h"

namespace os {

using ProcAddress = void (*)();

class Modules {
 public:
  virtual ~Modules() = default;

  // LoadLibraryW: loads a library by file name (standard search order). Returns its
  // module handle, or nullptr with kErrorModNotFound (missing) or the error code the
  // library's initialisation failed with.
  virtual Handle loadLibrary(std::u16string_view name);
  // GetProcAddress: the named entry, or nullptr with kErrorProcNotFound.
  virtual ProcAddress getProcAddress(Handle module, const char* name);
  // FreeLibrary: false (kErrorInvalidHandle) for a handle that is not loaded.
  virtual bool freeLibrary(Handle module);
};

}  // namespace os
