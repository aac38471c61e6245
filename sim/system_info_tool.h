#pragma once
// The simulated system-information tool (msinfo32.exe). Run with
// "/categories +A+B... /report <path>" it writes the report of the machine's
// resource ranges and problem devices to path, in the machine's user-interface
// language, and ends with 0; categories that are not asked for are left out. It
// ends with 1 when the arguments name no report or the report cannot be written,
// and with the status a fault gives.
#include <optional>
#include <string>
#include <vector>

#include "sim/system_report.h"

namespace sim {

class FileSystem;
class SystemFacts;

class SystemInfoTool {
 public:
  SystemInfoTool(SystemFacts& facts, FileSystem& files) : facts_(facts), files_(files) {}

  // The machine's resources as the tool reports them (the language is the machine's).
  SystemReportDescription resources;
  // The language of the headings when it is not the user-interface language's.
  std::optional<ReportLanguage> headings;
  // Fault: the tool writes nothing and ends with this status.
  std::optional<int> failure;
  // Fault: the tool ends with 0 as if it had written the report, but writes nothing.
  bool writesNoFile = false;
  // Fault: the tool gets only the first bytes of its report written (it is ended
  // from outside, or its disk fills) and ends with exitStatus.
  struct CutShort {
    std::size_t bytes = 0;
    int exitStatus = 0;
  };
  std::optional<CutShort> cutShort;

  int run(const std::u16string& path, const std::vector<std::u16string>& args);

  // Reports written so far (their paths).
  const std::vector<std::u16string>& reports() const { return reports_; }

 private:
  SystemFacts& facts_;
  FileSystem& files_;
  std::vector<std::u16string> reports_;
};

}  // namespace sim
