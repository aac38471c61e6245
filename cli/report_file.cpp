#include "cli/report_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "os/posix/host.h"
#include "os/text.h"
#include "os/types.h"

namespace cli {
namespace {

constexpr const char* kStandardInput = "standard input";

std::string cannotRead(const std::string& name, int error) {
  return name + ": cannot read the report: " + std::strerror(error);
}

// The engine opens a path of the program's length limit or longer as no file at all.
std::optional<std::string> tooLong(const std::string& name, const std::u16string& path) {
  if (path.size() < os::kMaxPath) return std::nullopt;
  return name + ": cannot read the report: its path has " + std::to_string(path.size()) +
         " characters, the analysis opens only paths of fewer than " + std::to_string(os::kMaxPath);
}

// Standard input into a new temporary file; its host path, or nothing with error set.
std::optional<std::string> copyStandardInput(std::string& error) {
  if (::isatty(STDIN_FILENO)) {  // the report is binary UTF-16 text: it is piped or redirected in, never typed
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

}  // namespace

std::optional<ReportFile> ReportFile::open(const std::string& argument, std::string& error) {
  if (argument == "-") {
    const auto copy = copyStandardInput(error);
    if (!copy) return std::nullopt;
    ReportFile report(os::fromUtf8(*copy), kStandardInput, *copy);
    if (const auto reason = tooLong(report.name(), report.path())) {
      error = *reason;
      return std::nullopt;  // the copy goes with report
    }
    return report;
  }
  const std::u16string path = os::fromUtf8(argument);
  if (const auto reason = tooLong(argument, path)) {
    error = *reason;
    return std::nullopt;
  }
  // The file the engine will open: backslashes name folders, as on Windows.
  const int fd = ::open(os::hostPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = cannotRead(argument, errno);
    return std::nullopt;
  }
  struct stat st {};
  const int status = ::fstat(fd, &st);
  const int statError = errno;
  ::close(fd);
  if (status != 0 || S_ISDIR(st.st_mode)) {
    error = cannotRead(argument, status != 0 ? statError : EISDIR);
    return std::nullopt;
  }
  return ReportFile(path, argument, {});
}

ReportFile::ReportFile(ReportFile&& other) noexcept
    : m_path(std::move(other.m_path)), m_name(std::move(other.m_name)), m_temporary(std::move(other.m_temporary)) {
  other.m_temporary.clear();
}

ReportFile::~ReportFile() {
  if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
}

}  // namespace cli
