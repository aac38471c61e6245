// What the tool promises about the user's files: --state and --reset touch only a
// folder the tool made, and an output whose folder does not exist (or which is a
// folder) is refused before anything runs, naming it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/cli/cli_fixture.h"

namespace {

namespace fs = std::filesystem;
using cli_test::ToolTest;
using test_support::slurp;
using test_support::ToolRun;

// What --state names: a folder with a user's file in it, the current folder, a file.
struct NotAStateFolder {
  const char* name;
  const char* state;     // as given, relative to the tool's folder
  const char* userFile;  // the user's file, which must be there afterwards as it was
};

class StateFolderRefusals
    : public ToolTest,
      public ::testing::WithParamInterface<std::tuple<NotAStateFolder, std::vector<std::string>>> {};

TEST_P(StateFolderRefusals, TouchNothingAndNameTheFolder) {
  const auto& [place, command] = GetParam();
  fs::create_directories(root_ / "x");
  std::ofstream(root_ / place.userFile) << "the user's own";
  std::vector<std::string> args = command;
  args.insert(args.end(), {"--state", place.state, "--reset"});
  const ToolRun run = this->run(args);
  EXPECT_EQ(run.status, 2) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind(std::string("spanfinder: ") + place.state + ": ", 0), 0u) << run.err;
  EXPECT_NE(run.err.find("nothing was changed"), std::string::npos) << run.err;
  EXPECT_EQ(slurp(root_ / place.userFile), "the user's own");
  EXPECT_FALSE(fs::exists(root_ / "C"));
  EXPECT_FALSE(fs::exists(root_ / "x" / "C"));
  EXPECT_FALSE(fs::exists(root_ / "x" / ".spanfinder-state"));
}

INSTANTIATE_TEST_SUITE_P(
    Places, StateFolderRefusals,
    ::testing::Combine(::testing::Values(NotAStateFolder{"FolderWithAUsersFile", "x", "x/important.txt"},
                                         NotAStateFolder{"CurrentFolder", ".", "important.txt"},
                                         NotAStateFolder{"PlainFile", "f", "f"}),
                       ::testing::Values(std::vector<std::string>{"search"}, std::vector<std::string>{"controllers"},
                                         std::vector<std::string>{"report", "--output", "r.txt"})),
    [](const auto& info) { return std::get<0>(info.param).name + std::string("_") + std::get<1>(info.param)[0]; });

// An empty folder is taken and marked; a marked one is emptied by --reset (all but
// its marker) and used again.
TEST_F(ToolTest, EmptyStateFolderIsTakenMarkedAndResetLater) {
  fs::create_directories(root_ / "empty");
  ASSERT_EQ(run({"search", "--state", "empty"}).status, 0);
  EXPECT_TRUE(fs::exists(root_ / "empty" / ".spanfinder-state"));
  std::ofstream(root_ / "empty" / "C" / "left.txt") << "x";
  const ToolRun reset = run({"report", "--state", "empty", "--reset", "--output", "-"});
  EXPECT_EQ(reset.status, 0) << reset.err;
  EXPECT_FALSE(fs::exists(root_ / "empty" / "C" / "left.txt"));
  EXPECT_TRUE(fs::exists(root_ / "empty" / ".spanfinder-state"));
}

struct Output {
  const char* name;
  std::vector<std::string> args;  // REPORT stands for a readable report
  const char* label;              // how the error line names the output
};

void PrintTo(const Output& o, std::ostream* os) { *os << o.name; }

class UnwritableOutputs : public ToolTest, public ::testing::WithParamInterface<Output> {};

TEST_P(UnwritableOutputs, AreRefusedBeforeAnythingRuns) {
  const std::string reportFile = report(cli_test::machine());
  std::ofstream(root_ / "file") << "a file";
  fs::create_directories(root_ / "folder");
  std::vector<std::string> args;
  for (const std::string& a : GetParam().args) args.push_back(a == "REPORT" ? reportFile : a);
  if (args[0] != "analyze") args.insert(args.end(), {"--state", (root_ / "state").string()});
  const ToolRun run = this->run(args);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind(std::string("spanfinder: ") + GetParam().label + ": ", 0), 0u) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_FALSE(fs::exists(root_ / "state"));  // no machine was started
  EXPECT_FALSE(fs::exists(root_ / "KB20.ini"));
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, UnwritableOutputs,
    ::testing::Values(
        Output{"AnalyzeHtmlInNoFolder",
               {"analyze", "REPORT", "--board", "KB20", "--memory-address", "F2000000", "--html", "nodir/x.html"},
               "--html nodir/x.html"},
        Output{"AnalyzeIniDirMissing",
               {"analyze", "REPORT", "--board", "KB20", "--memory-address", "F2000000", "--ini-dir", "nodir"},
               "--ini-dir nodir"},
        Output{"AnalyzeIniDirAFile",
               {"analyze", "REPORT", "--board", "KB40", "--memory-address", "F2000000", "--ini-dir", "file"},
               "--ini-dir file"},
        Output{"SearchHtmlAFolder", {"search", "--html", "folder"}, "--html folder"},
        Output{"ReportInNoFolder", {"report", "--output", "nodir/r.txt"}, "report: --output nodir/r.txt"},
        Output{"ReportAFolder", {"report", "--output", "folder"}, "report: --output folder"},
        Output{"BiosReadInNoFolder", {"bios", "read", "1", "nodir/chip.bin"}, "bios read: nodir/chip.bin"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
