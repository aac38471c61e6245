#pragma once
// The library-wide state behind the exports. Only CKXACS's static members and
// nKXACS leave the Windows library; in the native build the state below is
// visible as well, so that tests can look at the device table a search filled.
//
// CurrentStatus, LastError and BiosOperationProgress keep their plain exported
// types (a caller may read them directly) but the library itself reads and writes
// them only through std::atomic_ref, as a BIOS worker thread writes them while the
// caller's thread reads them.
#include <atomic>
#include <cstdint>

#include "cfgprobe/cfgprobe.h"

#if defined(__ELF__)
#define KX_STATE __attribute__((visibility("default")))
#else
#define KX_STATE
#endif

KX_STATE extern CKXACS* TheLibrary;
KX_STATE extern int LastError;
KX_STATE extern os::Handle NotifyWindow;
KX_STATE extern std::uint32_t NotifyMessage;
KX_STATE extern std::int32_t BiosOperationProgress;
KX_STATE extern DEVICEENTRY DeviceTable[kDeviceTableSize];
KX_STATE extern int DeviceCount;

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

}  // namespace cfgprobe
