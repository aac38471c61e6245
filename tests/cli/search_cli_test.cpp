// spanfinder search, report and machines end to end: the built tool runs the
// program on the example machines it carries, loading the access library from
// beside itself, and a program of another maker's loads that library on its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/tool_run.h"

namespace {

namespace fs = std::filesystem;
using namespace test_support;

fs::path tool() { return binFolder() / "spanfinder"; }

class SearchCli : public ::testing::Test {
 protected:
  // search (or another command) run in the scratch folder's work folder, with the
  // machine's state beside it.
  ToolRun spanfinder(std::vector<std::string> args, std::map<std::string, std::string> environment = {}) {
    fs::create_directories(work());
    return runProgram(tool(), args, work(), std::move(environment));
  }
  ToolRun search(const std::string& machine, std::vector<std::string> more = {}) {
    std::vector<std::string> args{"search", "--machine", machine, "--state", state().string()};
    args.insert(args.end(), more.begin(), more.end());
    return spanfinder(args);
  }
  fs::path work() const { return scratch_ / "work"; }
  fs::path state() const { return scratch_ / "state"; }
  std::vector<std::string> filesInWork() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(work())) names.push_back(e.path().filename().string());
    return names;
  }

  ScratchFolder scratch_;
};

// The ten blocks of a 0xF0000000-0xF3FFFFFF window holding 0xF0000000-0xF00FFFFF and
// the board at 0xF2000000-0xF2003FFF, cut 0x600000 bytes at a time.
const char* const kDemoIni =
    "[USE]\r\nVer=1011\r\nSATA1=1\r\nSATA2=1\r\nPCCard=1\r\nSxS=1\r\nI/O=0\r\nUSB=1\r\nPayloadSize=0\r\nSataSSC=0\r\n"
    "StartAdrs=0xF1A00000\r\nEndAdrs=0xF1FFFFFF\r\n"
    ";StartAdrs=0xF1400000\r\n;EndAdrs=0xF19FFFFF\r\n"
    ";StartAdrs=0xF0E00000\r\n;EndAdrs=0xF13FFFFF\r\n"
    ";StartAdrs=0xF0800000\r\n;EndAdrs=0xF0DFFFFF\r\n"
    ";StartAdrs=0xF0200000\r\n;EndAdrs=0xF07FFFFF\r\n"
    ";StartAdrs=0xF3A00000\r\n;EndAdrs=0xF3FFFFFF\r\n"
    ";StartAdrs=0xF3400000\r\n;EndAdrs=0xF39FFFFF\r\n"
    ";StartAdrs=0xF2E00000\r\n;EndAdrs=0xF33FFFFF\r\n"
    ";StartAdrs=0xF2800000\r\n;EndAdrs=0xF2DFFFFF\r\n"
    ";StartAdrs=0xF2200000\r\n;EndAdrs=0xF27FFFFF\r\n";

