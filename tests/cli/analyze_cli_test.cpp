// spanfinder analyze end to end: the built tool on reports in the real layout,
// checked against its output contract (text, JSON, exit status, INI file).
#include <nlohmann/json.hpp>

#include "cli_fixture.h"

namespace {

using namespace cli_test;

class AnalyzeCli : public ToolTest {};

TEST_F(AnalyzeCli, TextContract) {
  const ToolRun run = this->run(analyze(report(machine()), {"--board", "kb20", "--memory-address", "F2000000",
                                                        "--io-address", "0xE001"}));
  EXPECT_EQ(run.status, 0) << run.err;
  const std::string ini = (root_ / "ini" / "KB20.ini").string();
  EXPECT_EQ(run.out, std::string("I/O window: 0x00000D00-0x0000FFFF, 0x3000 free bytes: found\n"
                                 "Memory window: 0xF0000000-0xF3FFFFFF\n") +
                         kExampleBlocks + "Free blocks: 10 of 0x600000 bytes\nINI: " + ini +
                         " (active block 0xF1A00000-0xF1FFFFFF)\n503: Analysis was completed.\n"
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
  const auto inOrder = nlohmann::ordered_json::parse(run.out);
  std::vector<std::string> keys;
  for (const auto& item : inOrder.items()) keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"board", "ioWindow", "memoryWindow", "blocks", "ini", "messages"}));
  EXPECT_EQ(j["board"], "KB20");
  EXPECT_EQ(j["ioWindow"], nlohmann::json::parse(R"({"start":"0x00000D00","end":"0x0000FFFF","room":true})"));
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
  std::string stdoutText;
  std::string stderrText;    // REPORT and INI stand for the report's and the INI folder's paths
  const char* ioWindow;      // JSON of ioWindow, or nullptr when absent
  const char* memoryWindow;  // JSON of memoryWindow
};

void PrintTo(const Failure& f, std::ostream* os) { *os << f.name; }

class AnalyzeFailures : public AnalyzeCli, public ::testing::WithParamInterface<Failure> {};

// A narrow I/O window (one free page) besides the example machine.
sim::SystemReportDescription narrowIo() {
  auto description = machine();
  description.io.push_back(r(0x10000, 0x11FFF));
  description.io.push_back(r(0x10000, 0x107FF));
  return description;
}

TEST_P(AnalyzeFailures, EndWithTheirMessageAndStatusOne) {
  const Failure& f = GetParam();
  const std::string path = report(narrowIo());
  const ToolRun text = run(analyze(path, f.options));
  EXPECT_EQ(text.status, 1);
  EXPECT_EQ(text.out, f.stdoutText);
  EXPECT_EQ(text.err, replaced(replaced(f.stderrText, "REPORT", path), "INI", (root_ / "ini").string()));

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
        Failure{"noIoRoom",
                {"--board", "KB20", "--memory-address", "F2000000", "--io-address", "10010"},
                "I/O window: 0x00010000-0x00011FFF, 0x3000 free bytes: not found\nMemory window: not analysed\n",
                "spanfinder: 705: I/O resources is not free of 0x3000 bytes.\n",
                R"({"start":"0x00010000","end":"0x00011FFF","room":false})", "null"},
        Failure{"noMemoryAddress",
                {"--board", "KA10", "--memory-address", "0", "--io-address", "E001"},
                "I/O window: not analysed\nMemory window: not analysed\n",
                "spanfinder: 501: Because there are no signs of resource allocation analysis is impossible.\n", "null",
                "null"},
        Failure{"noRangeHoldsTheAddress",
                {"--board", "KB20", "--memory-address", "10000000", "--io-address", "20000"},
                "I/O window: none (no I/O range holds the address)\nMemory window: none\n",
                "spanfinder: REPORT: no memory window: no range of the \"[Memory]\" section holds 0x10000000 "
                "(it lists 6 ranges)\n",
                R"({"start":"0x00000000","end":"0x00000000","room":null})",
                R"({"start":"0x00000000","end":"0x00000000"})"}),
    [](const auto& info) { return std::string(info.param.name); });

