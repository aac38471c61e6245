// The free-space search: holes, blocks, the INI file and the problem devices.
#include <gtest/gtest.h>

#include <memory>

#include "engine_fixture.h"
#include "resources/messages.h"
#include "sim/machine.h"

namespace {

using analysis::Board;
using analysis_test::EngineTest;
using analysis_test::problem;
using analysis_test::range;
using Lines = std::vector<std::string>;

const Lines kKb20Header{"[USE]", "Ver=1011", "SATA1=1", "SATA2=1", "PCCard=1",
                        "SxS=1", "I/O=0",    "USB=1",   "PayloadSize=0", "SataSSC=0"};
const Lines kKb40Header{"[USE]", "Ver=1011", "SATA=1", "PCCard=1", "SxS=1",
                        "I/O=0", "SD=1",     "USB=1",  "PayloadSize=0", "SataSSC=0"};

class FreeSpace : public EngineTest {
 protected:
  // The worked example: window 0xF0000000-0xF3FFFFFF, inner window 0xF2000000-0xF2FFFFFF.
  sim::SystemReportDescription example() {
    sim::SystemReportDescription report;
    report.memory = {range(0xF0000000, 0xF3FFFFFF, "PCI bus"), range(0xF2000000, 0xF2FFFFFF, "bridge"),
                     range(0xF2000000, 0xF2003FFF, "device"), range(0xF0000000, 0xF00FFFFF, "device"),
                     range(0xFED00000, 0xFED003FF, "HPET")};
    return report;
  }
  int search(const std::u16string& report, std::uint32_t sizeMinusOne = 0x5FFFFF) {
    std::uint32_t start = 0, end = 0;
    EXPECT_EQ(engine.FindMemoryWindow(report, 0xF2000000, start, end), 0);
    return engine.SearchFreeMemory(report, start, end, sizeMinusOne);
  }
  std::string fileMessage(std::uint16_t id) { return os::toUtf8(resources::loadMessage(id, host.lang)); }
};

const char* const kExampleBlocks =
    "0xF1A00000-0xF1FFFFFF\r\n0xF1400000-0xF19FFFFF\r\n0xF0E00000-0xF13FFFFF\r\n0xF0800000-0xF0DFFFFF\r\n"
    "0xF0200000-0xF07FFFFF\r\n0xF3A00000-0xF3FFFFFF\r\n0xF3400000-0xF39FFFFF\r\n0xF2E00000-0xF33FFFFF\r\n"
    "0xF2800000-0xF2DFFFFF\r\n0xF2200000-0xF27FFFFF\r\n";

TEST_F(FreeSpace, WorkedExampleListsAndWritesKb20) {
  EXPECT_EQ(search(writeReport(example())), 0);
  EXPECT_EQ(resultText(), kExampleBlocks);
  EXPECT_EQ(host.box.control.caretScrolls(), 10u);
  EXPECT_EQ(engine.m_iniPath, host.directory + u"\\KB20.ini");
  EXPECT_EQ(engine.m_firstBlockPending, 0);

  Lines expected = kKb20Header;
  expected.insert(expected.end(), {"StartAdrs=0xF1A00000", "EndAdrs=0xF1FFFFFF"});
  for (const char* pair : {"F1400000 F19FFFFF", "F0E00000 F13FFFFF", "F0800000 F0DFFFFF", "F0200000 F07FFFFF",
                           "F3A00000 F3FFFFFF", "F3400000 F39FFFFF", "F2E00000 F33FFFFF", "F2800000 F2DFFFFF",
                           "F2200000 F27FFFFF"}) {
    const std::string p(pair);
    expected.push_back(";StartAdrs=0x" + p.substr(0, 8));
    expected.push_back(";EndAdrs=0x" + p.substr(9));
  }
  EXPECT_EQ(iniLines("KB20.ini"), expected);
  EXPECT_EQ(readRaw("KB20.ini").substr(0, 4), std::string("[\0U\0", 4));  // no byte-order mark
  EXPECT_TRUE(host.shown.empty());
}

TEST_F(FreeSpace, Kb40HeaderAndAnExistingFileIsEmptied) {
  host.board = Board::KB40;
  writeRaw(std::string(5000, 'x'), "KB40.ini");
  EXPECT_EQ(search(writeReport(example()), 0xFFFFFFFF), 0);  // size 0: nothing fits
  EXPECT_EQ(iniLines("KB40.ini"), kKb40Header);
  EXPECT_EQ(resultText(), "");
  EXPECT_EQ(engine.m_firstBlockPending, 1);
}

TEST_F(FreeSpace, Ka10ListsWithoutAFile) {
  engine.m_iniPath = u"stale";
  host.board = Board::KA10;
  EXPECT_EQ(search(writeReport(example())), 0);
  EXPECT_EQ(resultText(), kExampleBlocks);
  EXPECT_TRUE(engine.m_iniPath.empty());
  EXPECT_FALSE(exists("KB20.ini"));
}

// What outlives a Search: every Search that prepares the INI file starts it anew
// with its own active first block; KA10 after KB20 leaves KB20.ini alone.
TEST_F(FreeSpace, EverySearchStartsItsOwnIniFile) {
  const auto report = writeReport(example());
  EXPECT_EQ(search(report), 0);
  const std::string first = readRaw("KB20.ini");
  host.box.control.setText(u"");
  EXPECT_EQ(search(report), 0);
  EXPECT_EQ(readRaw("KB20.ini"), first);
  EXPECT_EQ(iniLines("KB20.ini")[10], "StartAdrs=0xF1A00000");

  EXPECT_EQ(search(report, 0xFFFFFFFF), 0);  // nothing fits: the header alone, the flag stays set
  EXPECT_EQ(engine.m_firstBlockPending, 1);
  EXPECT_EQ(iniLines("KB20.ini"), kKb20Header);

  host.board = Board::KA10;
  EXPECT_EQ(search(report), 0);
  EXPECT_EQ(iniLines("KB20.ini"), kKb20Header);
  EXPECT_FALSE(exists("KA10.ini"));
}

TEST_F(FreeSpace, OnlyWindowAndInnerWindowInsideWritesNothing) {
  auto report = example();
  report.memory.resize(2);
  writeRaw("keep", "KB20.ini");
  EXPECT_EQ(search(writeReport(report)), 0);
  EXPECT_EQ(resultText(), "");
  EXPECT_EQ(readRaw("KB20.ini"), "keep");
}

TEST_F(FreeSpace, NestedRowsDoNotOpenHolesInsideOuterRows) {
  // 0xF0000000-0xF3FFFFFF (a bridge) holds a device at its bottom; measured from
  // that inner row, 0xF0100000-0xF3FFFFFF would be offered although the bridge
  // occupies it.
  sim::SystemReportDescription report;
  report.memory = {range(0xE0000000, 0xFFFFFFFF), range(0xF0000000, 0xF3FFFFFF), range(0xF0000000, 0xF00FFFFF),
                   range(0xE0000000, 0xEFFFFFFF), range(0xF4000000, 0xFBFFFFFF), range(0xFC000000, 0xFFFFFFFF)};
  std::uint32_t start = 0, end = 0;
  ASSERT_EQ(engine.FindMemoryWindow(writeReport(report), 0xFC000000, start, end), 0);
  EXPECT_EQ(engine.m_innerWindowStart, 0xFC000000u);
  EXPECT_EQ(engine.SearchFreeMemory(path("msinfo.txt"), start, end, 0x1FFFFFF), 0);
  EXPECT_EQ(resultText(), "0xFE000000-0xFFFFFFFF\r\n0xFC000000-0xFDFFFFFF\r\n");  // the inner window only
}

struct ProblemCase {
  const char* name;
  Board board;
  std::vector<std::string> ids;
  int result;
};

void PrintTo(const ProblemCase& c, std::ostream* os) { *os << c.name; }

class Problems : public FreeSpace, public ::testing::WithParamInterface<ProblemCase> {};

TEST_P(Problems, CountLinesNamingTheBoard) {
  auto report = example();
  for (const auto& id : GetParam().ids) report.problemDevices.push_back(problem(id));
  host.board = GetParam().board;
  EXPECT_EQ(search(writeReport(report)), GetParam().result);
  EXPECT_EQ(resultText(), kExampleBlocks);  // the blocks are listed either way
}

INSTANTIATE_TEST_SUITE_P(
    Devices, Problems,
    ::testing::Values(
        ProblemCase{"none", Board::KB20, {}, 0},
        ProblemCase{"twoKb20Lines", Board::KB20,
                    {"PCI\\VEN_1195&DEV_0102&SUBSYS_01021195&REV_01\\4&1", "PCI\\VEN_1217&DEV_02E3&SUBSYS_01021195\\5"},
                    104},
        ProblemCase{"kb40IdForKb20", Board::KB20, {"PCI\\VEN_1195&DEV_0104&SUBSYS_01041195\\4"}, 0},
        ProblemCase{"controllerForKb20", Board::KB20, {"PCI\\VEN_1095&DEV_3132&SUBSYS_31321095\\4"}, 104},
        ProblemCase{"controllerForKb40", Board::KB40, {"PCI\\VEN_1095&DEV_3132&SUBSYS_31321095\\4"}, 104},
        ProblemCase{"controllerNotForKa10", Board::KA10, {"PCI\\VEN_1095&DEV_3132&SUBSYS_31321095\\4"}, 0},
        ProblemCase{"ka10Bridge", Board::KA10, {"PCI\\VEN_1217&DEV_02F1&SUBSYS_51011195\\4"}, 104},
        ProblemCase{"lowerCaseDoesNotCount", Board::KB20, {"pci\\ven_1195&dev_0102&subsys_01021195"}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// A header line naming both sections opens the problem-device section; it
// counts as a problem line itself, and the rows after it are no memory ranges.
TEST_F(FreeSpace, HeaderWithBothTitlesOpensTheProblemDevices) {
  const std::string text =
      "[Memory]\r\n0xF0000000-0xF3FFFFFF\tbus\t\r\n0xF0000000-0xF00FFFFF\tdev\t\r\n"
      "[Memory] [Problem Devices] VEN_1195&DEV_0102&SUBSYS_01021195\r\n0xF2000000-0xF2FFFFFF\tdev\t\r\n";
  const auto report = writeRaw(analysis_test::utf16le(text));
  engine.m_innerWindowStart = engine.m_innerWindowEnd = 1;
  EXPECT_EQ(engine.SearchFreeMemory(report, 0xF0000000, 0xF3FFFFFF, 0x1FFFFFF), 104);
  EXPECT_EQ(resultText(), "0xF2000000-0xF3FFFFFF\r\n");  // 0xF2000000-0xF2FFFFFF was not read as occupied
}

TEST_F(FreeSpace, JapaneseReportSectionsAreFoundInJapanese) {
  auto report = example();
  report.language = sim::ReportLanguage::Japanese;
  report.problemDevices = {problem("PCI\\VEN_1195&DEV_0102&SUBSYS_01021195\\4")};
  host.lang = resources::Language::Japanese;
  EXPECT_EQ(search(writeReport(report)), 104);
  EXPECT_EQ(resultText(), kExampleBlocks);
}

// A host may look for the headings of another language than that of its messages.
TEST_F(FreeSpace, HeadingsAndMessagesEachInTheirOwnLanguage) {
  auto report = example();
  report.language = sim::ReportLanguage::Japanese;
  report.problemDevices = {problem("PCI\\VEN_1195&DEV_0102&SUBSYS_01021195\\4")};
  host.headings = resources::Language::Japanese;
  host.directory = path("missing");
  EXPECT_EQ(search(writeReport(report)), 104);  // the problem-device section was read
  EXPECT_EQ(resultText(), "");
  EXPECT_EQ(host.shown, (std::vector<analysis_test::Shown>(2, {false, u"Failed to open file."})));
}

struct BlockCase {
  const char* name;
  std::uint32_t first, last, sizeMinusOne;
  int result;
  const char* listed;
};

void PrintTo(const BlockCase& c, std::ostream* os) { *os << c.name; }

class Blocks : public FreeSpace, public ::testing::WithParamInterface<BlockCase> {};

TEST_P(Blocks, CutFromTheTopOfWholeMegabytes) {
  const BlockCase& c = GetParam();
  EXPECT_EQ(engine.ListFreeBlocks(c.first, c.last, c.sizeMinusOne), c.result);
  EXPECT_EQ(resultText(), c.listed);
}

INSTANTIATE_TEST_SUITE_P(
    Holes, Blocks,
    ::testing::Values(
        BlockCase{"alignedHole", 0xF0100000, 0xF0AFFFFF, 0x5FFFFF, 1, "0xF0500000-0xF0AFFFFF\r\n"},
        BlockCase{"roundsUpFirst", 0xF0180000, 0xF07FFFFF, 0x5FFFFF, 1, "0xF0200000-0xF07FFFFF\r\n"},
        BlockCase{"roundsDownLast", 0xF0000000, 0xF05FFFFE, 0x5FFFFF, -1, ""},
        BlockCase{"twoBlocksTopFirst", 0x00200000, 0x00DFFFFF, 0x5FFFFF, 1,
                  "0x00800000-0x00DFFFFF\r\n0x00200000-0x007FFFFF\r\n"},
        BlockCase{"unalignedSize", 0x00000000, 0x003FFFFF, 0x17FFFF, 1,
                  "0x00280000-0x003FFFFF\r\n0x00100000-0x0027FFFF\r\n"},
        BlockCase{"blockAtZeroStops", 0x00000000, 0x001FFFFF, 0xFFFFF, 1,
                  "0x00100000-0x001FFFFF\r\n0x00000000-0x000FFFFF\r\n"},
        BlockCase{"sizeZeroFitsNothing", 0x00000000, 0xFFFFFFFE, 0xFFFFFFFF, -1, ""},
        BlockCase{"belowOneUnit", 0x00000001, 0x000FFFFF, 0, -1, ""},
        BlockCase{"topOfTheSpace", 0xFFF00001, 0xFFFFFFFF, 0, -1, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Holes at both ends of the address space: bounds never wrap, a record that
// reaches 0xFFFFFFFF leaves no trailing hole, a block that starts at 0 is the last.
struct EdgeCase {
  const char* name;
  std::uint32_t windowStart, windowEnd;
  std::vector<sim::ReportRange> memory;
  std::uint32_t sizeMinusOne;
  const char* listed;
};

void PrintTo(const EdgeCase& c, std::ostream* os) { *os << c.name; }

class SpaceEdges : public FreeSpace, public ::testing::WithParamInterface<EdgeCase> {};

TEST_P(SpaceEdges, HolesAndBlocks) {
  const EdgeCase& c = GetParam();
  sim::SystemReportDescription report;
  report.memory = c.memory;
  host.board = Board::KA10;
  engine.m_innerWindowStart = engine.m_innerWindowEnd = 1;
  EXPECT_EQ(engine.SearchFreeMemory(writeReport(report), c.windowStart, c.windowEnd, c.sizeMinusOne), 0);
  EXPECT_EQ(resultText(), c.listed);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, SpaceEdges,
    ::testing::Values(
        EdgeCase{"trailingHoleToTheTop", 0xFFC00000, 0xFFFFFFFF, {range(0xFFD00000, 0xFFDFFFFF)}, 0xFFFFF,
                 "0xFFC00000-0xFFCFFFFF\r\n0xFFF00000-0xFFFFFFFF\r\n0xFFE00000-0xFFEFFFFF\r\n"},
        EdgeCase{"recordEndingAtTheTop", 0xFFC00000, 0xFFFFFFFF,
                 {range(0xFFF00000, 0xFFFFFFFF), range(0xFFF00000, 0xFFF0FFFF)}, 0xFFFFF,
                 "0xFFE00000-0xFFEFFFFF\r\n0xFFD00000-0xFFDFFFFF\r\n0xFFC00000-0xFFCFFFFF\r\n"},
        EdgeCase{"blockAtZero", 0x00000000, 0x002FFFFF, {range(0x00100000, 0x001FFFFF)}, 0xFFFFF,
                 "0x00000000-0x000FFFFF\r\n0x00200000-0x002FFFFF\r\n"},
        EdgeCase{"oneAddressHolesHoldNothing", 0x00000000, 0x00200000,
                 {range(0x00000001, 0x000FFFFF), range(0x00100001, 0x001FFFFF)}, 0, ""},
        EdgeCase{"holeOfExactlyTheSize", 0xE0000000, 0xE0FFFFFF,
                 {range(0xE0000000, 0xE00FFFFF), range(0xE0700000, 0xE0FFFFFF)}, 0x5FFFFF,
                 "0xE0100000-0xE06FFFFF\r\n"},
        EdgeCase{"holeOneMegabyteShort", 0xE0000000, 0xE0FFFFFF,
                 {range(0xE0000000, 0xE00FFFFF), range(0xE0600000, 0xE0FFFFFF)}, 0x5FFFFF, ""},
        // A row whose end lies below its start still holds its start address.
        EdgeCase{"backwardsRowHoldsItsStart", 0x00000000, 0x003FFFFF, {range(0x00200000, 0x00100000)}, 0xFFFFF,
                 "0x00100000-0x001FFFFF\r\n0x00000000-0x000FFFFF\r\n0x00300000-0x003FFFFF\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FreeSpace, MissingIniFolderReports703PerHoleAndFails) {
  host.directory = path("no-such-folder");
  EXPECT_EQ(search(writeReport(example())), 103);
  const analysis_test::Shown openFailed{false, resources::loadMessage(703, host.lang)};
  EXPECT_EQ(host.shown, (std::vector<analysis_test::Shown>{openFailed, openFailed}));
  EXPECT_EQ(resultText(), "");
}

TEST_F(FreeSpace, IniPathOf260CharactersIsNotCreatable) {
  host.directory += u"/" + std::u16string(259 - host.directory.size() - 9, u'd');  // + "\KB20.ini" = 260
  EXPECT_EQ(search(writeReport(example())), 103);
  EXPECT_EQ(host.shown.size(), 2u);
}

TEST_F(FreeSpace, ProblemDevicesOutrankAnUncreatableIni) {
  auto report = example();
  report.problemDevices = {problem("PCI\\VEN_1195&DEV_0102&SUBSYS_01021195\\4")};
  host.directory = path("no-such-folder");
  EXPECT_EQ(search(writeReport(report)), 104);
}

// INI writes that fail: the search stops there, the file-error report is shown
// once, and the result is never a success.
class IniWriteFailure : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    machine_ = std::make_unique<sim::Machine>(root_ / "machine");
    std::filesystem::create_directories(root_ / "machine" / "C" / "Tools");
    simEngine_ = std::make_unique<analysis::Engine>(host, machine_->files);
    host.directory = u"C:\\Tools";
    auto report = sim::SystemReportDescription{};
    report.memory = {range(0xF0000000, 0xF3FFFFFF), range(0xF2000000, 0xF2FFFFFF), range(0xF2000000, 0xF2003FFF),
                     range(0xF0000000, 0xF00FFFFF)};
    report.problemDevices = {analysis_test::problem("PCI\\VEN_1195&DEV_0102&SUBSYS_01021195\\4")};
    ASSERT_TRUE(sim::writeSystemReport(machine_->files, u"C:\\msinfo.txt", report));
  }
  int search() {
    std::uint32_t start = 0, end = 0;
    EXPECT_EQ(simEngine_->FindMemoryWindow(u"C:\\msinfo.txt", 0xF2000000, start, end), 0);
    return simEngine_->SearchFreeMemory(u"C:\\msinfo.txt", start, end, 0x5FFFFF);
  }
  std::unique_ptr<sim::Machine> machine_;
  std::unique_ptr<analysis::Engine> simEngine_;
};

TEST_F(IniWriteFailure, EndsTheSearchWithTheFileErrorReport) {
  machine_->files.failWrites(u"C:\\Tools\\KB20.ini");
  EXPECT_EQ(search(), analysis::kResultFileWriteFailed);  // even with a problem device listed
  EXPECT_EQ(host.shown, (std::vector<analysis_test::Shown>{{false, resources::loadMessage(706, host.lang)}}));
  EXPECT_EQ(resultText(), "");  // the header already failed: no hole was walked
  // The file was closed: it can be opened exclusively again.
  const os::Handle h = machine_->files.createFile(u"C:\\Tools\\KB20.ini", os::kGenericRead, 0, os::kOpenExisting);
  EXPECT_TRUE(os::isValid(h));
  machine_->files.closeFile(h);
}

// A folder the program may not write to: the INI file cannot be created, so each
// hole that holds a block reports it (703) and nothing is listed.
TEST_F(IniWriteFailure, ReadOnlyFolderReports703PerHole) {
  machine_->files.failOpen(u"C:\\Tools\\KB20.ini", os::kErrorAccessDenied);
  EXPECT_EQ(search(), 104);  // the problem device outranks the failure
  const analysis_test::Shown openFailed{false, resources::loadMessage(703, host.lang)};
  EXPECT_EQ(host.shown, (std::vector<analysis_test::Shown>{openFailed, openFailed}));
  EXPECT_EQ(resultText(), "");
  EXPECT_FALSE(simEngine_->iniFileWritten());
}

// The host could not give the current directory (it is too long for the
// program's buffer): the INI path would be "\\KB20.ini", a file at the root of the
// current drive that belongs to someone else. It is neither emptied nor appended
// to; the INI file counts as not creatable.
TEST_F(IniWriteFailure, UnknownCurrentDirectoryLeavesTheDriveRootAlone) {
  const std::string foreign = "someone else's file";
  const os::Handle h = machine_->files.createFile(u"C:\\KB20.ini", os::kGenericWrite, 0, os::kCreateAlways);
  ASSERT_TRUE(os::isValid(h));
  std::uint32_t written = 0;
  ASSERT_TRUE(machine_->files.writeFile(h, foreign.data(), static_cast<std::uint32_t>(foreign.size()), &written));
  machine_->files.closeFile(h);

  host.directory.clear();
  EXPECT_EQ(search(), 104);  // the problem device outranks the failure, as for any uncreatable file
  const analysis_test::Shown openFailed{false, resources::loadMessage(703, host.lang)};
  EXPECT_EQ(host.shown, (std::vector<analysis_test::Shown>{openFailed, openFailed}));
  EXPECT_EQ(resultText(), "");
  EXPECT_EQ(readRaw("machine/C/KB20.ini"), foreign);
  EXPECT_FALSE(simEngine_->iniFileWritten());
}

// A file back end whose writes stop short after a number of bytes, as a full disk does.
class ShortWrites final : public os::Files {
 public:
  explicit ShortWrites(os::Files& inner, std::uint32_t budget) : inner_(inner), budget_(budget) {}
  os::Handle createFile(std::u16string_view p, std::uint32_t a, std::uint32_t s, std::uint32_t d) override {
    return inner_.createFile(p, a, s, d);
  }
  bool readFile(os::Handle f, void* b, std::uint32_t n, std::uint32_t* r) override { return inner_.readFile(f, b, n, r); }
  bool writeFile(os::Handle f, const void* d, std::uint32_t n, std::uint32_t* w) override {
    const std::uint32_t now = n < budget_ ? n : budget_;
    budget_ -= now;
    return inner_.writeFile(f, d, now, w);
  }
  bool fileSize(os::Handle f, std::uint64_t* s) override { return inner_.fileSize(f, s); }
  bool seekToEnd(os::Handle f) override { return inner_.seekToEnd(f); }
  bool closeFile(os::Handle f) override { return inner_.closeFile(f); }

 private:
  os::Files& inner_;
  std::uint32_t budget_;
};

TEST_F(IniWriteFailure, ShortBlockWriteStopsTheListing) {
  const std::uint32_t headerBytes = 2 * (5 + 8 + 7 + 7 + 8 + 5 + 5 + 5 + 13 + 9 + 2 * 10);
  ShortWrites files(machine_->files, headerBytes + 10);  // the header fits, the first block line does not
  analysis::Engine shortEngine(host, files);
  std::uint32_t start = 0, end = 0;
  ASSERT_EQ(shortEngine.FindMemoryWindow(u"C:\\msinfo.txt", 0xF2000000, start, end), 0);
  EXPECT_EQ(shortEngine.SearchFreeMemory(u"C:\\msinfo.txt", start, end, 0x5FFFFF), analysis::kResultFileWriteFailed);
  EXPECT_EQ(host.shown.size(), 1u);
  EXPECT_EQ(resultText(), "0xF1A00000-0xF1FFFFFF\r\n");  // listed, then the write failed and the search ended
}

}  // namespace
