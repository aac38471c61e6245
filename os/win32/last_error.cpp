// The thread's last error is the system's own, so that an error a Win32 call left
// and one an adapter sets are read alike.
#include "os/types.h"
#include "os/win32/windows_api.h"

namespace os {
std::uint32_t lastError() { return ::GetLastError(); }
void setLastError(std::uint32_t code) { ::SetLastError(code); }
}  // namespace os