// A failed write leaves a partial INI file; the tool says so and names it. A
// 1024-byte file-size limit lets the header and nine blocks in and cuts the
// tenth; stdout goes through a pipe, which the limit does not reach.
TEST_F(AnalyzeCli, AFailedIniWriteNamesTheIncompleteFile) {
  const std::string path = report(machine());
  const std::string ini = (root_ / "ini" / "KB20.ini").string();
  const std::vector<std::string> limited{
      "bash", "-c", "trap '' XFSZ; (ulimit -f 1; exec \"$0\" \"$@\") | cat; exit ${PIPESTATUS[0]}"};
  const ToolRun text = run(analyze(path, {"--board", "KB20", "--memory-address", "F2000000"}), limited);
  EXPECT_EQ(text.status, 1);
  EXPECT_EQ(text.out, std::string("Memory window: 0xF0000000-0xF3FFFFFF\n") + kExampleBlocks +
                          "Free blocks: 10 of 0x600000 bytes\nINI: " + ini + " (incomplete: the write failed)\n");
  EXPECT_EQ(text.err, "spanfinder: " + ini + ": 706: Failed to write file.\n");
  EXPECT_EQ(fs::file_size(ini), 1024u);

  const ToolRun json = run(analyze(path, {"--board", "KB20", "--memory-address", "F2000000", "--json"}), limited);
  EXPECT_EQ(json.status, 1);
  const auto j = nlohmann::json::parse(json.out);
  EXPECT_TRUE(j["ini"].is_null());
  EXPECT_EQ(j["messages"], nlohmann::json::parse(R"([{"id":706,"text":"Failed to write file."}])"));
}

TEST_F(AnalyzeCli, SizesThatFitNothingStillComplete) {
  const std::string path = report(machine());
  for (const char* size : {"", "0", "zz", "-1"}) {
    const ToolRun run = this->run(analyze(path, {"--board", "KB20", "--memory-address", "F2000000", "--size", size}));
    EXPECT_EQ(run.status, 0) << size;
    EXPECT_EQ(run.out.find("0xF1"), std::string::npos) << size;  // no block
    EXPECT_NE(run.out.find(" (header only: no block fits)\n503: "), std::string::npos) << size;
    EXPECT_EQ(iniText("KB20.ini"),
              "[USE]\r\nVer=1011\r\nSATA1=1\r\nSATA2=1\r\nPCCard=1\r\nSxS=1\r\nI/O=0\r\nUSB=1\r\n"
              "PayloadSize=0\r\nSataSSC=0\r\n");
  }
  // A size with text after its digits is read up to them, as the Space Size box is.
  const ToolRun run = this->run(analyze(path, {"--board", "KA10", "--memory-address", "F2000000", "--size", "0x1000000 MB"}));
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("\n0xF1000000-0xF1FFFFFF\n0xF3000000-0xF3FFFFFF\nFree blocks: 2 of 0x1000000 bytes\n503: "),
            std::string::npos);
}

TEST_F(AnalyzeCli, AddressesWithLeadingZerosAreThirtyTwoBitValues) {
  const std::string path = report(machine());
  for (const char* address : {"00F2000000", "0x000000000F2000000"}) {
    const ToolRun run = this->run(analyze(path, {"--board", "KA10", "--memory-address", address, "--io-address",
                                                 "0x00000000E001"}));
    EXPECT_EQ(run.status, 0) << address << ": " << run.err;
    EXPECT_EQ(run.out.substr(0, 97),
              "I/O window: 0x00000D00-0x0000FFFF, 0x3000 free bytes: found\nMemory window: 0xF0000000-0xF3FFFFFF\n")
        << address;
  }
}

// Text stops after a hundred block lines unless every one is asked for; the count
// of the rest and the total still come.
struct BlockCap {
  const char* name;
  std::uint32_t windowEnd;  // with 0x100000-byte blocks from 0xF0100000 up to it
  bool all;
  std::size_t lines;        // block lines printed
  std::string tail;         // what follows the last of them
};

