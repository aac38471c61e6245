// spanfinder analyze end to end: the built tool on reports in the real layout,
// checked against its output contract (text, JSON, exit status, INI file).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "os/posix/host.h"
#include "os/text.h"
#include "sim/system_report.h"

namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status = -1;
  std::string out, err;
};

fs::path toolPath() { return fs::read_symlink("/proc/self/exe").parent_path() / "spanfinder"; }

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string quoted(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class AnalyzeCli : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("spanfinder-cli-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "ini");
    ASSERT_TRUE(fs::exists(toolPath())) << toolPath();
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string report(const sim::SystemReportDescription& description) {
    const fs::path p = root_ / "msinfo.txt";
    EXPECT_TRUE(sim::writeSystemReport(os::hostFiles(), os::fromUtf8(p.string()), description));
    return p.string();
  }

  ToolRun run(const std::vector<std::string>& args, const std::string& environment = "env LC_ALL=C") {
    std::string command = environment + " " + quoted(toolPath().string());
    for (const auto& a : args) command += " " + quoted(a);
    command += " >" + quoted((root_ / "out").string()) + " 2>" + quoted((root_ / "err").string());
    ToolRun r;
    const int raw = std::system(command.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = slurp(root_ / "out");
    r.err = slurp(root_ / "err");
    return r;
  }

  std::vector<std::string> analyze(const std::string& reportPath, std::vector<std::string> more) {
    std::vector<std::string> args{"analyze", reportPath};
    if (std::find(more.begin(), more.end(), "--ini-dir") == more.end())
      args.insert(args.end(), {"--ini-dir", (root_ / "ini").string()});
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }

  std::string iniText(const std::string& name) {
    std::u16string text;
    const std::string bytes = slurp(root_ / "ini" / name);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
      text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return os::toUtf8(text);
  }

  fs::path root_;
};

sim::ReportRange r(std::uint32_t start, std::uint32_t end) { return {start, end, "PCI device", "OK"}; }

// I/O window 0x0D00-0xFFFF with room; memory window 0xF0000000-0xF3FFFFFF as in
// the free-space search's worked example, listed out of order and with duplicates.
sim::SystemReportDescription machine() {
  sim::SystemReportDescription d;
  d.io = {r(0x0000, 0x0CF7), r(0x0D00, 0xFFFF), r(0xE000, 0xEFFF), r(0xE000, 0xE0FF), r(0xE000, 0xEFFF)};
  d.memory = {r(0xF2000000, 0xF2003FFF), r(0xF0000000, 0xF3FFFFFF), r(0xF0000000, 0xF00FFFFF),
              r(0xF2000000, 0xF2FFFFFF), r(0xF0000000, 0xF00FFFFF), r(0xFED00000, 0xFED003FF)};
  return d;
}

const char* const kExampleBlocks =
    "0xF1A00000-0xF1FFFFFF\n0xF1400000-0xF19FFFFF\n0xF0E00000-0xF13FFFFF\n0xF0800000-0xF0DFFFFF\n"
    "0xF0200000-0xF07FFFFF\n0xF3A00000-0xF3FFFFFF\n0xF3400000-0xF39FFFFF\n0xF2E00000-0xF33FFFFF\n"
    "0xF2800000-0xF2DFFFFF\n0xF2200000-0xF27FFFFF\n";

TEST_F(AnalyzeCli, TextContract) {
  const ToolRun run = this->run(analyze(report(machine()), {"--board", "KB20", "--memory-address", "F2000000",
                                                        "--io-address", "0xE001"}));
  EXPECT_EQ(run.status, 0) << run.err;
  const std::string ini = (root_ / "ini" / "KB20.ini").string();
  EXPECT_EQ(run.out, std::string("Start: F0000000\nEnd: F3FFFFFF\n") + kExampleBlocks + "INI: " + ini +
                         "\n503: Analysis was completed.\n"
                         "509: Nordvale products are working. There is no need to change the resource range.\n");
  EXPECT_EQ(run.err, "");
  const std::string text = iniText("KB20.ini");
  EXPECT_EQ(text.substr(0, 7), "[USE]\r\n");
  EXPECT_NE(text.find("\r\nStartAdrs=0xF1A00000\r\nEndAdrs=0xF1FFFFFF\r\n;StartAdrs=0xF1400000\r\n"), std::string::npos);
}

TEST_F(AnalyzeCli, JsonContract) {
  auto description = machine();
  description.problemDevices = {{"Nordvale KB20", "PCI\\VEN_1195&DEV_0102&SUBSYS_01021195&REV_01\\4&1", "Code 12"}};
  const ToolRun run = this->run(analyze(report(description), {"--board", "KB20", "--memory-address", "0xF2000000",
                                                          "--io-address", "E001", "--json"}));
  EXPECT_EQ(run.status, 0) << run.err;
  const auto j = nlohmann::json::parse(run.out);
  EXPECT_EQ(j["board"], "KB20");
  EXPECT_EQ(j["ioWindow"], nlohmann::json({{"start", "0x00000D00"}, {"end", "0x0000FFFF"}}));
  EXPECT_EQ(j["memoryWindow"], nlohmann::json({{"start", "0xF0000000"}, {"end", "0xF3FFFFFF"}}));
  ASSERT_EQ(j["blocks"].size(), 10u);
  EXPECT_EQ(j["blocks"][0], nlohmann::json({{"start", "0xF1A00000"}, {"end", "0xF1FFFFFF"}}));
  EXPECT_EQ(j["blocks"][9], nlohmann::json({{"start", "0xF2200000"}, {"end", "0xF27FFFFF"}}));
  EXPECT_EQ(j["ini"], (root_ / "ini" / "KB20.ini").string());
  // A problem device of the board: only the completion message.
  EXPECT_EQ(j["messages"], nlohmann::json::parse(R"([{"id":503,"text":"Analysis was completed."}])"));
}

struct Failure {
  const char* name;
  std::vector<std::string> options;
  bool reportPresent;
  std::string stderrText;
  const char* ioWindow;      // JSON of ioWindow, or nullptr when absent
  const char* memoryWindow;  // JSON of memoryWindow
};

void PrintTo(const Failure& f, std::ostream* os) { *os << f.name; }

class AnalyzeFailures : public AnalyzeCli, public ::testing::WithParamInterface<Failure> {};

TEST_P(AnalyzeFailures, EndWithTheirMessageAndStatusOne) {
  const Failure& f = GetParam();
  std::string path = (root_ / "missing.txt").string();
  if (f.reportPresent) {
    auto description = machine();
    description.io.push_back(r(0x10000, 0x11FFF));  // a narrow I/O window, one free page
    description.io.push_back(r(0x10000, 0x107FF));
    path = report(description);
  }
  const ToolRun text = run(analyze(path, f.options));
  EXPECT_EQ(text.status, 1);
  EXPECT_EQ(text.err, f.stderrText);
  EXPECT_EQ(text.out.find("INI:"), std::string::npos);

  auto jsonOptions = f.options;
  jsonOptions.push_back("--json");
  const ToolRun json = run(analyze(path, jsonOptions));
  EXPECT_EQ(json.status, 1);
  const auto j = nlohmann::json::parse(json.out);
  if (f.ioWindow) EXPECT_EQ(j["ioWindow"], nlohmann::json::parse(f.ioWindow));
  else EXPECT_FALSE(j.contains("ioWindow"));
  EXPECT_EQ(j["memoryWindow"], nlohmann::json::parse(f.memoryWindow));
  EXPECT_TRUE(j["ini"].is_null());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnalyzeFailures,
    ::testing::Values(
        Failure{"missingReport", {"--board", "KB20", "--memory-address", "F2000000", "--io-address", "E001"}, false,
                "502: Failed to get resource range.\n", "null", "null"},
        Failure{"missingReportNoIo", {"--board", "KB20", "--memory-address", "F2000000"}, false,
                "502: Failed to get resource range.\n", nullptr, "null"},
        Failure{"noIoRoom", {"--board", "KB20", "--memory-address", "F2000000", "--io-address", "10010"}, true,
                "705: I/O resources is not free of 0x3000 bytes.\n", R"({"start":"0x00010000","end":"0x00011FFF"})",
                "null"},
        Failure{"noMemoryAddress", {"--board", "KA10", "--memory-address", "0", "--io-address", "E001"}, true,
                "501: Because there are no signs of resource allocation analysis is impossible.\n", "null", "null"},
        Failure{"iniDirMissing", {"--board", "KB40", "--memory-address", "F2000000", "--ini-dir", "/nonexistent/dir"},
                true, "703: Failed to open file.\n703: Failed to open file.\n510: Analyze failed.\n", nullptr,
                R"({"start":"0xF0000000","end":"0xF3FFFFFF"})"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AnalyzeCli, SizesThatFitNothingStillComplete) {
  const std::string path = report(machine());
  for (const char* size : {"", "0", "zz", "-1"}) {
    const ToolRun run = this->run(analyze(path, {"--board", "KB20", "--memory-address", "F2000000", "--size", size}));
    EXPECT_EQ(run.status, 0) << size;
    EXPECT_EQ(run.out.find("0xF"), std::string::npos) << size;  // no block
    EXPECT_NE(run.out.find("509: "), std::string::npos) << size;
    EXPECT_EQ(iniText("KB20.ini"),
              "[USE]\r\nVer=1011\r\nSATA1=1\r\nSATA2=1\r\nPCCard=1\r\nSxS=1\r\nI/O=0\r\nUSB=1\r\n"
              "PayloadSize=0\r\nSataSSC=0\r\n");
  }
  // A size with text after its digits is read up to them, as the Space Size box is.
  const ToolRun run = this->run(analyze(path, {"--board", "KA10", "--memory-address", "F2000000", "--size", "0x1000000 MB"}));
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("0xF1000000-0xF1FFFFFF\n"), std::string::npos);
}

TEST_F(AnalyzeCli, AddressesWithLeadingZerosAreThirtyTwoBitValues) {
  const std::string path = report(machine());
  for (const char* address : {"00F2000000", "0x000000000F2000000"}) {
    const ToolRun run = this->run(analyze(path, {"--board", "KA10", "--memory-address", address, "--io-address",
                                                 "0x00000000E001"}));
    EXPECT_EQ(run.status, 0) << address << ": " << run.err;
    EXPECT_EQ(run.out.substr(0, 30), "Start: F0000000\nEnd: F3FFFFFF\n") << address;
  }
}

// A one-byte size cuts a 1 MB hole into a million blocks: they are printed as
// they come, in memory that does not grow with their number.
TEST_F(AnalyzeCli, AMillionBlocksStreamInBoundedMemory) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "a sanitized tool reserves more address space than the limit allows";
#endif
  sim::SystemReportDescription description;
  description.memory = {r(0xF0000000, 0xF3FFFFFF), r(0xF0000000, 0xF00FFFFF), r(0xF0200000, 0xF3FFFFFF)};
  const std::string path = report(description);
  for (const bool json : {false, true}) {
    std::string command = "bash -c 'ulimit -v 32768; \"$0\" \"$@\" | tail -n 30; exit ${PIPESTATUS[0]}' " +
                          quoted(toolPath().string());
    for (const std::string& a : analyze(path, {"--board", "KA10", "--memory-address", "F0100000", "--size", "1"}))
      command += " " + quoted(a);
    if (json) command += " --json";
    command += " >" + quoted((root_ / "out").string()) + " 2>" + quoted((root_ / "err").string());
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 0) << slurp(root_ / "err");
    EXPECT_EQ(slurp(root_ / "err"), "");
    const std::string tail = slurp(root_ / "out");
    const std::string last = json ? "\"start\": \"0xF0100001\",\n      \"end\": \"0xF0100001\"\n    }\n  ],\n"
                                  : "\n0xF0100001-0xF0100001\n503: Analysis was completed.\n";
    EXPECT_NE(tail.find(last), std::string::npos) << tail;
    if (json) {
      EXPECT_EQ(nlohmann::json::parse(tail.substr(tail.find("  \"ini\"")).insert(0, "{"))["ini"], nullptr);
    }
  }
}

TEST_F(AnalyzeCli, NoMemoryWindowEndsQuietly) {
  const ToolRun run = this->run(analyze(report(machine()), {"--board", "KB20", "--memory-address", "10000000"}));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "Start: 0\nEnd: 0\n");
  EXPECT_EQ(run.err, "");
  EXPECT_FALSE(fs::exists(root_ / "ini" / "KB20.ini"));
}

