#pragma once
// Waiting for a BIOS operation that runs on the library's worker thread: its
// percentage is polled (KX_GetBiosOperationProgress) and shown, as a bar redrawn in
// place on a terminal or as a line at each quarter otherwise, until the one
// completion message arrives on the caller's queue and the library is idle again.
#include <cstdint>

#include "cli/access_library.h"

namespace cli {

// The controller's flash chip: a read saves this many bytes, a write takes at most this many.
constexpr std::uintmax_t kChipBytes = 128 * 1024;

struct Completion {
  bool arrived = false;     // false: no message came and the library went idle
  std::intptr_t status = 0;  // wParam: the operation (1 write, 2 read, 3 compare; 0 early failures)
  std::intptr_t result = 0;  // lParam: 1 done, or the failure code
};

// label names what runs ("reading", "comparing", ...), nullptr to show nothing;
// terminal: stdout is one.
Completion waitForCompletion(const LibrarySession& session, const char* label, bool terminal);

}  // namespace cli
