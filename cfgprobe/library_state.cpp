// The library's one object, its static members and the library-wide state, as
// the library starts out when it is loaded.
#include <cstring>

#include "cfgprobe/library_state.h"

KxLong CKXACS::CurrentStatus = kStatusIdle;
char CKXACS::szFileNameToReadBios[kPathBufferSize] = {};
char CKXACS::szFileNameToSaveBios[kPathBufferSize] = {};

CKXACS* TheLibrary = nullptr;
int LastError = 0;
os::Handle NotifyWindow = nullptr;
std::uint32_t NotifyMessage = 0;
std::int32_t BiosOperationProgress = 0;
DEVICEENTRY DeviceTable[kDeviceTableSize] = {};
int DeviceCount = 0;
std::uint32_t DriverServiceError = 0;

int nKXACS = 0;

namespace {

// Every record starts free (all bytes 0xFF): an index names a controller only
// once a search has recorded it there.
struct TableFreeAtLoad {
  TableFreeAtLoad() { std::memset(DeviceTable, 0xFF, sizeof DeviceTable); }
} freeAtLoad;

// A program that unloads the library after a start that failed, or after an exit
// that could not reach the service manager, leaves the object behind; it goes
// with the library's own data rather than staying in the process for good. A BIOS
// worker that may still use it keeps it.
struct ObjectReleasedAtUnload {
  ~ObjectReleasedAtUnload() {
    if (TheLibrary && cfgprobe::currentStatus() == kStatusIdle) {
      delete TheLibrary;
      TheLibrary = nullptr;
    }
  }
} releasedAtUnload;

}  // namespace

namespace cfgprobe {
namespace {

// Held for the few instructions that set or read the pair; a spin lock, since the
// library carries no thread library of its own.
std::atomic_flag notifyTargetLock = ATOMIC_FLAG_INIT;

class NotifyTargetGuard {
 public:
  NotifyTargetGuard() {
    while (notifyTargetLock.test_and_set(std::memory_order_acquire)) {
    }
  }
  ~NotifyTargetGuard() { notifyTargetLock.clear(std::memory_order_release); }
  NotifyTargetGuard(const NotifyTargetGuard&) = delete;
  NotifyTargetGuard& operator=(const NotifyTargetGuard&) = delete;
};

}  // namespace

void setNotifyTarget(os::Handle window, std::uint32_t message) {
  const NotifyTargetGuard guard;
  storeShared(NotifyWindow, window);
  storeShared(NotifyMessage, message);
}

NotifyTarget notifyTarget() {
  const NotifyTargetGuard guard;
  return NotifyTarget{loadShared(NotifyWindow), loadShared(NotifyMessage)};
}

}  // namespace cfgprobe

CKXACS::CKXACS() : hKXDriver(nullptr), szKXDriverPath{} {}

// Closing the device and removing the service is KX_ExitLibrary's work.
CKXACS::~CKXACS() = default;

CKXACS& CKXACS::operator=(const CKXACS& other) {
  hKXDriver = other.hKXDriver;
  std::memmove(szKXDriverPath, other.szKXDriverPath, sizeof szKXDriverPath);  // self-assignment is allowed
  return *this;
}

int OS_WINAPI fnKXACS() { return 42; }
