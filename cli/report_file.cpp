#include "cli/report_file.h"

#include "cli/host.h"
#include "os/text.h"
#include "os/types.h"

namespace cli {
namespace {

// The engine opens a path of the program's length limit or longer as no file at all.
std::optional<std::string> tooLong(const std::string& name, const std::u16string& path) {
  if (path.size() < os::kMaxPath) return std::nullopt;
  return name + ": cannot read the report: its path has " + std::to_string(path.size()) +
         " characters, the analysis opens only paths of fewer than " + std::to_string(os::kMaxPath);
}

}  // namespace

std::optional<ReportFile> ReportFile::open(const std::string& argument, std::string& error) {
  if (argument == "-") {
    const auto copy = host::copyStandardInput(error);
    if (!copy) return std::nullopt;
    ReportFile report(os::fromUtf8(*copy), host::kStandardInput, *copy);
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
  if (const auto reason = host::whyUnreadable(argument, path)) {
    error = *reason;
    return std::nullopt;
  }
  return ReportFile(path, argument, {});
}

ReportFile::ReportFile(ReportFile&& other) noexcept
    : m_path(std::move(other.m_path)), m_name(std::move(other.m_name)), m_temporary(std::move(other.m_temporary)) {
  other.m_temporary.clear();
}

ReportFile::~ReportFile() {
  if (!m_temporary.empty()) host::removeCopy(m_temporary);
}

}  // namespace cli
