// spanfinder analyze on the sample reports that ship in sim/sample-reports: the JSON of
// tests/data, which the Windows check holds spanfinder.exe to as well, so that
// both builds of the tool give the same answer. Each case is a pair of files:
// NAME.args (the report's path in the source tree, then one argument a line) and
// NAME.json (the output, the INI file named by its file name alone).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/tool_run.h"

namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(SPANFINDER_SOURCE_DIR) / "tests" / "data";

std::vector<std::string> lines(const fs::path& file) {
  std::ifstream in(file);
  std::vector<std::string> all;
  for (std::string line; std::getline(in, line);) all.push_back(line);
  return all;
}

// The "ini" value cut to the file's name: the folder is the test's own.
std::string withIniFileNameOnly(std::string json) {
  const std::string key = "\n  \"ini\": \"";
  const auto at = json.find(key);
  if (at == std::string::npos) return json;
  const auto valueStart = at + key.size(), valueEnd = json.find('"', valueStart);
  const auto slash = json.find_last_of("/\\", valueEnd);
  if (slash != std::string::npos && slash >= valueStart) json.erase(valueStart, slash + 1 - valueStart);
  return json;
}

class SampleReports : public ::testing::TestWithParam<const char*> {};

TEST_P(SampleReports, GiveTheJsonOfTestsData) {
  const std::string name = GetParam();
  std::vector<std::string> args = lines(kData / (name + ".args"));
  ASSERT_FALSE(args.empty());
  args[0] = (fs::path(SPANFINDER_SOURCE_DIR) / args[0]).string();
  args.insert(args.begin(), "analyze");
  test_support::ScratchFolder scratch;
  args.insert(args.end(), {"--ini-dir", scratch.path().string()});
  const test_support::ToolRun run =
      test_support::runProgram(test_support::binFolder() / "spanfinder", args, scratch.path());
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(withIniFileNameOnly(run.out), test_support::slurp(kData / (name + ".json")));
}

INSTANTIATE_TEST_SUITE_P(Demo, SampleReports, ::testing::Values("analyze-msinfo", "analyze-msinfo-ja"),
                         [](const auto& info) {
                           std::string n = info.param;
                           for (char& c : n)
                             if (c == '-') c = '_';
                           return n;
                         });

}  // namespace
