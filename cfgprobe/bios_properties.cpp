// BIOS version and date, from an image file or from a controller's chip. The
// image holds at 0x22 the offset V of its version text ("7.3.15": digits at V,
// V + 2, V + 4 and V + 5) and at 0x24 the offset D of its date text ("10/27/2010":
// month at D, D + 1, day at D + 3, D + 4, year at D + 6 to D + 9). Both pointers
// 0xFF is an erased chip or a blank file. Digits are taken as character - '0'
// without a test; from the chip each digit is first reduced to 8 bits.
#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>

#include "cfgprobe/bios_job.h"
#include "cfgprobe/controller_port.h"
#include "cfgprobe/device_index.h"
#include "cfgprobe/result_codes.h"
#include "os/platform.h"

namespace {

constexpr std::uint32_t kVersionPointer = 0x22;
constexpr std::uint32_t kDatePointer = 0x24;
constexpr std::uint8_t kErased = 0xFF;

int digit(const std::uint8_t* image, std::uint32_t offset) { return static_cast<int>(image[offset]) - 0x30; }

}  // namespace

int OS_WINAPI KX_GetBiosFileInfo(const char* fileName, BIOSPROPERTYDATA* data) {
  if (!fileName) return cfgprobe::kNoFileNameToRead;
  if (!data) return cfgprobe::kNoRecord;
  os::Files& files = *os::platform().files;
  const os::Handle file = files.createFileA(fileName, os::kGenericRead, 0, os::kOpenExisting);
  if (!os::isValid(file)) return cfgprobe::kFileCannotBeOpened;
  std::unique_ptr<std::uint8_t[]> image(new (std::nothrow) std::uint8_t[cfgprobe::kImageSize]);
  if (!image) {
    files.closeFile(file);
    return cfgprobe::kNoMemory;
  }
  // What a short file does not cover reads as erased flash.
  std::memset(image.get(), kErased, cfgprobe::kImageSize);
  std::uint32_t read = 0;
  const bool done = files.readFile(file, image.get(), cfgprobe::kImageSize, &read);
  files.closeFile(file);
  if (!done) return cfgprobe::kFileReadFailed;
  const std::uint32_t d = image[kDatePointer], v = image[kVersionPointer];
  if (d == kErased && v == kErased) return cfgprobe::kNoImage;
  const std::uint8_t* c = image.get();
  data->nMajorVersion = digit(c, v);
  data->nMinorVersion = digit(c, v + 2);
  data->nRevision = digit(c, v + 4) * 10 + digit(c, v + 5);
  data->nMonth = digit(c, d) * 10 + digit(c, d + 1);
  data->nDay = digit(c, d + 3) * 10 + digit(c, d + 4);
  data->nYear = digit(c, d + 6) * 1000 + digit(c, d + 7) * 100 + digit(c, d + 8) * 10 + digit(c, d + 9);
  return cfgprobe::kDone;
}

KxLong CKXACS::ReadBiosProperty(std::uint8_t bus, std::uint8_t dev, std::uint8_t function, BIOSPROPERTYDATA* data) {
  if (!data) return cfgprobe::kNoRecord;
  cfgprobe::ControllerPort port(*this, hKXDriver, bus, dev, function);
  if (port.windowsAbove4G()) return cfgprobe::kWindowsAbove4G;
  if (port.selectRegister(cfgprobe::kGlobalBaseRegister) == 0) return 0;
  port.readBase();
  std::uint8_t v = 0, d = 0;
  if (!port.readFlash(kVersionPointer, &v) || !port.readFlash(kDatePointer, &d)) return 0;
  if (v == kErased && d == kErased) return cfgprobe::kNoImage;
  // Digits of the chip's text, each stored field as soon as its digits are in.
  int digits[4] = {};
  const auto readDigits = [&](std::uint32_t base, std::initializer_list<std::uint32_t> offsets) {
    int i = 0;
    for (std::uint32_t offset : offsets) {
      std::uint8_t c = 0;
      if (!port.readFlash(base + offset, &c)) return false;
      digits[i++] = static_cast<std::uint8_t>(c - 0x30);
    }
    return true;
  };
  if (!readDigits(v, {0})) return 0;
  data->nMajorVersion = digits[0];
  if (!readDigits(v, {2})) return 0;
  data->nMinorVersion = digits[0];
  if (!readDigits(v, {4, 5})) return 0;
  data->nRevision = digits[0] * 10 + digits[1];
  if (!readDigits(d, {0, 1})) return 0;
  data->nMonth = digits[0] * 10 + digits[1];
  if (!readDigits(d, {3, 4})) return 0;
  data->nDay = digits[0] * 10 + digits[1];
  if (!readDigits(d, {6, 7, 8, 9})) return 0;
  data->nYear = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
  return cfgprobe::kDone;
}

int OS_WINAPI KX_GetBiosInfo(int index, BIOSPROPERTYDATA* data) {
  if (!TheLibrary) return cfgprobe::kNoControllerAtIndex;
  const DEVICEENTRY* entry = cfgprobe::entryAt(index);
  if (!entry) return cfgprobe::kNoControllerAtIndex;
  if (!data) return cfgprobe::kNoRecord;
  // The chip's bytes come through the flash registers a running BIOS operation or
  // search is driving: they would interleave with its own.
  if (cfgprobe::currentStatus() != kStatusIdle) return cfgprobe::kBusy;
  const std::size_t length = strnlen(entry->szDescription, kDescriptionSize - 1);
  std::memcpy(data->szDescription, entry->szDescription, length);
  data->szDescription[length] = '\0';
  data->nPort0Speed = entry->nSControlPort0;
  data->nPort1Speed = entry->nSControlPort1;
  return TheLibrary->ReadBiosProperty(entry->bBus, entry->bDevice, entry->bFunction, data);
}
