#include "sim/process_bitness.h"

namespace sim {
namespace {

ProcessBitness* g_current = nullptr;

// GetCurrentProcess's pseudo-handle.
const os::Handle kCurrentProcess = reinterpret_cast<os::Handle>(static_cast<std::intptr_t>(-1));
constexpr std::uint32_t kErrorNoAccess = 998;

int OS_WINAPI isWow64Process(os::Handle process, int* wow64) {
  if (process != kCurrentProcess || !g_current) {
    os::setLastError(os::kErrorInvalidHandle);
    return 0;
  }
  if (!wow64) {
    os::setLastError(kErrorNoAccess);
    return 0;
  }
  if (g_current->callFailure) {
    os::setLastError(g_current->callFailure);
    return 0;
  }
  *wow64 = g_current->wow64 ? 1 : 0;
  return 1;
}

}  // namespace

ProcessBitness::ProcessBitness() { g_current = this; }

ProcessBitness::~ProcessBitness() {
  if (g_current == this) g_current = nullptr;
}

Modules::Entries ProcessBitness::kernel32Entries() {
  return {{"IsWow64Process", reinterpret_cast<os::ProcAddress>(&isWow64Process)}};
}

}  // namespace sim
