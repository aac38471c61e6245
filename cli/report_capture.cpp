// The report part of a capture: the system-information tool run as the Search
// runs it, and its report read back with the analysis's own report scan.
#include <memory>

#include "analysis/range_line.h"
#include "analysis/report_lines.h"
#include "analysis/report_scan.h"
#include "app/system_info_tool.h"
#include "cli/hex_text.h"
#include "cli/machine_capture.h"
#include "cli/report_headings.h"
#include "os/text.h"
#include "resources/messages.h"

namespace cli {
namespace {

using analysis::Section;

// The report's cells: the text between TABs (the last cell ends with one too).
std::vector<std::string> cells(std::u16string_view line) {
  std::vector<std::string> found;
  for (std::size_t from = 0; from <= line.size();) {
    const std::size_t tab = line.find(u'\t', from);
    if (tab == std::u16string_view::npos) {
      if (from < line.size()) found.push_back(os::toUtf8(line.substr(from)));
      break;
    }
    found.push_back(os::toUtf8(line.substr(from, tab - from)));
    from = tab + 1;
  }
  return found;
}

// Every row of the three sections, under the headings of either language.
class RowCollector final : public analysis::ReportLineSink {
 public:
  explicit RowCollector(CapturedMachine& machine) : m_(machine) {}

  bool onLine(Section section, std::u16string_view line) override {
    if (line.find(u'[') != std::u16string_view::npos) {
      headerNext_ = true;  // the column header follows the heading
      return true;
    }
    if (headerNext_) {
      headerNext_ = false;
      if (!parser_.parse(line, range_)) return true;
    }
    const std::vector<std::string> row = cells(line);
    if (section == Section::ProblemDevices) {
      if (row.size() < 3 || row[0].empty() || row[1].empty() || row[2].empty())
        return skipped("[Problem Devices]", line);
      m_.problemDevices.push_back({row[0], row[1], row[2]});
      return true;
    }
    std::vector<CapturedRange>& ranges = section == Section::Io ? m_.io : m_.memory;
    const char* name = section == Section::Io ? "[I/O]" : "[Memory]";
    if (!parser_.parse(line, range_) || range_.end < range_.start) return skipped(name, line);
    CapturedRange r{range_.start, range_.end, row.size() > 1 ? row[1] : "", row.size() > 2 ? row[2] : "OK"};
    if (r.device.empty()) {
      m_.notes.push_back(std::string("a row of the ") + name +
                         " section names no device: recorded as \"(none)\": " + os::toUtf8(line));
      r.device = "(none)";
    }
    if (r.status.empty()) r.status = "OK";
    ranges.push_back(std::move(r));
    return true;
  }

 private:
  bool skipped(const char* section, std::u16string_view line) {
    m_.notes.push_back(std::string("a line of the report's ") + section +
                       " section is not a row it can hold: " + os::toUtf8(line));
    return true;
  }

  CapturedMachine& m_;
  analysis::RangeLineParser parser_;
  analysis::ResourceRange range_;
  bool headerNext_ = false;
};

std::vector<analysis::SectionTitle> titles() {
  namespace msg = resources::msg;
  std::vector<analysis::SectionTitle> all;
  for (const auto language : {resources::Language::English, resources::Language::Japanese}) {
    all.push_back({resources::loadMessage(msg::kIoHeading, language), Section::Io});
    all.push_back({resources::loadMessage(msg::kMemoryHeading, language), Section::Memory});
    all.push_back({resources::loadMessage(msg::kProblemHeading, language), Section::ProblemDevices});
  }
  return all;
}

// The name after "System Name: " on the report's first line.
std::optional<std::string> systemName(os::Files& files, const std::u16string& path) {
  const os::Handle file = files.createFile(path, os::kGenericRead, os::kFileShareRead, os::kOpenExisting);
  if (!os::isValid(file)) return std::nullopt;
  char16_t units[512] = {};
  std::uint32_t read = 0;
  const bool ok = files.readFile(file, units, sizeof units - sizeof(char16_t), &read);
  files.closeFile(file);
  if (!ok) return std::nullopt;
  std::u16string_view text(units, read / 2);
  if (!text.empty() && text.front() == u'\xFEFF') text.remove_prefix(1);
  analysis::ReportLines lines(text);
  analysis::ReportLine first;
  if (!lines.next(first)) return std::nullopt;
  for (std::u16string_view prefix : {u"System Name: ", u"システム名: "})
    if (first.text.substr(0, prefix.size()) == prefix && first.text.size() > prefix.size())
      return os::toUtf8(first.text.substr(prefix.size()));
  return std::nullopt;
}

}  // namespace

void captureReport(const os::Platform& facilities, CapturedMachine& machine) {
  const std::u16string directory = os::fromUtf8(machine.windowsDirectory);
  const auto command =
      app::systemInfoCommand(directory, facilities.system->upperCase(directory), machine.windowsVersion);
  if (!command) {
    machine.notes.push_back("the Windows folder " + machine.windowsDirectory +
                            " holds no \\WINDOWS: the Search runs no system-information tool there, so there is no "
                            "report");
    return;
  }
  const std::string report = os::toUtf8(command->reportPath);
  if (command->commandLine.size() + 1 > app::kCommandLineUnits) {
    machine.notes.push_back(
        "the system-information tool's command line does not fit the Search's buffer: it is not "
        "run, as the Search does not run it");
    machine.toolExitStatus = 1;
    return;
  }
  const int status = facilities.processes->runThroughInterpreter(command->commandLine);
  if (status != 0) {
    machine.toolExitStatus = status;
    machine.notes.push_back("the system-information tool ended with status " + std::to_string(status) +
                            ": there is no report");
    return;
  }
  RowCollector rows(machine);
  const auto all = titles();
  if (!analysis::scanReport(*facilities.files, command->reportPath, all, rows)) {
    const std::uint32_t error = os::lastError();
    if (error == os::kErrorFileNotFound) {
      machine.toolWroteNoFile = true;
      machine.notes.push_back("the system-information tool ended with 0 but wrote no report " + report);
    } else {
      machine.notes.push_back("the report " + report + " cannot be read (error " + std::to_string(error) +
                              "): its ranges and problem devices are not in the profile");
    }
    return;
  }
  if (const auto language = reportHeadingLanguage(*facilities.files, command->reportPath))
    machine.reportJapanese = *language == resources::Language::Japanese;
  else
    machine.notes.push_back("the report " + report +
                            " has no [Memory] or [Problem Devices] heading of either language (is it the UTF-16 "
                            "text the system-information tool writes?)");
  machine.systemName = systemName(*facilities.files, command->reportPath);
  if (!machine.systemName) machine.notes.push_back("the report " + report + " names no system on its first line");
}

}  // namespace cli
