// Finding the SiI3132 controllers: the searches that fill DeviceTable, the
// detection of one newly added controller, and the position of a listed one.
// A search holds the busy state while it runs, since it drives the controllers'
// flash registers as a BIOS operation does.
#include <cstring>

#include "cfgprobe/device_index.h"
#include "cfgprobe/result_codes.h"

namespace {

constexpr KxLong kSiI3132Identity = 0x31321095;
constexpr KxLong kSiI3132Subsystem = 0x31321095;

// The search of KX_GetSiI3132Device and KX_GetNewSiI3132Device; the caller holds the busy state.
int searchControllers() {
  const int found = TheLibrary->SearchPCIConfig(kSiI3132Identity, kSiI3132Subsystem, 0);
  DeviceCount = found;
  return found;
}

}  // namespace

int OS_WINAPI KX_GetSiI3132Device(int* count) {
  if (!TheLibrary) return cfgprobe::kNoController;
  if (!count) return cfgprobe::kNullOutput;
  if (!cfgprobe::takeBusy(kStatusSearching)) return cfgprobe::kBusy;
  const int found = searchControllers();
  *count = found;
  cfgprobe::setCurrentStatus(kStatusIdle);
  return found != 0 ? cfgprobe::kDone : cfgprobe::kNoController;
}

int OS_WINAPI KX_GetSiI3132DeviceEx(KxLong identity, KxLong subsystem, unsigned short value, int* count) {
  if (!TheLibrary) return 0;
  if (!count) return cfgprobe::kNullOutput;
  if (!cfgprobe::takeBusy(kStatusSearching)) return cfgprobe::kBusy;
  *count = TheLibrary->SearchPCIConfig(identity, subsystem, value);
  cfgprobe::setCurrentStatus(kStatusIdle);
  return cfgprobe::kDone;
}

int OS_WINAPI KX_GetNewSiI3132Device(int* index) {
  if (!index) return cfgprobe::kNullOutput;
  if (!TheLibrary) return cfgprobe::kNoNewController;
  const int old = DeviceCount;
  if (old > kDeviceTableSize - 1) return cfgprobe::kTableFull;
  if (!cfgprobe::takeBusy(kStatusSearching)) return cfgprobe::kBusy;
  DEVICEENTRY before[kDeviceTableSize];
  std::memcpy(before, DeviceTable, sizeof before);
  const int found = searchControllers();
  int result = cfgprobe::kDone;
  if (found == old) {
    result = cfgprobe::kNoNewController;
  } else if (found >= old + 2) {
    result = cfgprobe::kSeveralNewControllers;
  } else if (found < old) {
    result = cfgprobe::kFewerControllers;
  } else {
    // A record that equals none of the earlier search's records is the new one;
    // a record that changed counts as well, and the last such record wins.
    for (int i = 0; i < found; ++i) {
      bool known = false;
      for (int j = 0; j < old && !known; ++j) known = std::memcmp(&DeviceTable[i], &before[j], sizeof before[j]) == 0;
      if (!known) *index = i + 1;
    }
  }
  cfgprobe::setCurrentStatus(kStatusIdle);
  return result;
}

int OS_WINAPI KX_GetSiI3132Info(int index, SIIDEVICEINFO* info) {
  if (!TheLibrary) return cfgprobe::kNoControllerAtIndex;
  if (!info) return cfgprobe::kNullOutput;
  const DEVICEENTRY* entry = cfgprobe::entryAt(index);
  if (!entry) return cfgprobe::kNoControllerAtIndex;
  info->bBus = entry->bBus;
  info->bDevice = entry->bDevice;
  info->bFunction = entry->bFunction;
  info->wFlashID = entry->wFlashID;
  return cfgprobe::kDone;
}