TEST_F(SearchCli, DemoMachineSearchListsTheTenBlocksAndWritesKb20IniIntoTheWorkingFolder) {
  const ToolRun run = search("demo", {"--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto j = nlohmann::json::parse(run.out);
  EXPECT_EQ(j["board"], "KB20");
  EXPECT_EQ(j["boardMemoryAddress"], "0xF2000000");
  EXPECT_EQ(j["memoryWindow"]["start"], "0xF0000000");
  EXPECT_EQ(j["memoryWindow"]["end"], "0xF3FFFFFF");
  ASSERT_EQ(j["blocks"].size(), 10u);
  EXPECT_EQ(j["blocks"][0]["start"], "0xF1A00000");
  EXPECT_EQ(j["blocks"][9]["end"], "0xF27FFFFF");
  EXPECT_EQ(j["ini"], (work() / "KB20.ini").string());
  EXPECT_EQ(j["messages"][0]["id"], 503);
  EXPECT_EQ(j["messages"][1]["id"], 509);
  EXPECT_EQ(test_support::utf16File(work() / "KB20.ini"), kDemoIni);
  // Only the INI file lands in the working folder; the report stays on the machine's drive.
  EXPECT_EQ(filesInWork(), std::vector<std::string>{"KB20.ini"});
  EXPECT_TRUE(fs::exists(state() / "C" / "msinfo.txt"));
}

// The INI file the program writes for these blocks: the board's header, the first
// block active, every other one commented out.
std::string iniFor(const std::string& ini, const nlohmann::json& blocks) {
  std::string text = ini == "KB20.ini"
                         ? "[USE]\r\nVer=1011\r\nSATA1=1\r\nSATA2=1\r\nPCCard=1\r\nSxS=1\r\nI/O=0\r\nUSB=1\r\n"
                           "PayloadSize=0\r\nSataSSC=0\r\n"
                         : "[USE]\r\nVer=1011\r\nSATA=1\r\nPCCard=1\r\nSxS=1\r\nI/O=0\r\nSD=1\r\nUSB=1\r\n"
                           "PayloadSize=0\r\nSataSSC=0\r\n";
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const std::string comment = i == 0 ? "" : ";";
    text += comment + "StartAdrs=" + blocks[i]["start"].get<std::string>() + "\r\n" + comment +
            "EndAdrs=" + blocks[i]["end"].get<std::string>() + "\r\n";
  }
  return text;
}

struct ExampleOutcome {
  const char* machine;
  int status;
  std::vector<int> messages;  // in the order shown
  std::size_t blocks;
  const char* firstBlock;  // its start, when blocks fit
  const char* ini;  // the file the Search leaves in the working folder, or nullptr
};

void PrintTo(const ExampleOutcome& o, std::ostream* os) { *os << o.machine; }

class ExampleMachineSearch : public SearchCli, public ::testing::WithParamInterface<ExampleOutcome> {};

TEST_P(ExampleMachineSearch, EndsAsItsProfileDescribes) {
  const ExampleOutcome& expected = GetParam();
  const ToolRun run = search(expected.machine, {"--json"});
  EXPECT_EQ(run.status, expected.status) << run.err;
  const auto j = nlohmann::json::parse(run.out, nullptr, false);
  ASSERT_FALSE(j.is_discarded()) << run.out;
  std::vector<int> shown;
  for (const auto& m : j["messages"]) shown.push_back(m["id"]);
  EXPECT_EQ(shown, expected.messages);
  EXPECT_EQ(j["blocks"].size(), expected.blocks);
  if (expected.firstBlock && !j["blocks"].empty()) {
    EXPECT_EQ(j["blocks"][0]["start"], expected.firstBlock);
  }
  if (expected.ini) {
    EXPECT_EQ(filesInWork(), std::vector<std::string>{expected.ini});
    EXPECT_EQ(j["ini"], (work() / expected.ini).string());
    EXPECT_EQ(test_support::utf16File(work() / expected.ini), iniFor(expected.ini, j["blocks"]));
  } else {
    EXPECT_TRUE(filesInWork().empty());
    EXPECT_TRUE(j["ini"].is_null());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ExampleMachineSearch,
    ::testing::Values(ExampleOutcome{"demo", 0, {503, 509}, 10, "0xF1A00000", "KB20.ini"},
                      ExampleOutcome{"ka10", 0, {503, 509}, 78, "0xCFA00000", nullptr},
                      ExampleOutcome{"kb40", 0, {503, 509}, 28, "0xDFA00000", "KB40.ini"},
                      ExampleOutcome{"problem-device", 0, {503}, 111, "0xDFA00000", "KB20.ini"},
                      ExampleOutcome{"no-board", 1, {504}, 0, nullptr, nullptr},
                      ExampleOutcome{"no-memory-address", 1, {501}, 0, nullptr, nullptr},
                      ExampleOutcome{"full-io-window", 1, {705}, 0, nullptr, nullptr},
                      ExampleOutcome{"japanese", 0, {503, 509}, 111, "0xDFA00000", "KB20.ini"},
                      ExampleOutcome{"report-tool-fails", 1, {701}, 0, nullptr, nullptr}),
    [](const auto& info) {
      std::string name = info.param.machine;
      for (char& c : name)
        if (c == '-') c = '_';
      return name;
    });

// analyze on the report that report writes for a machine finds what search finds there.
class ReportThenAnalyze : public SearchCli, public ::testing::WithParamInterface<const char*> {};

TEST_P(ReportThenAnalyze, GivesTheSearchsBlocks) {
  const ToolRun searched = search(GetParam(), {"--json"});
  ASSERT_EQ(searched.status, 0) << searched.err;
  const auto s = nlohmann::json::parse(searched.out);
  const fs::path report = scratch_ / "report.txt";
  const ToolRun wrote = spanfinder({"report", "--machine", GetParam(), "--state", state().string(), "--output",
                                    report.string()});
  ASSERT_EQ(wrote.status, 0) << wrote.err;
  EXPECT_EQ(wrote.out, "report: " + report.string() + "\n");  // where it went
  fs::create_directories(scratch_ / "ini");
  const ToolRun analyzed =
      spanfinder({"analyze", report.string(), "--board", s["board"], "--memory-address", s["boardMemoryAddress"],
                  "--io-address", s["boardIoAddress"], "--ini-dir", (scratch_ / "ini").string(), "--json"});
  ASSERT_EQ(analyzed.status, 0) << analyzed.err;
  const auto a = nlohmann::json::parse(analyzed.out);
  EXPECT_EQ(a["blocks"], s["blocks"]);
  EXPECT_EQ(a["memoryWindow"], s["memoryWindow"]);
  EXPECT_EQ(a["ioWindow"], s["ioWindow"]);
}

INSTANTIATE_TEST_SUITE_P(Examples, ReportThenAnalyze, ::testing::Values("demo", "kb40", "ka10", "japanese"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
