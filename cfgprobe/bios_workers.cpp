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

// The worker's last step: idle again, then the message with the status it held.
void finish(int result) {
  const auto wParam = static_cast<std::uintptr_t>(static_cast<std::intptr_t>(currentStatus()));
  setCurrentStatus(kStatusIdle);
  os::platform().threads->postMessageA(notifyWindow(), notifyMessage(), wParam, static_cast<std::intptr_t>(result));
}

// The early failures of a worker: result in LastError, progress 0, and the status
// given back either before its message is made (wParam 0) or with it.
void endEarly(int result, bool idleFirst) {
  setLastError(result);
  setBiosProgress(0);
  if (idleFirst) setCurrentStatus(kStatusIdle);
  finish(result);
}

// Reads the source image of a compare or a write: up to kImageSize bytes of the
// file into a buffer of 0xFF bytes, so that what a short file does not cover reads
// as erased flash. An empty name opens no file and fails as an unreadable file.
// Returns 1, or the worker's early result (already reported).
int readSourceImage(const char* fileName, int openFailure, bool openFailureIdleFirst, Image* image) {
  os::Files& files = *os::platform().files;
  os::Handle file = os::invalidHandle();
  if (fileName[0] != '\0') {
    file = files.createFileA(fileName, os::kGenericRead, 0, os::kOpenExisting);
    if (!os::isValid(file)) {
      endEarly(openFailure, openFailureIdleFirst);
      return openFailure;
    }
  }
  *image = newImage();
  if (!*image) {
    if (os::isValid(file)) files.closeFile(file);
    endEarly(kNoMemory, true);
    return kNoMemory;
  }
  std::memset(image->get(), 0xFF, kImageSize);
  std::uint32_t read = 0;
  const bool done = os::isValid(file) && files.readFile(file, image->get(), kImageSize, &read);
  if (os::isValid(file)) files.closeFile(file);
  if (!done) {
    image->reset();
    endEarly(kFileReadFailed, true);
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
  if (!requestDriver(device, IOCTL_ACS_READ_BLOCK, &request, sizeof request, &reply, sizeof reply)) return false;
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
  if (!os::isValid(file)) return endEarly(kFileCannotBeCreated, false);
  Image image = newImage();
  if (!image) {
    files.closeFile(file);
    return endEarly(kNoMemory, true);
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
  finish(result);
}

void CompareBiosWorker(void* argument) {
  const BiosJob& job = *static_cast<const BiosJob*>(argument);
  setCurrentStatus(kStatusComparingBios);
  setBiosProgress(0);
  setLastError(kDone);
  Image image;
  if (readSourceImage(job.fileName, kFileCannotBeOpened, false, &image) != kDone) return;
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
  finish(lastError());
}

void WriteBiosWorker(void* argument) {
  const BiosJob& job = *static_cast<const BiosJob*>(argument);
  setCurrentStatus(kStatusWritingBios);
  setLastError(kDone);
  Image image;
  if (readSourceImage(job.fileName, kFileCannotBeCreated, true, &image) != kDone) return;
  for (std::uint32_t k = 0; k < kBlocks; ++k) {
    if (WriteFlashBlock(job.device, job.globalBase, kBlockProgramCommand | k * kBlockSize,
                        image.get() + k * kBlockSize) == 0) {
      setLastError(kControllerUnreachable);
      break;
    }
    setBiosProgress(progressAfter(k + 1));
  }
  image.reset();
  finish(lastError());
}

}  // namespace cfgprobe
