#pragma once
// Files, shaped after CreateFileW/A, ReadFile, WriteFile, GetFileSizeEx,
// SetFilePointerEx and CloseHandle. Paths are Windows paths; the back end decides
// what they name (the Win32 file system, the host file system, or a drive of the
// simulated machine mapped to a host folder).
//
// Every call that fails returns its failure value and sets os::lastError(). Output
// arguments (the counts and the size) are required: a null one fails the call with
// kErrorInvalidParameter before anything else is done, as does a null buffer with a
// size other than 0. An output is written if and only if the call succeeds; a
// failed call leaves it as it was. The base class is the "facility absent" back
// end: every call fails with kErrorNotSupported.
// Threads: a BIOS worker thread opens, reads, writes and closes its image file
// while the caller's thread uses the facility; every call may come from any
// thread, for different handles at the same time.
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
  // (0 at end of file), or false with:
  //   kErrorInvalidParameter  read is null, or buffer is null with a size
  //   kErrorInvalidHandle     file is not an open file handle
  //   kErrorAccessDenied      file was opened without kGenericRead
  //   kErrorIoDevice          the medium failed
  virtual bool readFile(Handle file, void* buffer, std::uint32_t size, std::uint32_t* read);
  // WriteFile: writes size bytes at the current position. true with *written (a
  // caller checks it against size), or false with:
  //   kErrorInvalidParameter  written is null, or data is null with a size
  //   kErrorInvalidHandle     file is not an open file handle
  //   kErrorAccessDenied      file was opened without kGenericWrite
  //   kErrorDiskFull          the medium is full (what was written before stays)
  //   kErrorIoDevice          the medium failed
  virtual bool writeFile(Handle file, const void* data, std::uint32_t size, std::uint32_t* written);
  // GetFileSizeEx: true with *size, the file's length in bytes, or false with
  // kErrorInvalidParameter (size is null) or kErrorInvalidHandle.
  virtual bool fileSize(Handle file, std::uint64_t* size);
  // SetFilePointerEx(0, FILE_END): moves the position to the end of the file. false
  // with kErrorInvalidHandle.
  virtual bool seekToEnd(Handle file);
  // CloseHandle for a file handle: false with kErrorInvalidHandle for a handle
  // that is not open (one closed already, say).
  virtual bool closeFile(Handle file);
};

}  // namespace os
