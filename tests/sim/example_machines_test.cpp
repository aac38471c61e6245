// The example machines embedded in the tool: each parses, and each machine's board
// registers and report lead the analysis to what its description promises.
#include <gtest/gtest.h>

#include <algorithm>
#include <variant>

#include "sim/example_machines.h"
#include "sim/profile.h"
#include "tests/analysis/engine_fixture.h"

namespace {

sim::MachineProfile example(std::string_view name) {
  const sim::ExampleMachine* machine = sim::findExampleMachine(name);
  if (!machine) ADD_FAILURE() << "no example " << name;
  const auto result = sim::parseProfile(machine ? machine->json : "");
  if (const auto* error = std::get_if<sim::ProfileError>(&result))
    ADD_FAILURE() << name << ": " << error->keyPath << ": " << error->message;
  return std::holds_alternative<sim::MachineProfile>(result) ? std::get<sim::MachineProfile>(result)
                                                             : sim::MachineProfile{};
}

// The function whose identity register (0x00) holds identity, or nullptr.
const sim::PciFunctionProfile* functionWithIdentity(const sim::MachineProfile& p, std::uint32_t identity) {
  const auto it = std::find_if(p.pci.begin(), p.pci.end(), [&](const sim::PciFunctionProfile& f) {
    return f.config.count(0x00) && f.config.at(0x00) == identity;
  });
  return it == p.pci.end() ? nullptr : &*it;
}
// The function would point into a profile that is gone at the end of the statement.
const sim::PciFunctionProfile* functionWithIdentity(sim::MachineProfile&&, std::uint32_t) = delete;

std::uint32_t reg(const sim::PciFunctionProfile& f, std::uint8_t offset) {
  return f.config.count(offset) ? f.config.at(offset) : 0;
}

TEST(ExampleMachines, AreEmbeddedSortedByNameAndEachParsesWithItsOneLineDescription) {
  std::vector<std::string> names;
  for (const sim::ExampleMachine& e : sim::exampleMachines()) {
    names.emplace_back(e.name);
    const auto result = sim::parseProfile(e.json);
    ASSERT_TRUE(std::holds_alternative<sim::MachineProfile>(result))
        << e.name << ": " << std::get<sim::ProfileError>(result).keyPath << ": "
        << std::get<sim::ProfileError>(result).message;
    EXPECT_FALSE(std::get<sim::MachineProfile>(result).description.empty()) << e.name;
  }
  EXPECT_EQ(names, (std::vector<std::string>{"demo", "full-io-window", "japanese", "ka10", "kb40", "no-board",
                                             "no-memory-address", "problem-device", "report-tool-fails"}));
  ASSERT_NE(sim::findExampleMachine("kb40"), nullptr);
  EXPECT_EQ(sim::findExampleMachine("kb40")->name, "kb40");
  EXPECT_EQ(sim::findExampleMachine("kb4"), nullptr);
  EXPECT_EQ(sim::findExampleMachine(""), nullptr);
}

TEST(ExampleMachines, DemoHoldsTheBoardAndRangesOfTheWorkedExample) {
  const sim::MachineProfile demo = example("demo");
  const sim::PciFunctionProfile* board = functionWithIdentity(demo, 0x01021195);
  ASSERT_NE(board, nullptr);
  EXPECT_EQ(reg(*board, 0x94), 0x01021195u);
  EXPECT_EQ(reg(*board, 0x10), 0xF2000000u);
  EXPECT_EQ(reg(*board, 0x1C), 0x0000C001u);

  // Every memory range that holds the board's address, and every other range inside
  // the window: nothing but the worked example's.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> holding, inside;
  for (const sim::ReportRange& r : demo.resources.memory) {
    if (r.start <= 0xF2000000 && r.end >= 0xF2000000) holding.emplace_back(r.start, r.end);
    if (r.start >= 0xF0000000 && r.end <= 0xF3FFFFFF) inside.emplace_back(r.start, r.end);
  }
  using Ranges = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
  EXPECT_EQ(holding, (Ranges{{0xF0000000, 0xF3FFFFFF}, {0xF2000000, 0xF2FFFFFF}, {0xF2000000, 0xF2003FFF}}));
  EXPECT_EQ(inside, (Ranges{{0xF0000000, 0xF3FFFFFF}, {0xF0000000, 0xF00FFFFF}, {0xF2000000, 0xF2FFFFFF},
                            {0xF2000000, 0xF2003FFF}}));
  for (const sim::ReportProblemDevice& d : demo.resources.problemDevices)
    EXPECT_EQ(d.deviceId.find("VEN_1195&DEV_0102"), std::string::npos) << d.deviceId;
}

TEST(ExampleMachines, NoBoardHasNoneOfTheBoardsAndTheOthersCarryTheirFault) {
  const sim::MachineProfile noBoard = example("no-board");
  for (std::uint32_t identity : {0x02E01217u, 0x01021195u, 0x01041195u})
    EXPECT_EQ(functionWithIdentity(noBoard, identity), nullptr) << std::hex << identity;

  const sim::MachineProfile noMemoryAddress = example("no-memory-address");
  const sim::PciFunctionProfile* unassigned = functionWithIdentity(noMemoryAddress, 0x01021195);
  ASSERT_NE(unassigned, nullptr);
  EXPECT_EQ(reg(*unassigned, 0x94), 0x01021195u);
  EXPECT_EQ(reg(*unassigned, 0x10), 0u);

  EXPECT_EQ(example("report-tool-fails").faults.systemInfoToolExitStatus, 1);
}

// What the Search's analysis steps make of an example's report, with the addresses
// its board's registers hold.
struct ReportOutcome {
  const char* name;
  analysis::Board board;
  std::uint32_t identity, baseRegister, baseValue;
  std::uint32_t memoryAddress;  // the board memory address the base register stands for
  resources::Language language;
  int ioRoom;                   // CheckIoFreeSpace: 0 or 105
  std::uint32_t windowStart, windowEnd;
  std::size_t blocks;
  const char* firstBlock;
  int search;                   // SearchFreeMemory: 0, or 104 when a board device has a problem
};

void PrintTo(const ReportOutcome& c, std::ostream* os) { *os << c.name; }

class ExampleReports : public analysis_test::EngineTest, public ::testing::WithParamInterface<ReportOutcome> {};

TEST_P(ExampleReports, LeadTheAnalysisToWhatTheDescriptionSays) {
  const ReportOutcome& c = GetParam();
  const sim::MachineProfile p = example(c.name);
  const sim::PciFunctionProfile* board = functionWithIdentity(p, c.identity);
  ASSERT_NE(board, nullptr);
  EXPECT_EQ(reg(*board, c.baseRegister), c.baseValue);
  host.board = c.board;
  host.lang = c.language;
  const std::u16string report = writeReport(p.resources);

  std::uint32_t start = 0, end = 0;
  ASSERT_EQ(engine.FindIoWindow(report, reg(*board, 0x1C), start, end), 0);
  ASSERT_NE(end, 0u) << "no I/O window";
  ASSERT_EQ(engine.CheckIoFreeSpace(report, start, end, 0x3000), c.ioRoom);
  if (c.ioRoom != 0) return;
  ASSERT_EQ(engine.FindMemoryWindow(report, c.memoryAddress, start, end), 0);
  EXPECT_EQ(start, c.windowStart);
  EXPECT_EQ(end, c.windowEnd);
  EXPECT_EQ(engine.SearchFreeMemory(report, start, end, 0x5FFFFF), c.search);
  const std::string blocks = resultText();
  EXPECT_EQ(static_cast<std::size_t>(std::count(blocks.begin(), blocks.end(), '\n')), c.blocks);
  EXPECT_EQ(blocks.substr(0, blocks.find("\r\n")), c.firstBlock);
}

using analysis::Board;
using resources::Language;

INSTANTIATE_TEST_SUITE_P(
    Examples, ExampleReports,
    ::testing::Values(
        ReportOutcome{"demo", Board::KB20, 0x01021195, 0x10, 0xF2000000, 0xF2000000, Language::English, 0,
                      0xF0000000, 0xF3FFFFFF, 10, "0xF1A00000-0xF1FFFFFF", 0},
        ReportOutcome{"kb40", Board::KB40, 0x01041195, 0x10, 0xF7E00000, 0xF7E00000, Language::English, 0,
                      0xDFA00000, 0xFEAFFFFF, 28, "0xDFA00000-0xDFFFFFFF", 0},
        ReportOutcome{"ka10", Board::KA10, 0x02E01217, 0x20, 0xFDF0FDE0, 0xFDE00000, Language::English, 0,
                      0xC0000000, 0xFEBFFFFF, 78, "0xCFA00000-0xCFFFFFFF", 0},
        ReportOutcome{"japanese", Board::KB20, 0x01021195, 0x10, 0xF7E00000, 0xF7E00000, Language::Japanese, 0,
                      0xC0000000, 0xFEBFFFFF, 111, "0xDFA00000-0xDFFFFFFF", 0},
        ReportOutcome{"problem-device", Board::KB20, 0x01021195, 0x10, 0xF7E00000, 0xF7E00000, Language::English,
                      0, 0xC0000000, 0xFEBFFFFF, 111, "0xDFA00000-0xDFFFFFFF", 104},
        ReportOutcome{"full-io-window", Board::KB20, 0x01021195, 0x10, 0xF7E00000, 0xF7E00000, Language::English,
                      105, 0, 0, 0, "", 0}),
    [](const ::testing::TestParamInfo<ReportOutcome>& info) {
      std::string name = info.param.name;
      std::replace(name.begin(), name.end(), '-', '_');
      return name;
    });

class DemoMachine : public analysis_test::EngineTest {};

TEST_F(DemoMachine, SearchListsTheTenBlocksOfTheWorkedExample) {
  const std::u16string report = writeReport(example("demo").resources);
  std::uint32_t start = 0, end = 0;
  ASSERT_EQ(engine.FindIoWindow(report, 0xC001, start, end), 0);
  EXPECT_EQ(start, 0x0D00u);
  EXPECT_EQ(end, 0xFFFFu);
  EXPECT_EQ(engine.CheckIoFreeSpace(report, start, end, 0x3000), 0);
  ASSERT_EQ(engine.FindMemoryWindow(report, 0xF2000000, start, end), 0);
  EXPECT_EQ(engine.m_innerWindowStart, 0xF2000000u);
  EXPECT_EQ(engine.m_innerWindowEnd, 0xF2FFFFFFu);
  EXPECT_EQ(engine.SearchFreeMemory(report, start, end, 0x5FFFFF), 0);
  EXPECT_EQ(resultText(),
            "0xF1A00000-0xF1FFFFFF\r\n0xF1400000-0xF19FFFFF\r\n0xF0E00000-0xF13FFFFF\r\n0xF0800000-0xF0DFFFFF\r\n"
            "0xF0200000-0xF07FFFFF\r\n0xF3A00000-0xF3FFFFFF\r\n0xF3400000-0xF39FFFFF\r\n0xF2E00000-0xF33FFFFF\r\n"
            "0xF2800000-0xF2DFFFFF\r\n0xF2200000-0xF27FFFFF\r\n");
}

}  // namespace
