#pragma once
// The program file's own path and the version resources of files, shaped after
// GetModuleFileNameW, GetFileVersionInfoSizeW, GetFileVersionInfoW and
// VerQueryValueW. The version block is opaque to its user: it is filled by
// getFileVersionInfo and read only through queryValue of the same back end.
// The base class is the "facility absent" back end: no path, no version blocks.
// Threads: only the program's own thread calls it, never a BIOS worker thread.
#include <cstdint>
#include <string_view>

#include "os/types.h"

namespace os {

// ERROR_RESOURCE_TYPE_NOT_FOUND: the file carries no version resource.
constexpr std::uint32_t kErrorResourceTypeNotFound = 1813;

class VersionInfo {
 public:
  virtual ~VersionInfo() = default;

  // GetModuleFileNameW(NULL, ...): the running program's full path. Copies at most
  // size units, terminator included. Returns the length copied without the
  // terminator; size (and kErrorInsufficientBuffer, the text cut and terminated)
  // when the path does not fit; 0 on failure.
  virtual std::uint32_t getModuleFileName(char16_t* buffer, std::uint32_t size);

  // GetFileVersionInfoSizeW: the size of the file's version block in bytes, or 0
  // (kErrorFileNotFound: no such file; kErrorResourceTypeNotFound: no version
  // resource).
  virtual std::uint32_t getFileVersionInfoSize(std::u16string_view path);

  // GetFileVersionInfoW: fills block (size bytes, as returned above). false when
  // the file has no version resource or size is too small (kErrorInsufficientBuffer).
  virtual bool getFileVersionInfo(std::u16string_view path, std::uint32_t size, void* block);

  // VerQueryValueW for a string value, with subBlock such as
  // "\StringFileInfo\040903a4\ProductVersion". true with *value pointing into the
  // block at the terminated text and *length its size in units (terminator
  // included); false when the block holds no such value.
  virtual bool queryValue(const void* block, std::u16string_view subBlock, const char16_t** value,
                          std::uint32_t* length);
};

}  // namespace os
