// The Search command: every outcome and its messages, the board table, the size
// text, and that nothing carries over from one Search to the next.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <new>

#include "app/resource_ids.h"
#include "os/text.h"
#include "program_fixture.h"

namespace app_test {
namespace {

class Search : public ProgramTest {
 protected:
  Search() { describeWorkingKb20(); }

  // Checks the board's button, runs one Search and records what it left.
  void runSearch(int radio = app::kRadioKB20, std::u16string size = u"600000") {
    runMainDialog({[&, radio, size](CTmx4CheckLinkSpeedDlg& d) {
      ui().click(d.handle(), radio);
      ui().type(d.handle(), app::kSpaceSizeBox, size);
      result_ = search(d);
      start_ = ui().textOf(d.handle(), app::kStartBox);
      end_ = ui().textOf(d.handle(), app::kEndBox);
      blocks_ = os::toUtf8(ui().textOf(d.handle(), app::kResultBox));
      shownLines_ = ui().control(d.handle(), app::kResultBox)->edit.lines();
    }});
  }
  std::string firstBlock() const { return blocks_.substr(0, blocks_.find("\r\n")); }

  bool result_ = false;
  std::u16string start_, end_;
  std::string blocks_;
  std::vector<std::u16string> shownLines_;  // the result box's lines as the user sees them
};

TEST_F(Search, CompleteSearchFillsTheBoxesAndClosesWithTwoDialogMessages) {
  runSearch();
  EXPECT_TRUE(result_);
  EXPECT_EQ(start_, u"F0000000");
  EXPECT_EQ(end_, u"F3FFFFFF");
  EXPECT_EQ(firstBlock(), "0xF1A00000-0xF1FFFFFF");
  // Ten blocks, each a line of its own that ends in CR LF, as a Windows edit control breaks them.
  ASSERT_EQ(shownLines_.size(), 11u);
  EXPECT_EQ(shownLines_[1], u"0xF1400000-0xF19FFFFF");
  EXPECT_EQ(shownLines_.back(), u"");
  EXPECT_EQ(shownBoxes(), (std::vector<ShownBox>{dialogBox(503), dialogBox(509)}));
  for (const auto& box : ui().messageBoxes()) {
    EXPECT_EQ(box.caption, u"Spanfinder64");
    EXPECT_NE(box.owner, nullptr);
    EXPECT_EQ(box.type, ui::kMbOk);
  }
  EXPECT_TRUE(m().files.exists(u"C:\\Tools\\KB20.ini"));
  // Both reads use the board's identity and match words: base register, then the I/O register.
  ASSERT_EQ(library.reads.size(), 2u);
  EXPECT_EQ(library.reads[0].offset, 0x10);
  EXPECT_EQ(library.reads[1].offset, 0x1C);
  EXPECT_EQ(library.reads[1].match, 0x01021195u);
  EXPECT_EQ(m().systemInfoTool.reports(), std::vector<std::u16string>{u"C:\\msinfo.txt"});
}

TEST_F(Search, TinySizeListsTheFirst4096BlocksThenSays707AndCompletes) {
  runSearch(app::kRadioKB20, u"1000");  // 4 KB: 256 blocks a megabyte, far more than 4,096 fit
  EXPECT_TRUE(result_);
  EXPECT_EQ(shownBoxes(), (std::vector<ShownBox>{appBox(707), dialogBox(503), dialogBox(509)}));
  // Every listed block shows in the result box, a line each: far more text than
  // the edit control's default limit of 30,000 characters.
  ASSERT_EQ(shownLines_.size(), 4097u);
  EXPECT_EQ(shownLines_.front(), u"0xF1FFF000-0xF1FFFFFF");
  EXPECT_EQ(shownLines_[4095], u"0xF1000000-0xF1000FFF");
  for (std::size_t i = 0; i < 4096; ++i) ASSERT_EQ(shownLines_[i].size(), 21u) << i;
  // The INI file has every block listed too.
  std::ifstream ini(*m().files.toHost(u"C:\\Tools\\KB20.ini"), std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(ini), {}};
  // The header (72 characters and ten CR LF), the active pair (42 with its CR LFs)
  // and 4,095 commented pairs (44 each), two bytes a character.
  EXPECT_EQ(bytes.size(), 2u * (92 + 42 + 4095 * 44));
}

// The tool gets its report written only up to where marker first begins (plus
// extra characters), then ends with exitStatus.
void cutReport(sim::Machine& m, std::u16string_view marker, std::size_t extra, int exitStatus) {
  const std::u16string text = sim::systemReportText(m.systemInfoTool.resources);
  ASSERT_NE(text.find(marker), std::u16string::npos);
  m.systemInfoTool.cutShort = sim::SystemInfoTool::CutShort{2 * (text.find(marker) + extra), exitStatus};
}

// One row per way a Search can end.
struct Outcome {
  const char* name;
  std::function<void(sim::Machine&)> arrange;
  bool result;
  std::vector<ShownBox> boxes;
  bool boxesFilled;
};
void PrintTo(const Outcome& c, std::ostream* os) { *os << c.name; }

class SearchOutcome : public Search, public ::testing::WithParamInterface<Outcome> {};

TEST_P(SearchOutcome, ShowsItsMessagesInOrder) {
  const Outcome& o = GetParam();
  o.arrange(m());
  runSearch();
  EXPECT_EQ(result_, o.result);
  EXPECT_EQ(shownBoxes(), o.boxes);
  for (const auto& box : ui().messageBoxes()) EXPECT_EQ(box.caption, u"Spanfinder64");
  EXPECT_EQ(!start_.empty() && !end_.empty(), o.boxesFilled);
  if (!o.boxesFilled) {
    EXPECT_EQ(blocks_, "");
  }
}

const Outcome kOutcomes[] = {
    {"LibraryLacksGetPciConfig",
     [](sim::Machine& m) { m.modules.add(u"Cfgprobe64.Dll", libraryEntries(true, false)); }, false, {}, false},
    {"BoardNotFound", [](sim::Machine&) { library.boardPresent = false; }, false, {appBox(504)}, false},
    {"BoardAddressZero", [](sim::Machine&) { library.registers[0x10] = 0; }, false, {appBox(501)}, false},
    {"NoWindowsDirectory", [](sim::Machine& m) { m.facts.windowsDirectory.reset(); }, false, {appBox(700)}, false},
    {"CommandFailed", [](sim::Machine& m) { m.systemInfoTool.failure = 2; }, false, {appBox(701)}, false},
    {"NoWindowsInDirectory", [](sim::Machine& m) { m.facts.windowsDirectory = u"C:\\WINNT"; }, false,
     {appBox(702)}, false},
    {"ReportNotWritten", [](sim::Machine& m) { m.systemInfoTool.failure = 0; }, false, {appBox(502)}, false},
    // The program has only the tool's exit status to go by: a report left from an
    // earlier Search is read as this Search's.
    {"ReportNotWrittenOverAnEarlierOne",
     [](sim::Machine& m) {
       ASSERT_TRUE(sim::writeSystemReport(m.files, u"C:\\msinfo.txt", m.systemInfoTool.resources));
       m.systemInfoTool.writesNoFile = true;
     },
     true, {dialogBox(503), dialogBox(509)}, true},
    {"ToolEndedWhileWriting", [](sim::Machine& m) { cutReport(m, u"[Memory]", 0, 1); }, false, {appBox(701)}, false},
    {"ReportCutBeforeTheMemorySection", [](sim::Machine& m) { cutReport(m, u"[Memory]", 0, 0); }, true, {}, true},
    {"ReportCutInsideTheWindowsRow", [](sim::Machine& m) { cutReport(m, u"0xF0000000-0xF3FFFFFF", 12, 0); }, true,
     {}, true},
    // Cut where a section would begin, the part looks like a whole report.
    {"ReportCutBeforeTheProblemDevices", [](sim::Machine& m) { cutReport(m, u"[Problem Devices]", 0, 0); }, true,
     {dialogBox(503), dialogBox(509)}, true},
    {"NoIoRoom",
     [](sim::Machine& m) { m.systemInfoTool.resources.io.push_back(range(0xD000, 0xFFFF, "other")); }, false,
     {appBox(705)}, false},
    {"IoWindowZeroSkipsTheRoomCheck",
     [](sim::Machine& m) { m.systemInfoTool.resources.io = {range(0xC000, 0xCFFF, "crowded")}; library.registers[0x1C] = 0xE001; },
     true, {dialogBox(503), dialogBox(509)}, true},
    {"MemoryWindowZero", [](sim::Machine&) { library.registers[0x10] = 0x00100000; }, true, {}, true},
    {"ProblemDevice",
     [](sim::Machine& m) {
       m.systemInfoTool.resources.problemDevices = {
           {"KB20", "PCI\\VEN_1195&DEV_0102&SUBSYS_01021195&REV_01\\4&1A2B3C4D&0&00E0", "(Code 12)"}};
     },
     true, {dialogBox(503)}, true},
    {"IniFileCannotBeCreated",
     [](sim::Machine& m) { m.files.failOpen(u"C:\\Tools\\KB20.ini", os::kErrorAccessDenied); }, true,
     {appBox(703), appBox(703), appBox(510)}, true},  // the engine reports the file for each hole
    {"IniFileWriteFails", [](sim::Machine& m) { m.files.failWrites(u"C:\\Tools\\KB20.ini"); }, true,
     {appBox(706)}, true},
};

INSTANTIATE_TEST_SUITE_P(Cases, SearchOutcome, ::testing::ValuesIn(kOutcomes),
                         [](const auto& info) { return std::string(info.param.name); });

// The report can no longer be opened at the nth time the analysis opens it: the
// I/O window, the I/O room and the memory window steps each end with 502.
class ReportOpenFails final : public os::Files {
 public:
  ReportOpenFails(os::Files& files, int failingOpen) : files_(files), failingOpen_(failingOpen) {}
  os::Handle createFile(std::u16string_view path, std::uint32_t access, std::uint32_t share,
                        std::uint32_t disposition) override {
    if (path == u"C:\\msinfo.txt" && ++opens_ == failingOpen_) {
      os::setLastError(os::kErrorSharingViolation);
      return os::invalidHandle();
    }
    return files_.createFile(path, access, share, disposition);
  }
  bool readFile(os::Handle f, void* b, std::uint32_t n, std::uint32_t* r) override { return files_.readFile(f, b, n, r); }
  bool writeFile(os::Handle f, const void* d, std::uint32_t n, std::uint32_t* w) override {
    return files_.writeFile(f, d, n, w);
  }
  bool fileSize(os::Handle f, std::uint64_t* size) override { return files_.fileSize(f, size); }
  bool seekToEnd(os::Handle f) override { return files_.seekToEnd(f); }
  bool closeFile(os::Handle f) override { return files_.closeFile(f); }

