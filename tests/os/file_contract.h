#pragma once
// The contract of os::Files (os/files.h) as one table of calls that runs on any back
// end: the native tests run it on the host files and on a simulated drive, the
// Windows checks on the Win32 back end.
#include <cstdint>
#include <span>
#include <string>

#include "os/files.h"

namespace file_contract {

// The handle a call gets: the file (holding "abc") opened for reading or for
// writing, no handle at all (null), or one that was opened and closed again.
enum class HandleKind { Reading, Writing, None, Closed };
// The call, with every output given, or with the one named left null.
enum class Call { Read, Write, Size, SeekToEnd, Close, ReadNoCount, ReadNoBuffer, WriteNoCount, SizeNoSize };

struct Case {
  const char* name;
  HandleKind handle;
  Call call;
  std::uint32_t error;      // 0: the call succeeds
  std::uint64_t output;     // on success, what it writes to its output (a count or a size)
};

std::span<const Case> cases();

// Runs one case on files in folder (a Windows path; the file is made there afresh):
// empty when the back end kept the contract, else what it did instead.
std::string run(os::Files& files, const std::u16string& folder, const Case& c);

}  // namespace file_contract