TEST_F(AnalyzeCli, LanguageFollowsTheEnvironmentUnlessGiven) {
  auto description = machine();
  description.language = sim::ReportLanguage::Japanese;
  const std::string path = report(description);
  const std::vector<std::string> args = analyze(path, {"--board", "KB20", "--memory-address", "F2000000"});
  const ToolRun japanese = run(args, "env -u LC_ALL -u LC_MESSAGES LANG=ja_JP.UTF-8");
  EXPECT_EQ(japanese.status, 0);
  EXPECT_NE(japanese.out.find("503: 解析が完了しました。\n"), std::string::npos) << japanese.out;
  EXPECT_NE(japanese.out.find("0xF1A00000-0xF1FFFFFF"), std::string::npos);

  // In English the report's "[メモリ]" section is not found: no window.
  auto english = args;
  english.insert(english.end(), {"--language", "en"});
  const ToolRun run = this->run(english, "env -u LC_ALL -u LC_MESSAGES LANG=ja_JP.UTF-8");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "Start: 0\nEnd: 0\n");
}

TEST_F(AnalyzeCli, BadUsageWritesNothing) {
  const std::string path = report(machine());
  const std::vector<std::vector<std::string>> bad{
      {"--board", "KB50", "--memory-address", "F2000000"},
      {"--board", "KB20", "--memory-address", "F200000G"},
      {"--board", "KB20", "--memory-address", "1F2000000"},
      {"--board", "KB20", "--memory-address", "F2000000", "--io-address", ""},
      {"--board", "KB20", "--memory-address", "F2000000", "--language", "de"},
      {"--board", "KB20"},
      {"--memory-address", "F2000000"},
      {"--board", "KB20", "--memory-address", "F2000000", "--frobnicate"}};
  for (const auto& options : bad) {
    const ToolRun run = this->run(analyze(path, options));
    EXPECT_EQ(run.status, 2) << options.back();
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_FALSE(fs::exists(root_ / "ini" / "KB20.ini"));
  }
  EXPECT_EQ(run({}).status, 2);
  EXPECT_EQ(run({"--help"}).status, 0);
}

}  // namespace
