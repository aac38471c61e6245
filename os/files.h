#pragma once
// Files, shaped after CreateFileW/A, ReadFile, WriteFile, GetFileSizeEx,
// SetFilePointerEx and CloseHandle. Paths are Windows paths; the back end decides
// what they name (the Win32 file system, the host file system, or a drive of the
// simulated machine mapped to a host folder).
//
// Every call that fails returns its failure value and sets os::lastError(). The
// base class is the "facility absent" back end: every call fails with
// kErrorNotSupported.
#include <cstdint>
#include <string_view>

#include "os/types.h"

namespace os {

// CreateFile access rights, share modes and creation dispositions (Win32 values).
constexpr std::uint32_t kGenericRead = 0x80000000u;
constexpr std::uint32_t kGenericWrite = 0x40000000u;
constexpr std::uint32_t kFileShareRead = 0x1;
constexpr std::uint32_t kFileShareWrite = 0x2;
constexpr std::uint32_t kCreateNew = 1;
constexpr std::uint32_t kCreateAlways = 2;
constexpr std::uint32_t kOpenExisting = 3;
constexpr std::uint32_t kOpenAlways = 4;
constexpr std::uint32_t kFileAttributeNormal = 0x80;

class Files {
 public:
  virtual ~Files() = default;

  // CreateFileW. access: kGenericRead/kGenericWrite (0 = query only); share: 0 opens
  // the file exclusively. Returns a handle, or invalidHandle() with lastError():
  //   kErrorFileNotFound     the file does not exist (kOpenExisting)
  //   kErrorPathNotFound     a folder of the path does not exist, or the path has
  //                          kMaxPath (260) or more characters
  //   kErrorSharingViolation the file is open elsewhere without compatible sharing
  //   kErrorAccessDenied     the file or folder cannot be opened as asked
  virtual Handle createFile(std::u16string_view path, std::uint32_t access, std::uint32_t share,
                            std::uint32_t disposition);
  // CreateFileA: the same for an 8-bit (ANSI) path.
  virtual Handle createFileA(std::string_view path, std::uint32_t access, std::uint32_t share,
                             std::uint32_t disposition);

  // ReadFile: reads up to size bytes from the current position. true with *read
  // (0 at end of file), or false (kErrorInvalidHandle, kErrorAccessDenied, kErrorIoDevice).
  virtual bool readFile(Handle file, void* buffer, std::uint32_t size, std::uint32_t* read);
  // WriteFile: writes size bytes at the current position. true with *written (which
  // may be less than size when the medium is full), or false.
  virtual bool writeFile(Handle file, const void* data, std::uint32_t size, std::uint32_t* written);
  // GetFileSizeEx: true with the file's length in bytes, or false.
  virtual bool fileSize(Handle file, std::uint64_t* size);
  // SetFilePointerEx(0, FILE_END): moves the position to the end of the file.
  virtual bool seekToEnd(Handle file);
  // CloseHandle for a file handle: false for a handle that is not open.
  virtual bool closeFile(Handle file);
};

}  // namespace os
