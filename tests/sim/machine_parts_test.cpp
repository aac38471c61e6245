// Parts of the simulated machine that the hosted machines stand on: a folder of a
// drive mapped to a host folder with what ships beneath it, libraries the machine
// does not hold loading through another loader, and the system-information tool
// writing only the sections it is asked for.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "os/text.h"
#include "sim/machine.h"
#include "tests/support/tool_run.h"

namespace {

namespace fs = std::filesystem;

class MachineParts : public ::testing::Test {
 protected:
  MachineParts() : machine(scratch.path() / "machine") {
    fs::create_directories(scratch / "work");
    fs::create_directories(scratch / "shipped");
    std::ofstream(scratch / "shipped" / "Cfgprobe64.sys") << "driver";
    machine.files.mapFolder(u"C:\\Tools", scratch / "work", scratch / "shipped");
  }
  std::string readThroughMachine(std::u16string_view path) {
    const os::Handle file = machine.files.createFile(path, os::kGenericRead, os::kFileShareRead, os::kOpenExisting);
    if (!os::isValid(file)) return "(cannot open)";
    char buffer[64] = {};
    std::uint32_t read = 0;
    machine.files.readFile(file, buffer, sizeof buffer, &read);
    machine.files.closeFile(file);
    return std::string(buffer, read);
  }

  test_support::ScratchFolder scratch;
  sim::Machine machine;
};

TEST_F(MachineParts, MappedFolderFindsShippedFilesBeneathAndWritesIntoTheHostFolder) {
  EXPECT_TRUE(machine.files.exists(u"c:\\tools\\CFGPROBE64.SYS"));
  EXPECT_EQ(readThroughMachine(u"C:\\Tools\\Cfgprobe64.sys"), "driver");
  const os::Handle ini = machine.files.createFile(u"KB20.ini", os::kGenericWrite, 0, os::kCreateAlways);
  ASSERT_TRUE(os::isValid(ini));  // relative to the current directory, C:\Tools
  std::uint32_t written = 0;
  machine.files.writeFile(ini, "ini", 3, &written);
  machine.files.closeFile(ini);
  EXPECT_TRUE(fs::exists(scratch / "work" / "KB20.ini"));
  EXPECT_FALSE(fs::exists(scratch / "shipped" / "KB20.ini"));
  // A file of the same name in the host folder hides the shipped one.
  std::ofstream(scratch / "work" / "Cfgprobe64.sys") << "mine";
  EXPECT_EQ(readThroughMachine(u"C:\\Tools\\Cfgprobe64.sys"), "mine");
  // The rest of drive C is the machine's own.
  EXPECT_TRUE(machine.createFile(u"C:\\msinfo.txt"));
  EXPECT_TRUE(fs::exists(scratch / "machine" / "C" / "msinfo.txt"));
  EXPECT_FALSE(machine.files.exists(u"C:\\Toolsmith\\Cfgprobe64.sys"));
}

int OS_WINAPI answer() { return 7; }

// A loader standing in for the host's: one library, counted loads.
class CountingLoader final : public os::Modules {
 public:
  os::Handle loadLibrary(std::u16string_view name) override {
    if (name != u"Real.dll") {
      os::setLastError(os::kErrorModNotFound);
      return nullptr;
    }
    ++loads;
    return this;
  }
  os::ProcAddress getProcAddress(os::Handle, const char* name) override {
    return std::string_view(name) == "Answer" ? reinterpret_cast<os::ProcAddress>(&answer) : nullptr;
  }
  bool freeLibrary(os::Handle) override { return --loads >= 0; }
  int loads = 0;
};

TEST_F(MachineParts, LibrariesTheMachineDoesNotHoldLoadThroughTheFallback) {
  CountingLoader loader;
  EXPECT_EQ(machine.modules.loadLibrary(u"Real.dll"), nullptr);  // no fallback yet
  machine.modules.fallBackTo(&loader);
  const os::Handle real = machine.modules.loadLibrary(u"Real.dll");
  ASSERT_EQ(real, &loader);
  const auto entry = reinterpret_cast<int(OS_WINAPI*)()>(machine.modules.getProcAddress(real, "Answer"));
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry(), 7);
  EXPECT_TRUE(machine.modules.freeLibrary(real));
  EXPECT_EQ(loader.loads, 0);
  EXPECT_FALSE(machine.modules.freeLibrary(real));  // no longer loaded
  // The machine's own libraries still come first, and its load faults still count.
  EXPECT_NE(machine.modules.loadLibrary(u"KERNEL32.DLL"), nullptr);
  machine.modules.failLoads(u"Real.dll", 1, 1114);
  EXPECT_EQ(machine.modules.loadLibrary(u"Real.dll"), nullptr);
  EXPECT_EQ(os::lastError(), 1114u);
  EXPECT_NE(machine.modules.loadLibrary(u"Real.dll"), nullptr);
}

struct CategoryCase {
  const char* name;
  std::u16string categories;
  bool io, memory, problems;
};

class ReportCategories : public MachineParts, public ::testing::WithParamInterface<CategoryCase> {};

TEST_P(ReportCategories, OnlyTheSectionsAskedForAreWritten) {
  machine.systemInfoTool.resources.memory = {{0xF0000000, 0xF3FFFFFF, "PCI bus", "OK"}};
  ASSERT_EQ(machine.systemInfoTool.run(u"msinfo32.exe", {u"/categories", GetParam().categories, u"/report",
                                                         u"C:\\msinfo.txt"}),
            0);
  const std::string text = test_support::utf16File(scratch.path() / "machine" / "C" / "msinfo.txt");
  EXPECT_EQ(text.find("[I/O]") != std::string::npos, GetParam().io) << text;
  EXPECT_EQ(text.find("[Memory]") != std::string::npos, GetParam().memory) << text;
  EXPECT_EQ(text.find("[Problem Devices]") != std::string::npos, GetParam().problems) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Tool, ReportCategories,
    ::testing::Values(CategoryCase{"TheSearchs", u"+ResourcesIO+ResourcesMemory+ComponentsProblemDevices", true, true, true},
                      CategoryCase{"MemoryOnly", u"+resourcesmemory", false, true, false},
                      CategoryCase{"All", u"+all", true, true, true},
                      CategoryCase{"None", u"+SystemSummary", false, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MachineParts, ToolThatWritesNoReportStillEndsWithZero) {
  machine.systemInfoTool.writesNoFile = true;
  EXPECT_EQ(machine.systemInfoTool.run(u"msinfo32.exe", {u"/report", u"C:\\msinfo.txt"}), 0);
  EXPECT_FALSE(machine.files.exists(u"C:\\msinfo.txt"));
}

}  // namespace
