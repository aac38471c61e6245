// The BIOS worker threads. Each ends by returning the library to idle and then
// posting exactly one completion message to the registered window (wParam: the
// status it held, lParam: its result, which also stays in LastError). Its file is
// closed and the busy state given back before the message goes, so that a caller
// may open the file or start its next operation as soon as the message arrives. A
// block request the driver fails ends the worker with -20: a block that did not
// arrive is neither saved nor compared, and one that was not programmed is not
// counted.
#include <cstring>
#include <memory>
#include <new>

#include "cfgprobe/access_request.h"
#include "cfgprobe/bios_job.h"
#include "cfgprobe/driver_channel.h"
#include "cfgprobe/library_state.h"
#include "cfgprobe/result_codes.h"
#include "os/platform.h"

namespace cfgprobe {

BiosJob ReadJob;
BiosJob CompareJob;
BiosJob WriteJob;

namespace {

using Image = std::unique_ptr<std::uint8_t[]>;

Image newImage() { return Image(new (std::nothrow) std::uint8_t[kImageSize]); }

// The worker's last step: idle again, once, then the message. wParam is the
// worker's own word (its status, or 0 where it gives the status back before its
// message is made), never read back from CurrentStatus, which the caller's next
// operation may hold by then.
void finish(KxLong wParam, int result) {
  setCurrentStatus(kStatusIdle);
  const NotifyTarget target = notifyTarget();
  os::platform().threads->postMessageA(target.window, target.message,
                                       static_cast<std::uintptr_t>(static_cast<std::intptr_t>(wParam)),
                                       static_cast<std::intptr_t>(result));
}

// The early failures of a worker: result in LastError, progress 0, and the
// message with wParam 0 when the status is given back before it is made, or
// with the worker's status.
void endEarly(KxLong status, int result, bool idleFirst) {
  setLastError(result);
  setBiosProgress(0);
  finish(idleFirst ? kStatusIdle : status, result);
}

// Reads the source image of a compare or a write: up to kImageSize bytes of the
// file into a buffer of 0xFF bytes, so that what a short file does not cover reads
// as erased flash. An empty name opens no file and fails as an unreadable file.
// Returns 1, or the worker's early result (already reported).
int readSourceImage(KxLong status, const char* fileName, int openFailure, bool openFailureIdleFirst, Image* image) {
  os::Files& files = *os::platform().files;
  os::Handle file = os::invalidHandle();
  if (fileName[0] != '\0') {
    file = files.createFileA(fileName, os::kGenericRead, 0, os::kOpenExisting);
    if (!os::isValid(file)) {
      endEarly(status, openFailure, openFailureIdleFirst);
      return openFailure;
    }
  }
  *image = newImage();
  if (!*image) {
    if (os::isValid(file)) files.closeFile(file);
    endEarly(status, kNoMemory, true);
    return kNoMemory;
  }
  std::memset(image->get(), 0xFF, kImageSize);
  std::uint32_t read = 0;
  const bool done = os::isValid(file) && files.readFile(file, image->get(), kImageSize, &read);
  if (os::isValid(file)) files.closeFile(file);
  if (!done) {
    image->reset();
    endEarly(status, kFileReadFailed, true);
    return kFileReadFailed;
  }
  return kDone;
}

}  // namespace

bool ReadFlashBlock(os::Handle device, std::uint32_t globalBase, std::uint32_t command, std::uint8_t* data) {
  ACCESSREQUEST request{};
  request.dwAddress = globalBase + kFlashCommandOffset;
  request.dwCommand = command;
  ACCESSREQUEST reply{};
  // A reply shorter than the whole record did not carry the block.
  std::uint32_t returned = 0;
  if (!requestDriver(device, IOCTL_ACS_READ_BLOCK, &request, sizeof request, &reply, sizeof reply, &returned) ||
      returned != sizeof reply)
    return false;
  std::memcpy(data, reply.bData, kBlockSize);
  return true;
}

std::uint32_t WriteFlashBlock(os::Handle device, std::uint32_t globalBase, std::uint32_t command,
                              const std::uint8_t* data) {
  ACCESSREQUEST request{};
  request.dwAddress = globalBase + kFlashCommandOffset;
  request.dwCommand = command;
  std::memcpy(request.bData, data, kBlockSize);
  std::uint32_t result = 0;
  requestDriver(device, IOCTL_ACS_WRITE_BLOCK, &request, sizeof request, &result, sizeof result);
  return result;
}

void ReadBiosWorker(void* argument) {
  const BiosJob& job = *static_cast<const BiosJob*>(argument);
  setCurrentStatus(kStatusReadingBios);
  setLastError(kDone);
  os::Files& files = *os::platform().files;
  const os::Handle file = files.createFileA(job.fileName, os::kGenericWrite, 0, os::kCreateAlways);
  if (!os::isValid(file)) return endEarly(kStatusReadingBios, kFileCannotBeCreated, false);
  Image image = newImage();
  if (!image) {
    files.closeFile(file);
    return endEarly(kStatusReadingBios, kNoMemory, true);
  }
  int result = kDone;
  for (std::uint32_t block = 0; block < kBlocks; ++block) {
    if (!ReadFlashBlock(job.device, job.globalBase, kBlockReadCommand | block * kBlockSize,
                        image.get() + block * kBlockSize)) {
      result = kControllerUnreachable;
      break;
    }
    setBiosProgress(progressAfter(block + 1));
  }
  if (result == kDone) {
    std::uint32_t written = 0;
    if (!files.writeFile(file, image.get(), kImageSize, &written) || written != kImageSize) result = kFileWriteFailed;
  }
  image.reset();
  setLastError(result);
  files.closeFile(file);
  finish(kStatusReadingBios, result);
}

void CompareBiosWorker(void* argument) {
  const BiosJob& job = *static_cast<const BiosJob*>(argument);
  setCurrentStatus(kStatusComparingBios);
  setBiosProgress(0);
  setLastError(kDone);
  Image image;
  if (readSourceImage(kStatusComparingBios, job.fileName, kFileCannotBeOpened, false, &image) != kDone) return;
  std::uint8_t block[kBlockSize];
  for (std::uint32_t k = 0; k < kBlocks; ++k) {
    if (!ReadFlashBlock(job.device, job.globalBase, kBlockReadCommand | k * kBlockSize, block)) {
      setLastError(kControllerUnreachable);
      break;
    }
    if (std::memcmp(block, image.get() + k * kBlockSize, kBlockSize) != 0) {
      setBiosProgress(-1);
      setLastError(kImagesDiffer);
      break;
    }
    setBiosProgress(progressAfter(k + 1));
  }
  image.reset();
  finish(kStatusComparingBios, lastError());
}

void WriteBiosWorker(void* argument) {
  const BiosJob& job = *static_cast<const BiosJob*>(argument);
  setCurrentStatus(kStatusWritingBios);
  setLastError(kDone);
  Image image;
  if (readSourceImage(kStatusWritingBios, job.fileName, kFileCannotBeCreated, true, &image) != kDone) return;
  for (std::uint32_t k = 0; k < kBlocks; ++k) {
    if (WriteFlashBlock(job.device, job.globalBase, kBlockProgramCommand | k * kBlockSize,
                        image.get() + k * kBlockSize) == 0) {
      setLastError(kControllerUnreachable);
      break;
    }
    setBiosProgress(progressAfter(k + 1));
  }
  image.reset();
  finish(kStatusWritingBios, lastError());
}

}  // namespace cfgprobe
