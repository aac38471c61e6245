// RunSystemInfoTool: where the tool and the report are, which interpreter runs
// it, and the result codes.
#include <gtest/gtest.h>

#include "app/system_info_tool.h"
#include "program_fixture.h"

namespace app_test {
namespace {

const std::u16string kCategories = u" /categories +ResourcesIO+ResourcesMemory+ComponentsProblemDevices /report ";

struct ToolCase {
  const char* name;
  std::optional<std::u16string> windowsDirectory;
  std::uint32_t version;
  std::function<void(sim::Machine&)> arrange;
  int result;
  std::u16string reportPath;
  std::u16string commandLine;  // empty: nothing is run
  std::u16string interpreter;
};
void PrintTo(const ToolCase& c, std::ostream* os) { *os << c.name; }

class SystemInfoTool : public ProgramTest, public ::testing::WithParamInterface<ToolCase> {};

TEST_P(SystemInfoTool, BuildsTheCommandAndReportsTheOutcome) {
  const ToolCase& c = GetParam();
  m().files.mapDrive('D', root_ / "D");
  m().facts.windowsDirectory = c.windowsDirectory;
  m().facts.version = c.version;
  m().installSystemFiles();
  if (c.arrange) c.arrange(m());
  int result = -1;
  std::u16string reportPath = u"left over";
  runMainDialog({[&](CTmx4CheckLinkSpeedDlg& d) { result = d.RunSystemInfoTool(reportPath); }});
  EXPECT_EQ(result, c.result);
  EXPECT_EQ(reportPath, c.reportPath);
  if (c.commandLine.empty()) {
    EXPECT_TRUE(m().processes.runs().empty());
    return;
  }
  ASSERT_EQ(m().processes.runs().size(), 1u);
  EXPECT_EQ(m().processes.runs()[0].commandLine, c.commandLine);
  EXPECT_EQ(m().processes.runs()[0].interpreter, c.interpreter);
  EXPECT_EQ(m().files.exists(c.reportPath), c.result == 0);
}

const std::u16string kCmd = u"C:\\Windows\\system32\\cmd.exe";
const std::u16string kToolSeven = u"C:\\Windows\\system32\\msinfo32.exe";

const ToolCase kCases[] = {
    {"Windows7", u"C:\\Windows", 0x0601, nullptr, 0, u"C:\\msinfo.txt",
     kToolSeven + kCategories + u"C:\\msinfo.txt", kCmd},
    {"LowerCaseKeepsItsCaseInTheToolPath", u"c:\\windows", 0x0601, nullptr, 0, u"C:\\msinfo.txt",
     u"c:\\windows\\system32\\msinfo32.exe" + kCategories + u"C:\\msinfo.txt", kCmd},
    {"FolderBelowTheRoot", u"D:\\OS\\Windows", 0x0600, nullptr, 0, u"D:\\OS\\msinfo.txt",
     u"D:\\OS\\Windows\\system32\\msinfo32.exe" + kCategories + u"D:\\OS\\msinfo.txt", kCmd},
    {"WindowsXpQuotesTheSharedToolPath", u"C:\\WINDOWS", 0x0501, nullptr, 0, u"C:\\msinfo.txt",
     u"\"C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe\"" + kCategories +
         u"C:\\msinfo.txt",
     kCmd},
    {"NoWindowsInTheFolder", u"C:\\WINNT", 0x0501, nullptr, 102, u"", u"", u""},
    {"NoWindowsDirectory", std::nullopt, 0x0601, nullptr, 100, u"", u"", u""},
    {"ComspecUnsetFallsBackToCmd", u"C:\\Windows", 0x0601,
     [](sim::Machine& m) { m.facts.environment.clear(); }, 0, u"C:\\msinfo.txt",
     kToolSeven + kCategories + u"C:\\msinfo.txt", kCmd},
    {"ComspecPointingNowhereFallsBackToCmd", u"C:\\Windows", 0x0601,
     [](sim::Machine& m) { m.facts.environment[u"COMSPEC"] = u"C:\\Nowhere\\shell.exe"; }, 0, u"C:\\msinfo.txt",
     kToolSeven + kCategories + u"C:\\msinfo.txt", kCmd},
    {"ComspecNamesAnotherShell", u"C:\\Windows", 0x0601,
     [](sim::Machine& m) {
       m.createFile(u"C:\\Shell\\tcc.exe");
       m.facts.environment[u"COMSPEC"] = u"C:\\Shell\\tcc.exe";
     },
     0, u"C:\\msinfo.txt", kToolSeven + kCategories + u"C:\\msinfo.txt", u"C:\\Shell\\tcc.exe"},
    {"NoInterpreterAtAll", u"C:\\Windows", 0x0601,
     [](sim::Machine& m) {
       m.facts.environment.clear();
       std::filesystem::remove(*m.files.toHost(u"C:\\Windows\\system32\\cmd.exe"));
     },
     101, u"C:\\msinfo.txt", kToolSeven + kCategories + u"C:\\msinfo.txt", u""},
    {"ToolEndsWithAnError", u"C:\\Windows", 0x0601, [](sim::Machine& m) { m.systemInfoTool.failure = 3; }, 101,
     u"C:\\msinfo.txt", kToolSeven + kCategories + u"C:\\msinfo.txt", kCmd},
    {"ToolMissing", u"C:\\Windows", 0x0601,
     [](sim::Machine& m) { std::filesystem::remove(*m.files.toHost(u"C:\\Windows\\system32\\msinfo32.exe")); },
     101, u"C:\\msinfo.txt", kToolSeven + kCategories + u"C:\\msinfo.txt", kCmd},
    {"InterpreterEndsWithAnError", u"C:\\Windows", 0x0601, [](sim::Machine& m) { m.processes.failRuns(1, 1); },
     101, u"C:\\msinfo.txt", kToolSeven + kCategories + u"C:\\msinfo.txt", kCmd},
};

INSTANTIATE_TEST_SUITE_P(Cases, SystemInfoTool, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A command line must fit 520 units with its terminator; a longer one would be
// cut short and run something else, so it runs nothing.
class LongCommandLine : public ProgramTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(LongCommandLine, RunsOnlyWhatFits) {
  const std::size_t total = GetParam();
  // Command line: drive part twice (tool path, report path) plus fixed texts.
  const std::size_t fixed = std::u16string(u"\\Windows\\system32\\msinfo32.exe").size() + kCategories.size() +
                            std::u16string(u"\\msinfo.txt").size();
  const std::size_t drivePart = (total - fixed) / 2;
  const std::u16string padding((total - fixed) % 2, u'2');
  const std::u16string drive = u"C:\\" + std::u16string(drivePart - 3, u'a');
  m().facts.windowsDirectory = drive + u"\\Windows" + padding;
  m().installSystemFiles();
  int result = -1;
  std::u16string reportPath;
  runMainDialog({[&](CTmx4CheckLinkSpeedDlg& d) { result = d.RunSystemInfoTool(reportPath); }});
  EXPECT_EQ(reportPath, u"C:\\" + std::u16string(drivePart - 3, u'A') + u"\\msinfo.txt");
  if (total < app::kCommandLineUnits) {
    ASSERT_EQ(m().processes.runs().size(), 1u);
    EXPECT_EQ(m().processes.runs()[0].commandLine.size(), total);
    EXPECT_EQ(result, 0);
  } else {
    EXPECT_TRUE(m().processes.runs().empty());
    EXPECT_EQ(result, 101);
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, LongCommandLine, ::testing::Values(518, 519, 520, 521),
                         [](const auto& info) { return "Units" + std::to_string(info.param); });

TEST_F(ProgramTest, WindowsDirectoryTooLongForItsBufferIsUnavailable) {
  m().facts.windowsDirectory = u"C:\\Windows" + std::u16string(260, u'x');
  int result = -1;
  std::u16string reportPath;
  runMainDialog({[&](CTmx4CheckLinkSpeedDlg& d) { result = d.RunSystemInfoTool(reportPath); }});
  EXPECT_EQ(result, 100);
  EXPECT_TRUE(m().processes.runs().empty());
}

// The machine's facts, upper-cased by other rules than the Latin-1 one: as a system
// whose own upper case of 'i' is the dotted capital I (U+0130).
class DottedCapitalI final : public os::SystemInfo {
 public:
  explicit DottedCapitalI(os::SystemInfo& facts) : facts_(facts) {}
  std::uint32_t getWindowsDirectory(char16_t* buffer, std::uint32_t size) override {
    return facts_.getWindowsDirectory(buffer, size);
  }
  std::uint32_t windowsVersion() override { return facts_.windowsVersion(); }
  std::uint16_t userInterfaceLanguage() override { return facts_.userInterfaceLanguage(); }
  std::u16string upperCase(std::u16string_view text) override {
    std::u16string upper = facts_.upperCase(text);
    for (std::size_t i = 0; i < text.size(); ++i)
      if (text[i] == u'i') upper[i] = u'\u0130';
    return upper;
  }

 private:
  os::SystemInfo& facts_;
};

// The folder is searched in the system's upper case, not in one of the program's own.
TEST_F(ProgramTest, TheWindowsFolderIsUpperCasedByTheSystemsRules) {
  m().facts.windowsDirectory = u"c:\\windows";
  DottedCapitalI system(m().facts);
  os::Platform facilities = m().platform();
  facilities.system = &system;
  app_ = std::make_unique<ui::Application>(*ui_, facilities);
  int result = -1;
  std::u16string reportPath;
  runMainDialog({[&](CTmx4CheckLinkSpeedDlg& d) { result = d.RunSystemInfoTool(reportPath); }});
  EXPECT_EQ(result, 102);  // "C:\W\u0130NDOWS" holds no "\WINDOWS"
  EXPECT_TRUE(m().processes.runs().empty());
  EXPECT_EQ(reportPath, u"");
}

}  // namespace
}  // namespace app_test