 private:
  os::Files& files_;
  int failingOpen_;
  int opens_ = 0;
};

class AnalysisStepFails : public Search, public ::testing::WithParamInterface<int> {};

TEST_P(AnalysisStepFails, EndsWith502AndEmptyBoxes) {
  ReportOpenFails files(m().files, GetParam());
  os::Platform facilities = m().platform();
  facilities.files = &files;
  app_ = std::make_unique<ui::Application>(ui(), facilities);
  runSearch();
  EXPECT_FALSE(result_);
  EXPECT_EQ(shownBoxes(), std::vector<ShownBox>{appBox(502)});
  EXPECT_EQ(start_ + end_, u"");
}

INSTANTIATE_TEST_SUITE_P(OpenNumber, AnalysisStepFails, ::testing::Values(1, 2, 3), [](const auto& info) {
  return std::string(info.param == 1 ? "IoWindow" : info.param == 2 ? "IoRoom" : "MemoryWindow");
});

// A current directory too long for the 260-unit buffer must not turn into an
// empty one: "\\KB20.ini" would then be written into the root of the drive.
class LongCurrentDirectory : public Search, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(LongCurrentDirectory, WritesNoIniFileElsewhere) {
  m().facts.currentDirectory = u"C:\\" + std::u16string(GetParam() - 3, u'd');
  runSearch();
  EXPECT_TRUE(result_);
  EXPECT_FALSE(m().files.exists(u"C:\\KB20.ini"));
  EXPECT_EQ(shownBoxes(), (std::vector<ShownBox>{appBox(703), appBox(703), appBox(510)}));
}

INSTANTIATE_TEST_SUITE_P(Lengths, LongCurrentDirectory, ::testing::Values(259, 260, 300),
                         [](const auto& info) { return "Units" + std::to_string(info.param); });

TEST_F(Search, MemoryWindowZeroShowsZeroInBothBoxes) {
  library.registers[0x10] = 0x00100000;  // inside no memory range
  runSearch();
  EXPECT_EQ(start_, u"0");
  EXPECT_EQ(end_, u"0");
  EXPECT_EQ(blocks_, "");
}

// The board table: which register each board reads and the address that follows.
struct BoardCase {
  const char* name;
  int radio;
  std::uint32_t identity, match;
  std::int32_t baseRegister;
  std::uint32_t registerValue;
  std::vector<ShownBox> boxes;
  std::u16string start;  // of the memory window found for the address
};
void PrintTo(const BoardCase& c, std::ostream* os) { *os << c.name; }

class BoardTable : public Search, public ::testing::WithParamInterface<BoardCase> {};

TEST_P(BoardTable, ReadsTheBaseRegisterAndDerivesTheAddress) {
  const BoardCase& c = GetParam();
  library.identity = c.identity;
  library.match = c.match;
  library.registers = {{c.baseRegister, c.registerValue}, {0x1C, 0xC001}};
  // Two neighbouring ranges tell whether the low flag bits reached the analysis.
  m().systemInfoTool.resources.memory = {range(0x56700000, 0x567FFFFF, "KA10 window"),
                                         range(0xF7E00000, 0xF7E00007, "below the flag bits"),
                                         range(0xF7E00008, 0xF7E0FFFF, "at and above them")};
  runSearch(c.radio);
  ASSERT_FALSE(library.reads.empty());
  EXPECT_EQ(library.reads[0].identity, c.identity);
  EXPECT_EQ(library.reads[0].match, c.match);
  EXPECT_EQ(library.reads[0].offset, c.baseRegister);
  EXPECT_EQ(start_, c.start);
  if (!c.boxes.empty()) {
    EXPECT_EQ(shownBoxes(), c.boxes);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BoardTable,
    ::testing::Values(BoardCase{"Ka10BridgeBase", app::kRadioKA10, 0x02E01217, 0x51011195, 0x20, 0x12345678, {}, u"56700000"},
                      BoardCase{"Ka10AddressZero", app::kRadioKA10, 0x02E01217, 0x51011195, 0x20, 0xFFFF000F,
                                {appBox(501)}, u""},
                      BoardCase{"Kb20AsRead", app::kRadioKB20, 0x01021195, 0x01021195, 0x10, 0xF7E00000, {}, u"F7E00000"},
                      BoardCase{"Kb20FlagBitsKept", app::kRadioKB20, 0x01021195, 0x01021195, 0x10, 0xF7E0000C, {}, u"F7E00008"},
                      BoardCase{"Kb40AsRead", app::kRadioKB40, 0x01041195, 0x01041195, 0x10, 0xF7E00008, {}, u"F7E00008"}),
    [](const auto& info) { return std::string(info.param.name); });

// The Space Size text, as the size of the blocks listed (none fits a size of 0).
struct SizeCase {
  const char* name;
  std::u16string text;
  std::string firstBlock;
};
void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.name; }

class SpaceSize : public Search, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(SpaceSize, GivesTheBlockSize) {
  runSearch(app::kRadioKB20, GetParam().text);
  EXPECT_EQ(firstBlock(), GetParam().firstBlock);
}

INSTANTIATE_TEST_SUITE_P(Cases, SpaceSize,
                         ::testing::Values(SizeCase{"Default", u"600000", "0xF1A00000-0xF1FFFFFF"},
                                           SizeCase{"Prefixed", u"0X300000", "0xF1D00000-0xF1FFFFFF"},
                                           SizeCase{"SmallSize", u"0x1000", "0xF1FFF000-0xF1FFFFFF"},
                                           SizeCase{"LeadingBlanks", u"  +100000", "0xF1F00000-0xF1FFFFFF"},
                                           SizeCase{"TrailingText", u"200000 bytes", "0xF1E00000-0xF1FFFFFF"},
                                           SizeCase{"Empty", u"", ""}, SizeCase{"Zero", u"0", ""},
                                           SizeCase{"One", u"1", "0xF1FFFFFF-0xF1FFFFFF"},
                                           SizeCase{"Junk", u"zz", ""},
                                           SizeCase{"NineDigits", u"FFFFFFFF0", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Search, NextSearchStartsClearAndUsesNoEarlierValue) {
  std::vector<std::u16string> afterFailure;
  runMainDialog({[&](CTmx4CheckLinkSpeedDlg& d) {
    ui().click(d.handle(), app::kRadioKB20);
    ASSERT_TRUE(search(d));
    ASSERT_NE(ui().textOf(d.handle(), app::kResultBox), u"");

    // The board is gone: the next Search clears every box before it fails.
    library.boardPresent = false;
    EXPECT_FALSE(search(d));
    for (int id : {app::kStartBox, app::kEndBox, app::kResultBox}) afterFailure.push_back(ui().textOf(d.handle(), id));

    // The I/O register cannot be read now: the I/O address is 0 (in no window),
    // not the 0xC001 of the first Search, whose window has no room any more.
    library.boardPresent = true;
    library.notFoundAt.insert(0x1C);
    m().systemInfoTool.resources.io = {range(0xC000, 0xFFFF, "PCI bridge"), range(0xC000, 0xC0FF, "KB20"),
                                       range(0xD000, 0xFFFF, "other")};
    EXPECT_TRUE(search(d));
  }});
  EXPECT_EQ(afterFailure, (std::vector<std::u16string>(3, u"")));
  EXPECT_EQ(shownBoxes(), (std::vector<ShownBox>{dialogBox(503), dialogBox(509), appBox(504), dialogBox(503),
                                                 dialogBox(509)}));
  EXPECT_EQ(m().systemInfoTool.reports().size(), 2u);  // each Search asks for a new report
}

TEST_F(Search, SearchButtonRunsIt) {
  runMainDialog({[&](CTmx4CheckLinkSpeedDlg& d) { ui().click(d.handle(), app::kRadioKB20); },
                 [&](CTmx4CheckLinkSpeedDlg& d) { ASSERT_TRUE(ui().click(d.handle(), app::kSearchButton)); }});
  EXPECT_EQ(shownBoxes(), (std::vector<ShownBox>{dialogBox(503), dialogBox(509)}));
}

TEST_F(Search, AFailureInsideTheSearchEndsItWith510AndTheDialogGoesOn) {
  // Memory runs out while the third block goes into the result box.
  int appended = 0;
  ui().onReplaceSel = [&](int, std::u16string_view) {
    if (++appended == 3) throw std::bad_alloc();
  };
  std::u16string startAfterFailure;
  runMainDialog({[&](CTmx4CheckLinkSpeedDlg& d) { ui().click(d.handle(), app::kRadioKB20); },
                 [&](CTmx4CheckLinkSpeedDlg& d) {
                   ASSERT_TRUE(ui().click(d.handle(), app::kSearchButton));
                   startAfterFailure = ui().textOf(d.handle(), app::kStartBox);
                 },
                 [&](CTmx4CheckLinkSpeedDlg& d) { ASSERT_TRUE(ui().click(d.handle(), app::kSearchButton)); }});
  EXPECT_EQ(startAfterFailure, u"F0000000");
  EXPECT_EQ(shownBoxes(), (std::vector<ShownBox>{appBox(510), dialogBox(503), dialogBox(509)}));
}

TEST_F(Search, JapaneseMachineReadsJapaneseReportAndShowsJapaneseMessages) {
  m().facts.language = os::kLangJapanese;
  runSearch();
  EXPECT_TRUE(result_);
  EXPECT_EQ(start_, u"F0000000");
  ASSERT_EQ(ui().messageBoxes().size(), 2u);
  EXPECT_EQ(ui().messageBoxes()[0].text, u"解析が完了しました。");
}

}  // namespace
}  // namespace app_test
