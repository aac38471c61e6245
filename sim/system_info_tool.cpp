#include "sim/system_info_tool.h"

#include "sim/file_system.h"
#include "sim/fold_case.h"
#include "sim/system_facts.h"

namespace sim {
int SystemInfoTool::run(const std::u16string&, const std::vector<std::u16string>& args) {
  if (failure) return *failure;
  std::u16string categories, report;
  for (std::size_t i = 0; i + 1 < args.size(); ++i) {
    const std::u16string option = foldCase(args[i]);
    if (option == u"/CATEGORIES") categories = foldCase(args[++i]);
    else if (option == u"/REPORT") report = args[++i];
  }
  if (report.empty()) return 1;
  if (writesNoFile) return 0;
  SystemReportDescription description = resources;
  description.language = headings.value_or(facts_.language == os::kLangJapanese ? ReportLanguage::Japanese
                                                                                 : ReportLanguage::English);
  auto asked = [&](std::u16string_view name) {
    return categories.find(u"+ALL") != std::u16string::npos ||
           categories.find(u"+" + foldCase(name)) != std::u16string::npos;
  };
  description.hasIo = asked(u"ResourcesIO");
  description.hasMemory = asked(u"ResourcesMemory");
  description.hasProblemDevices = asked(u"ComponentsProblemDevices");
  if (cutShort) {
    const std::string bytes = systemReportBytes(description);
    if (!writeReportBytes(files_, report, std::string_view(bytes).substr(0, cutShort->bytes))) return 1;
    return cutShort->exitStatus;
  }
  if (!writeSystemReport(files_, report, description)) return 1;
  reports_.push_back(report);
  return 0;
}

}  // namespace sim
