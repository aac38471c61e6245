#pragma once
// The built spanfinder tool run end to end, as a user runs it: a fresh folder per
// test with the report and the INI folder, the tool's exit status, stdout and
// stderr.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "os/posix/host.h"
#include "os/text.h"
#include "sim/system_report.h"
#include "tests/support/tool_run.h"

namespace cli_test {

namespace fs = std::filesystem;

using test_support::shellQuoted;
using test_support::slurp;
using test_support::ToolRun;

inline fs::path toolPath() { return test_support::binFolder() / "spanfinder"; }

// Every occurrence of what in text replaced by with.
inline std::string replaced(std::string text, const std::string& what, const std::string& with) {
  for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += with.size())
    text.replace(at, what.size(), with);
  return text;
}

inline sim::ReportRange r(std::uint32_t start, std::uint32_t end) { return {start, end, "PCI device", "OK"}; }

// I/O window 0x0D00-0xFFFF with room; memory window 0xF0000000-0xF3FFFFFF as in
// the free-space search's worked example, listed out of order and with duplicates.
inline sim::SystemReportDescription machine() {
  sim::SystemReportDescription d;
  d.io = {r(0x0000, 0x0CF7), r(0x0D00, 0xFFFF), r(0xE000, 0xEFFF), r(0xE000, 0xE0FF), r(0xE000, 0xEFFF)};
  d.memory = {r(0xF2000000, 0xF2003FFF), r(0xF0000000, 0xF3FFFFFF), r(0xF0000000, 0xF00FFFFF),
              r(0xF2000000, 0xF2FFFFFF), r(0xF0000000, 0xF00FFFFF), r(0xFED00000, 0xFED003FF)};
  return d;
}

// The ten blocks of 0x600000 bytes the worked example lists, in order.
inline const char* const kExampleBlocks =
    "0xF1A00000-0xF1FFFFFF\n0xF1400000-0xF19FFFFF\n0xF0E00000-0xF13FFFFF\n0xF0800000-0xF0DFFFFF\n"
    "0xF0200000-0xF07FFFFF\n0xF3A00000-0xF3FFFFFF\n0xF3400000-0xF39FFFFF\n0xF2E00000-0xF33FFFFF\n"
    "0xF2800000-0xF2DFFFFF\n0xF2200000-0xF27FFFFF\n";

class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    std::replace(name.begin(), name.end(), '/', '-');
    root_ = fs::temp_directory_path() / ("spanfinder-cli-" + std::to_string(::getpid()) + "-" + name);
    fs::remove_all(root_);
    fs::create_directories(root_ / "ini");
    ASSERT_TRUE(fs::exists(toolPath())) << toolPath();
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string report(const sim::SystemReportDescription& description, const std::string& name = "msinfo.txt") {
    const fs::path p = root_ / name;
    EXPECT_TRUE(sim::writeSystemReport(os::hostFiles(), os::fromUtf8(p.string()), description));
    return p.string();
  }
  std::string rawFile(const std::string& bytes, const std::string& name = "msinfo.txt") {
    std::ofstream(root_ / name, std::ios::binary) << bytes;
    return (root_ / name).string();
  }

  // The tool with args, in the test's folder. launcher, when given, is the command
  // that starts it (the tool's path and args follow its words): env with variables
  // to set or unset, a shell that limits the file size first. input is what the
  // tool's standard input holds.
  ToolRun run(const std::vector<std::string>& args, const std::vector<std::string>& launcher = {},
              const std::string& input = {}) {
    if (launcher.empty()) return test_support::runProgram(toolPath(), args, root_, {}, input);
    std::vector<std::string> words(launcher.begin() + 1, launcher.end());
    words.push_back(toolPath().string());
    words.insert(words.end(), args.begin(), args.end());
    return test_support::runProgram(launcher.front(), words, root_, {}, input);
  }

  // analyze REPORT with the INI file going to the test's folder, unless the
  // options name their own.
  std::vector<std::string> analyze(const std::string& reportPath, std::vector<std::string> more) {
    std::vector<std::string> args{"analyze", reportPath};
    if (std::find(more.begin(), more.end(), "--ini-dir") == more.end())
      args.insert(args.end(), {"--ini-dir", (root_ / "ini").string()});
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }

  std::string iniText(const std::string& name) { return test_support::utf16File(root_ / "ini" / name); }

  fs::path root_;
};

}  // namespace cli_test
