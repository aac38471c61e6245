// The host's half of the tool natively: POSIX files, paths with slashes.
#include "cli/host.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "os/platform.h"
#include "os/posix/host.h"

namespace cli::host {
namespace {

std::string cannotRead(const std::string& name, int error) {
  return name + ": cannot read the report: " + std::strerror(error);
}

}  // namespace

std::string shownPath(std::u16string_view windowsPath) { return os::hostPath(windowsPath); }

std::optional<std::string> copyStandardInput(std::string& error) {
  if (::isatty(STDIN_FILENO)) {
    error = std::string(kStandardInput) + ": is a terminal; redirect the report into it or name its file";
    return std::nullopt;
  }
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
  if (ec) {
    error = std::string(kStandardInput) + ": no folder for a temporary copy: " + ec.message();
    return std::nullopt;
  }
  std::string path = (folder / "spanfinder-report-XXXXXX").string();
  const int fd = ::mkstemp(path.data());
  if (fd < 0) {
    error = std::string(kStandardInput) + ": cannot create a temporary copy in " + folder.string() + ": " +
            std::strerror(errno);
    return std::nullopt;
  }
  char buffer[65536];
  std::size_t n = 0;
  int failure = 0;
  while (failure == 0 && (n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0)
    for (std::size_t done = 0; done < n && failure == 0;) {
      const ssize_t w = ::write(fd, buffer + done, n - done);
      if (w < 0 && errno != EINTR) failure = errno;
      if (w > 0) done += static_cast<std::size_t>(w);
    }
  const int readError = std::ferror(stdin) ? errno : 0;
  if (::close(fd) != 0 && failure == 0) failure = errno;
  if (readError != 0 || failure != 0) {
    ::unlink(path.c_str());
    error = readError != 0 ? cannotRead(kStandardInput, readError)
                           : std::string(kStandardInput) + ": cannot write a temporary copy to " + path + ": " +
                                 std::strerror(failure);
    return std::nullopt;
  }
  return path;
}

os::Platform ownFacilities() {
  os::Platform facilities = os::platform();
  facilities.modules = &os::hostModules();
  return facilities;
}

std::optional<std::string> ownLibraryPath(const std::string& userPath, std::string&) { return userPath; }

bool standardOutputIsTerminal() { return ::isatty(STDOUT_FILENO) != 0; }

void removeCopy(const std::string& copy) { ::unlink(copy.c_str()); }

std::optional<std::string> whyUnreadable(const std::string& argument, const std::u16string& path) {
  // The file the engine will open: backslashes name folders, as on Windows.
  const int fd = ::open(os::hostPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return cannotRead(argument, errno);
  struct stat st {};
  const int status = ::fstat(fd, &st);
  const int statError = errno;
  ::close(fd);
  if (status != 0 || S_ISDIR(st.st_mode)) return cannotRead(argument, status != 0 ? statError : EISDIR);
  return std::nullopt;
}

}  // namespace cli::host
