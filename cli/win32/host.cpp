// The host's half of the tool on Windows: files through the os/ facilities (the
// Win32 adapters), paths as Windows writes them.
#include "cli/host.h"

#include <fcntl.h>
#include <io.h>
#include <process.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "os/platform.h"
#include "os/text.h"
#include "os/win32/ansi_text.h"

namespace cli::host {
namespace {

std::filesystem::path fileSystemPath(std::u16string_view windowsPath) {
  return std::filesystem::path(std::u16string(windowsPath));
}

std::string cannotRead(const std::string& name, const std::string& reason) {
  return name + ": cannot read the report: " + reason;
}

// A failed open in the words the native tool uses for the same failure.
std::string reasonOf(std::uint32_t error) {
  switch (error) {
    case os::kErrorFileNotFound:
    case os::kErrorPathNotFound: return "No such file or directory";
    case os::kErrorAccessDenied: return "Permission denied";
    case os::kErrorSharingViolation: return "it is open in another program that shares it with none";
    default: return "Windows error " + std::to_string(error);
  }
}

// A new file of its own in folder (CREATE_NEW refuses a name that exists): its
// handle and path, or an invalid handle with the system's last error.
os::Handle createCopy(os::Files& files, const std::filesystem::path& folder, std::u16string& path) {
  os::Handle file = os::invalidHandle();
  for (unsigned n = 0; n < 1000; ++n) {
    path = (folder / ("spanfinder-report-" + std::to_string(::_getpid()) + "-" + std::to_string(n))).u16string();
    file = files.createFile(path, os::kGenericWrite, 0, os::kCreateNew);
    if (os::isValid(file) || os::lastError() != os::kErrorFileExists) break;
  }
  return file;
}

}  // namespace

std::string shownPath(std::u16string_view windowsPath) { return os::toUtf8(windowsPath); }

std::optional<std::string> copyStandardInput(std::string& error) {
  if (::_isatty(::_fileno(stdin))) {
    error = std::string(kStandardInput) + ": is a terminal; redirect the report into it or name its file";
    return std::nullopt;
  }
  // The report's bytes as they are: text mode would end it at a byte 0x1A and
  // take CR LF pairs apart from the UTF-16 units around them.
  ::_setmode(::_fileno(stdin), _O_BINARY);
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
  if (ec) {
    error = std::string(kStandardInput) + ": no folder for a temporary copy: " + ec.message();
    return std::nullopt;
  }
  os::Files& files = *os::platform().files;
  std::u16string path;
  const os::Handle copy = createCopy(files, folder, path);
  if (!os::isValid(copy)) {
    error = std::string(kStandardInput) + ": cannot create a temporary copy in " + os::toUtf8(folder.u16string()) +
            ": " + reasonOf(os::lastError());
    return std::nullopt;
  }
  char buffer[65536];
  std::size_t n = 0;
  std::uint32_t failure = 0;
  while (failure == 0 && (n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
    std::uint32_t written = 0;
    if (!files.writeFile(copy, buffer, static_cast<std::uint32_t>(n), &written) || written != n)
      failure = os::lastError() ? os::lastError() : os::kErrorDiskFull;  // a short write
  }
  const bool readFailed = std::ferror(stdin) != 0;
  files.closeFile(copy);
  if (readFailed || failure != 0) {
    std::filesystem::remove(fileSystemPath(path), ec);
    error = readFailed ? cannotRead(kStandardInput, "the read failed")
                       : std::string(kStandardInput) + ": cannot write a temporary copy to " + os::toUtf8(path) +
                             ": " + reasonOf(failure);
    return std::nullopt;
  }
  return os::toUtf8(path);
}

void removeCopy(const std::string& copy) {
  std::error_code ec;
  std::filesystem::remove(fileSystemPath(os::fromUtf8(copy)), ec);
}

std::optional<std::string> whyUnreadable(const std::string& argument, const std::u16string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(fileSystemPath(path), ec)) return cannotRead(argument, "Is a directory");
  os::Files& files = *os::platform().files;
  const os::Handle file = files.createFile(path, os::kGenericRead, os::kFileShareRead, os::kOpenExisting);
  if (!os::isValid(file)) return cannotRead(argument, reasonOf(os::lastError()));
  files.closeFile(file);
  return std::nullopt;
}

os::Platform ownFacilities() { return os::platform(); }

// The library takes its file names in the ANSI code page; the tool has them in UTF-8.
std::optional<std::string> ownLibraryPath(const std::string& userPath, std::string& error) {
  std::string ansi;
  if (os::win32::toAnsiCodePage(os::fromUtf8(userPath), ansi)) return ansi;
  error = userPath + ": the access library cannot open a file of this name (a character outside the system's "
                     "code page); rename the file or choose another folder";
  return std::nullopt;
}

bool standardOutputIsTerminal() { return ::_isatty(::_fileno(stdout)) != 0; }

}  // namespace cli::host