void PrintTo(const BlockCap& c, std::ostream* os) { *os << c.name; }

class TextBlockCap : public AnalyzeCli, public ::testing::WithParamInterface<BlockCap> {};

const std::string kCompleted =
    "503: Analysis was completed.\n509: Nordvale products are working. There is no need to change the resource range.\n";

TEST_P(TextBlockCap, ShowsAHundredLinesUnlessAll) {
  const BlockCap& c = GetParam();
  sim::SystemReportDescription description;
  description.memory = {r(0xF0000000, c.windowEnd), r(0xF0000000, 0xF00FFFFF)};
  std::vector<std::string> options{"--board", "KA10", "--memory-address", "F0100000", "--size", "100000"};
  if (c.all) options.push_back("--all");
  const ToolRun run = this->run(analyze(report(description), options));
  EXPECT_EQ(run.status, 0) << run.err;
  std::size_t lines = 0;
  std::size_t at = run.out.find('\n') + 1;  // after the memory window
  for (; run.out.compare(at, 2, "0x") == 0; at = run.out.find('\n', at) + 1) ++lines;
  EXPECT_EQ(lines, c.lines);
  EXPECT_EQ(run.out.substr(at), c.tail);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, TextBlockCap,
    ::testing::Values(
        BlockCap{"exactlyAHundred", 0xF64FFFFF, false, 100,
                 "Free blocks: 100 of 0x100000 bytes\n" + kCompleted},
        BlockCap{"oneMore", 0xF65FFFFF, false, 100,
                 "... 1 more block (use --all)\nFree blocks: 101 of 0x100000 bytes\n" + kCompleted},
        BlockCap{"manyMore", 0xFFFFFFFF, false, 100,
                 "... 155 more blocks (use --all)\nFree blocks: 255 of 0x100000 bytes\n" + kCompleted},
        BlockCap{"allAskedFor", 0xFFFFFFFF, true, 255,
                 "Free blocks: 255 of 0x100000 bytes\n" + kCompleted}),
    [](const auto& info) { return std::string(info.param.name); });

// A one-byte size would cut a 1 MB hole into a million blocks: one Search lists the
// first 4,096 of them (the highest first), says so with 707, and ends as usual.
TEST_F(AnalyzeCli, ATinySizeListsTheFirst4096BlocksAndSays707) {
  sim::SystemReportDescription description;
  description.memory = {r(0xF0000000, 0xF3FFFFFF), r(0xF0000000, 0xF00FFFFF), r(0xF0200000, 0xF3FFFFFF)};
  const std::string path = report(description);
  const std::string done = "Free blocks: 4096 of 0x1 bytes\n";
  const std::pair<const char*, std::string> outputs[] = {
      {"", "\n0xF01FFF9C-0xF01FFF9C\n... 3996 more blocks (use --all)\n" + done},
      {"--all", "\n0xF01FF000-0xF01FF000\n" + done},
      {"--json", "\"start\": \"0xF01FF000\",\n      \"end\": \"0xF01FF000\"\n    }\n  ],\n"}};
  for (const auto& [option, last] : outputs) {
    std::vector<std::string> args =
        analyze(path, {"--board", "KA10", "--memory-address", "F0100000", "--size", "1", "--language", "en"});
    if (*option) args.push_back(option);
    const ToolRun run = this->run(args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(last), std::string::npos) << option << ": " << run.out.substr(run.out.size() - 300);
    if (std::string(option) == "--json") {
      const auto j = nlohmann::json::parse(run.out);
      EXPECT_EQ(j["blocks"].size(), 4096u);
      EXPECT_EQ(j["messages"][0]["id"], 707);
      EXPECT_EQ(j["messages"][1]["id"], 503);
    } else {
      EXPECT_EQ(run.err, "spanfinder: 707: More blocks fit than were listed. Enter a larger Space Size to see them all.\n");
    }
  }
}

}  // namespace
