// Starting the BIOS image operations. Read, compare and write check what they can
// at once, take the busy state (so that no other operation and no controller
// search can start until the worker gives it back), record the job and start the
// worker; erase runs on the caller's thread.
#include <cstring>

#include "cfgprobe/bios_job.h"
#include "cfgprobe/controller_port.h"
#include "cfgprobe/device_index.h"
#include "cfgprobe/result_codes.h"
#include "os/platform.h"

namespace {

// A name that fits the 260-character buffers with its terminating zero.
bool fitsBuffer(const char* fileName) { return strnlen(fileName, kPathBufferSize) < kPathBufferSize; }

// Gives the busy state back and passes a refusal on.
int refuse(int result) {
  cfgprobe::setCurrentStatus(kStatusIdle);
  return result;
}

// Starts the worker; a thread that cannot be created ends the operation at once.
// The worker keeps the library loaded until it has returned: a caller may unload
// it as soon as the status reads 0, while the worker still posts its message.
int startWorker(os::ThreadProcedure worker, cfgprobe::BiosJob* job) {
  if (os::platform().threads->beginModuleThread(worker, job)) return cfgprobe::kDone;
  cfgprobe::setLastError(cfgprobe::kNoMemory);
  return refuse(cfgprobe::kNoMemory);
}

// The shared start of a read and a compare.
KxLong startTransfer(CKXACS& library, KxLong status, std::uint8_t bus, std::uint8_t dev, std::uint8_t function,
                     const char* fileName, char* buffer, os::ThreadProcedure worker, cfgprobe::BiosJob* job) {
  if (!cfgprobe::takeBusy(status)) return cfgprobe::kBusy;
  cfgprobe::setBiosProgress(0);
  if (!fileName || !fitsBuffer(fileName)) return refuse(cfgprobe::kNoFileName);
  std::strcpy(buffer, fileName);
  cfgprobe::ControllerPort port(library, library.hKXDriver, bus, dev, function);
  switch (port.reach()) {
    case cfgprobe::ControllerPort::Reach::Unreachable: return refuse(cfgprobe::kControllerUnreachable);
    case cfgprobe::ControllerPort::Reach::Above4G: return refuse(cfgprobe::kWindowsAbove4G);
    case cfgprobe::ControllerPort::Reach::Reachable: break;
  }
  if (port.selectRegister(cfgprobe::kGlobalBaseRegister) == 0) return refuse(cfgprobe::kControllerUnreachable);
  *job = cfgprobe::BiosJob{library.hKXDriver, bus, dev, function, port.readBase(), buffer};
  return startWorker(worker, job);
}

}  // namespace

KxLong CKXACS::ReadBios(std::uint8_t bus, std::uint8_t dev, std::uint8_t function, char* fileName) {
  return startTransfer(*this, kStatusReadingBios, bus, dev, function, fileName, szFileNameToSaveBios,
                       cfgprobe::ReadBiosWorker, &cfgprobe::ReadJob);
}

KxLong CKXACS::CompareBiosData(std::uint8_t bus, std::uint8_t dev, std::uint8_t function, char* fileName) {
  return startTransfer(*this, kStatusComparingBios, bus, dev, function, fileName, szFileNameToReadBios,
                       cfgprobe::CompareBiosWorker, &cfgprobe::CompareJob);
}

int CKXACS::WriteBios(std::uint8_t bus, std::uint8_t dev, std::uint8_t function, char* fileName) {
  if (!cfgprobe::takeBusy(kStatusWritingBios)) return cfgprobe::kBusy;
  cfgprobe::setBiosProgress(0);
  // A name that cannot be kept is refused before the chip is erased.
  if (fileName && !fitsBuffer(fileName)) return refuse(cfgprobe::kNoFileName);
  cfgprobe::ControllerPort port(*this, hKXDriver, bus, dev, function);
  if (port.windowsAbove4G()) return refuse(cfgprobe::kWindowsAbove4G);
  port.selectRegister(cfgprobe::kGlobalBaseRegister);
  const std::uint32_t base = port.readBase();
  if (!ChipErase(hKXDriver, bus, dev, function)) return refuse(cfgprobe::kEraseFailed);
  if (fileName)
    std::strcpy(szFileNameToReadBios, fileName);
  else
    std::memset(szFileNameToReadBios, 0, sizeof szFileNameToReadBios);
  cfgprobe::WriteJob = cfgprobe::BiosJob{hKXDriver, bus, dev, function, base, szFileNameToReadBios};
  return startWorker(cfgprobe::WriteBiosWorker, &cfgprobe::WriteJob);
}

int OS_WINAPI KX_GetBiosData(int index, char* fileName) {
  if (!TheLibrary) return cfgprobe::kNoControllerAtIndex;
  const DEVICEENTRY* entry = cfgprobe::entryAt(index);
  if (!entry) return cfgprobe::kNoControllerAtIndex;
  return TheLibrary->ReadBios(entry->bBus, entry->bDevice, entry->bFunction, fileName);
}

int OS_WINAPI KX_CompareBiosData(int index, char* fileName) {
  if (!TheLibrary) return cfgprobe::kNoControllerAtIndex;
  const DEVICEENTRY* entry = cfgprobe::entryAt(index);
  if (!entry) return cfgprobe::kNoControllerAtIndex;
  return TheLibrary->CompareBiosData(entry->bBus, entry->bDevice, entry->bFunction, fileName);
}

int OS_WINAPI KX_SetBiosData(int index, char* fileName) {
  if (!TheLibrary) return cfgprobe::kNoControllerAtIndex;
  const DEVICEENTRY* entry = cfgprobe::entryAt(index);
  if (!entry) return cfgprobe::kNoControllerAtIndex;
  if (!fileName) return cfgprobe::kNoFileName;
  return TheLibrary->WriteBios(entry->bBus, entry->bDevice, entry->bFunction, fileName);
}

int OS_WINAPI KX_EraseBiosData(int index) {
  if (!TheLibrary) return cfgprobe::kNoControllerAtIndex;
  const DEVICEENTRY* entry = cfgprobe::entryAt(index);
  if (!entry) return cfgprobe::kNoControllerAtIndex;
  if (cfgprobe::currentStatus() != kStatusIdle) return cfgprobe::kBusy;
  if (cfgprobe::ControllerPort(*TheLibrary, TheLibrary->hKXDriver, entry->bBus, entry->bDevice, entry->bFunction)
          .windowsAbove4G())
    return cfgprobe::kWindowsAbove4G;
  return TheLibrary->ChipErase(TheLibrary->hKXDriver, entry->bBus, entry->bDevice, entry->bFunction)
             ? cfgprobe::kDone
             : cfgprobe::kEraseFailed;
}
