// spanfinder report: the report a machine's system-information tool writes, run
// with the Search's own command line.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "app/system_info_tool.h"
#include "cli/output_place.h"
#include "cli/sim/machine_commands.h"
#include "cli/sim/machine_options.h"
#include "cli/whole_file.h"
#include "os/text.h"

namespace cli {
namespace {

struct ReportOptions {
  MachineOptions machine;
  std::string output;
};

int failed(const std::string& problem) {
  std::fprintf(stderr, "spanfinder: %s\n", problem.c_str());
  return kExitFailed;
}

int runReport(const ReportOptions& o) {
  if (const auto problem = outputFileProblem("report: --output " + o.output, o.output)) {
    std::fprintf(stderr, "spanfinder: %s\n", problem->c_str());
    return kExitUsage;
  }
  const auto hosted = openMachine(o.machine);
  if (!hosted) return kExitUsage;
  sim::Machine& m = hosted->machine();
  const std::u16string windows = m.facts.windowsDirectory.value_or(u"");
  const auto command = app::systemInfoCommand(windows, m.facts.upperCase(windows), m.facts.version);
  if (!command) return failed("the machine's Windows folder has no \\WINDOWS in its path: no report");
  std::error_code ec;
  std::filesystem::remove(m.files.toHost(command->reportPath).value_or(""), ec);
  if (const int status = m.processes.runThroughInterpreter(command->commandLine); status != 0)
    return failed("the system-information tool ended with status " + std::to_string(status) + ": no report");
  const auto report = m.files.toHost(command->reportPath);
  std::ifstream in(report.value_or(""), std::ios::binary);
  if (!report || !in) return failed("the system-information tool wrote no report");
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  if (const auto problem = writeFileWhole(o.output, bytes)) return failed(*problem);
  if (o.output != "-")  // where it went, since the name is often made up by the shell
    std::printf("report: %s\n", std::filesystem::absolute(o.output, ec).lexically_normal().c_str());
  return kExitDone;
}

}  // namespace

void addReportCommand(CLI::App& app, Dispatch& dispatch) {
  auto options = std::make_shared<ReportOptions>();
  CLI::App* sub = app.add_subcommand(
      "report", "Write the system report a machine's system-information tool writes for the Search (UTF-16).");
  addMachineOptions(*sub, options->machine);
  sub->add_option("--output", options->output, "Where the report goes (- for standard output)")->required();
  sub->callback([&dispatch, options] { dispatch.run = [options] { return runReport(*options); }; });
}

}  // namespace cli
