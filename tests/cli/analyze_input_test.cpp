// What spanfinder does with what it is given: reports that cannot be read,
// standard input, bad options and commands, and a current directory that is gone.
#include <sys/stat.h>

#include "cli_fixture.h"

namespace {

using namespace cli_test;

class AnalyzeInput : public ToolTest {};

// A report that cannot be opened is a bad argument: one line naming it and why,
// nothing analysed and nothing written.
struct Unreadable {
  const char* name;
  std::string (*make)(const fs::path& root);  // the report argument
  std::string reason;
};

void PrintTo(const Unreadable& u, std::ostream* os) { *os << u.name; }

class UnreadableReport : public AnalyzeInput, public ::testing::WithParamInterface<Unreadable> {};

TEST_P(UnreadableReport, IsABadArgumentNamedWithItsReason) {
  const Unreadable& u = GetParam();
  const std::string path = u.make(root_);
  for (const char* board : {"KA10", "KB20"}) {
    const ToolRun run = this->run(analyze(path, {"--board", board, "--memory-address", "F2000000"}));
    EXPECT_EQ(run.status, 2) << board;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "spanfinder: " + path + ": cannot read the report: " + u.reason + "\n");
    EXPECT_TRUE(fs::is_empty(root_ / "ini"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Reports, UnreadableReport,
    ::testing::Values(
        Unreadable{"missing", [](const fs::path& root) { return (root / "missing.txt").string(); },
                   "No such file or directory"},
        Unreadable{"inAMissingFolder", [](const fs::path& root) { return (root / "gone" / "msinfo.txt").string(); },
                   "No such file or directory"},
        Unreadable{"aDirectory", [](const fs::path& root) { return (root / "ini").string(); }, "Is a directory"},
        // A file that exists, under a path the engine would never open.
        Unreadable{"pathOfTheLengthLimit",
                   [](const fs::path& root) {
                     const fs::path folder = root / std::string(260 - root.string().size() - 12, 'd');
                     fs::create_directories(folder);
                     const fs::path file = folder / "msinfo.txt";
                     sim::writeSystemReport(os::hostFiles(), os::fromUtf8(file.string()), machine());
                     return file.string();
                   },
                   "its path has 260 characters, the analysis opens only paths of fewer than 260"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AnalyzeInput, AReportWithoutReadPermissionIsNamed) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  const std::string path = report(machine());
  ::chmod(path.c_str(), 0);
  const ToolRun run = this->run(analyze(path, {"--board", "KA10", "--memory-address", "F2000000"}));
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "spanfinder: " + path + ": cannot read the report: Permission denied\n");
}

// "-" reads the report from standard input, through a temporary copy that is
// gone when the tool ends, whatever the outcome.
TEST_F(AnalyzeInput, StandardInputIsAReport) {
  const std::string path = report(machine());
  fs::create_directories(root_ / "tmp");
  const std::vector<std::string> withTemporaryFolder{"env", "TMPDIR=" + (root_ / "tmp").string()};
  const std::vector<std::string> options{"--board", "KB20", "--memory-address", "F2000000", "--json"};
  const ToolRun fromFile = run(analyze(path, options));
  const ToolRun fromInput = run(analyze("-", options), withTemporaryFolder, slurp(path));
  EXPECT_EQ(fromInput.status, 0) << fromInput.err;
  EXPECT_EQ(fromInput.out, fromFile.out);
  EXPECT_TRUE(fs::is_empty(root_ / "tmp"));

  const ToolRun empty = run(analyze("-", {"--board", "KB20", "--memory-address", "F2000000"}), withTemporaryFolder);
  EXPECT_EQ(empty.status, 1);
  EXPECT_EQ(empty.err.substr(0, 46), "spanfinder: standard input: no memory window: ");
  EXPECT_TRUE(fs::is_empty(root_ / "tmp"));
}

// A terminal is never where a report comes from: the tool says so instead of
// waiting for one to be typed.
TEST_F(AnalyzeInput, StandardInputFromATerminalIsRefused) {
  const std::string command =
      "env LC_ALL=C " + shellQuoted(toolPath().string()) + " analyze - --board KA10 --memory-address 1";
  const int raw = std::system(("timeout 10 script -qec " + shellQuoted(command) + " /dev/null >" +
                               shellQuoted((root_ / "out").string()) +
                               " </dev/null")
                                  .c_str());
  EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 2);
  EXPECT_EQ(slurp(root_ / "out"),
            "spanfinder: standard input: is a terminal; redirect the report into it or name its file\r\n");
}

// Bad usage: exit 2, one line on stderr saying what is wrong, nothing on stdout.
struct Usage {
  const char* name;
  std::vector<std::string> args;  // REPORT stands for a readable report
  std::string stderrText;
};

void PrintTo(const Usage& u, std::ostream* os) { *os << u.name; }

class BadUsage : public AnalyzeInput, public ::testing::WithParamInterface<Usage> {};

TEST_P(BadUsage, IsOneLineAndStatusTwo) {
  const Usage& u = GetParam();
  const std::string path = report(machine());
  std::vector<std::string> args;
  for (const std::string& a : u.args) args.push_back(a == "REPORT" ? path : a);
  const ToolRun run = this->run(args);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, u.stderrText);
  EXPECT_FALSE(fs::exists(root_ / "KB20.ini"));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BadUsage,
    ::testing::Values(
        Usage{"noCommand", {},
              "spanfinder: a command is needed: analyze, search, controllers, link-speed, bios, capture, report or "
              "machines; see spanfinder --help\n"},
        Usage{"noBiosCommand", {"bios"},
              "spanfinder: bios: a command is needed: read, compare, write, erase, info or file-info; see spanfinder "
              "bios --help\n"},
        Usage{"unknownCommand", {"foo", "--board", "KB20"},
              "spanfinder: unknown command 'foo' (the commands: analyze, search, controllers, link-speed, bios, "
              "capture, report or machines); see spanfinder --help\n"},
        Usage{"unknownBoard",
              {"analyze", "REPORT", "--board", "KB50", "--memory-address", "F2000000"},
              "spanfinder: --board: KB50 not in {KA10,KB20,KB40}\n"},
        Usage{"addressNotHex",
              {"analyze", "REPORT", "--board", "KB20", "--memory-address", "F200000G"},
              "spanfinder: --memory-address: not a 32-bit hexadecimal number: 'F200000G'\n"},
        Usage{"addressOver32Bits",
              {"analyze", "REPORT", "--board", "KB20", "--memory-address", "1F2000000"},
              "spanfinder: --memory-address: not a 32-bit hexadecimal number: '1F2000000'\n"},
        Usage{"emptyIoAddress",
              {"analyze", "REPORT", "--board", "KB20", "--memory-address", "F2000000", "--io-address", ""},
              "spanfinder: --io-address: not a 32-bit hexadecimal number: ''\n"},
        Usage{"unknownLanguage",
              {"analyze", "REPORT", "--board", "KB20", "--memory-address", "F2000000", "--language", "de"},
              "spanfinder: --language: de not in {en,ja}\n"},
        Usage{"noMemoryAddress", {"analyze", "REPORT", "--board", "KB20"}, "spanfinder: --memory-address is required\n"},
        Usage{"noBoard", {"analyze", "REPORT", "--memory-address", "F2000000"}, "spanfinder: --board is required\n"},
        Usage{"noReport", {"analyze", "--board", "KB20", "--memory-address", "F2000000"},
              "spanfinder: REPORT is required\n"},
        Usage{"unknownOption",
              {"analyze", "REPORT", "--board", "KB20", "--memory-address", "F2000000", "--frobnicate"},
              "spanfinder: The following argument was not expected: --frobnicate\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AnalyzeInput, VersionAndHelp) {
  const ToolRun version = run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "spanfinder 2.0.0\n");
  const ToolRun help = run({"analyze", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--all"), std::string::npos);
}

// Started in a directory that has since been removed: KA10 writes no file and
// needs none; KB20 and KB40 cannot create their INI file anywhere, which the
// engine reports as for any directory it cannot create the file in.
struct GoneDirectory {
  const char* name;
  std::vector<std::string> options;
  int status;
  const char* stderrText;
};

void PrintTo(const GoneDirectory& g, std::ostream* os) { *os << g.name; }

class CurrentDirectoryGone : public AnalyzeInput, public ::testing::WithParamInterface<GoneDirectory> {};

TEST_P(CurrentDirectoryGone, StillAnalyses) {
  const GoneDirectory& g = GetParam();
  const std::string path = report(machine());
  std::vector<std::string> args{"analyze", path, "--memory-address", "F2000000"};
  args.insert(args.end(), g.options.begin(), g.options.end());
  const std::string gone = shellQuoted((root_ / "gone").string());
  const ToolRun run =
      this->run(args, {"bash", "-c", "mkdir " + gone + " && cd " + gone + " && rmdir \"$PWD\" && exec \"$0\" \"$@\""});
  EXPECT_EQ(run.status, g.status);
  EXPECT_EQ(run.err, g.stderrText);
  EXPECT_NE(run.out.find("Memory window: 0xF0000000-0xF3FFFFFF\n"), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(
    Boards, CurrentDirectoryGone,
    ::testing::Values(
        GoneDirectory{"ka10", {"--board", "KA10"}, 0, ""},
        GoneDirectory{"kb40", {"--board", "KB40"}, 1,
                      "spanfinder: KB40.ini (no current directory): 703: Failed to open file.\n"
                      "spanfinder: KB40.ini (no current directory): 703: Failed to open file.\n"
                      "spanfinder: KB40.ini (no current directory): 510: Analyze failed.\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
