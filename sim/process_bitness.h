#pragma once
// The bitness of the process the library runs in, as kernel32.dll's
// IsWow64Process reports it: the machine registers that entry among its modules.
// A 64-bit process (the default) is not under WOW64; a 32-bit build of the library
// on 64-bit Windows is. The entry is a plain function, so it answers for the most
// recently built machine.
#include <cstdint>

#include "sim/modules.h"

namespace sim {

class ProcessBitness {
 public:
  ProcessBitness();
  ~ProcessBitness();
  ProcessBitness(const ProcessBitness&) = delete;
  ProcessBitness& operator=(const ProcessBitness&) = delete;

  bool wow64 = false;
  // IsWow64Process fails with this error when not 0.
  std::uint32_t callFailure = 0;

  // kernel32.dll's entries for the machine's modules.
  static Modules::Entries kernel32Entries();
};

}  // namespace sim
