#pragma once
// The library-wide state behind the exports. Only CKXACS's static members and
// nKXACS leave the library; the state below stays inside it (the native tests
// link a static copy of the library to look at it).
//
// CurrentStatus, LastError, BiosOperationProgress and the notification target keep
// their plain types (a caller may read CurrentStatus directly) but the library
// itself reads and writes them only through std::atomic_ref, as a BIOS worker
// thread uses them while the caller's thread reads or sets them.
#include <atomic>
#include <cstdint>

#include "cfgprobe/cfgprobe.h"

extern CKXACS* TheLibrary;
extern int LastError;
extern os::Handle NotifyWindow;
extern std::uint32_t NotifyMessage;
extern std::int32_t BiosOperationProgress;
extern DEVICEENTRY DeviceTable[kDeviceTableSize];
extern int DeviceCount;
extern std::uint32_t DriverServiceError;

namespace cfgprobe {

template <typename T>
T loadShared(T& variable) {
  static_assert(alignof(T) >= std::atomic_ref<T>::required_alignment);
  return std::atomic_ref<T>(variable).load();
}

template <typename T>
void storeShared(T& variable, T value) {
  std::atomic_ref<T>(variable).store(value);
}

inline KxLong currentStatus() { return loadShared(CKXACS::CurrentStatus); }
inline void setCurrentStatus(KxLong status) { storeShared(CKXACS::CurrentStatus, status); }
inline int lastError() { return loadShared(LastError); }
inline void setLastError(int code) { storeShared(LastError, code); }
inline std::int32_t biosProgress() { return loadShared(BiosOperationProgress); }
inline void setBiosProgress(std::int32_t progress) { storeShared(BiosOperationProgress, progress); }
// The window and message a worker's completion goes to, set and read as one pair
// (NotifyWindow and NotifyMessage), so that a worker never posts one target's
// message to another target's window.
struct NotifyTarget {
  os::Handle window = nullptr;
  std::uint32_t message = 0;
};
void setNotifyTarget(os::Handle window, std::uint32_t message);
NotifyTarget notifyTarget();

inline std::uint32_t driverServiceError() { return loadShared(DriverServiceError); }
inline void setDriverServiceError(std::uint32_t error) { storeShared(DriverServiceError, error); }

// Takes the busy state for an operation: true when the library was idle and now
// is busy with status, false (nothing changed) when something else runs.
inline bool takeBusy(KxLong status) {
  KxLong idle = kStatusIdle;
  return std::atomic_ref<KxLong>(CKXACS::CurrentStatus).compare_exchange_strong(idle, status);
}

}  // namespace cfgprobe
