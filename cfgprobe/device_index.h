#pragma once
// The 1-based indexes the controller exports take into DeviceTable.
#include "cfgprobe/library_state.h"

namespace cfgprobe {

inline bool isFree(const DEVICEENTRY& entry) {
  return entry.bBus == 0xFF && entry.bDevice == 0xFF && entry.bFunction == 0xFF;
}

// The record an index names, or null for an index outside 1 to 16 (the table ends
// there) and for a free record.
inline DEVICEENTRY* entryAt(int index) {
  if (index < 1 || index > kDeviceTableSize) return nullptr;
  DEVICEENTRY& entry = DeviceTable[index - 1];
  return isFree(entry) ? nullptr : &entry;
}

}  // namespace cfgprobe
