// The driver service calls one by one: the driver path, the process bitness, and
// ManageKXDriver's results over an existing, running or missing service.
#include <cstring>

#include "tests/cfgprobe/library_fixture.h"

namespace cfgprobe_test {
namespace {

class DriverService : public LibraryTest {
 protected:
  int manage(int action) {
    char name[] = "Cfgprobe64";
    char path[] = "C:\\Tools\\Cfgprobe64.sys";
    return library.ManageKXDriver(name, path, action);
  }
  void registerService(const char* imagePath) {
    sim::ServiceManager::Service s;
    s.name = s.displayName = "Cfgprobe64";
    s.imagePath = imagePath;
    machine().services.registerService(s);
  }

  OpenKXACS library;
};

struct PathCase {
  std::size_t folderLength;  // characters of the current directory
  bool fits;
};

void PrintTo(const PathCase& c, std::ostream* os) { *os << c.folderLength << " characters"; }

class DriverPath : public DriverService, public ::testing::WithParamInterface<PathCase> {};

// "\Cfgprobe64.sys" adds 15 characters; the whole path and its terminator must fit in 260.
TEST_P(DriverPath, FitsOrLeavesNoPathAtAll) {
  std::u16string folder = u"C:\\";
  folder += std::u16string(GetParam().folderLength - folder.size(), u'a');
  machine().facts.currentDirectory = folder;
  char buffer[kPathBufferSize];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(library.GetSysPath(buffer), GetParam().fits);
  if (GetParam().fits) {
    EXPECT_EQ(std::strlen(buffer), GetParam().folderLength + 15);
    EXPECT_STREQ(buffer + GetParam().folderLength, "\\Cfgprobe64.sys");
  } else {
    for (char c : buffer) ASSERT_EQ(c, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, DriverPath,
                         ::testing::Values(PathCase{8, true}, PathCase{244, true}, PathCase{245, false},
                                           PathCase{259, false}, PathCase{300, false}),
                         [](const auto& info) {
                           return "Folder" + std::to_string(info.param.folderLength) +
                                  (info.param.fits ? "Fits" : "DoesNotFit");
                         });

TEST_F(DriverService, PathIsTheCurrentFolderAndTheDriverFile) {
  char buffer[kPathBufferSize];
  ASSERT_TRUE(library.GetSysPath(buffer));
  EXPECT_STREQ(buffer, "C:\\Tools\\Cfgprobe64.sys");
  EXPECT_FALSE(library.GetSysPath(nullptr));
}

// A current folder that cannot be read leaves no path, rather than one that
// would install the driver from the root of the drive.
TEST_F(DriverService, UnreadableCurrentFolderLeavesNoPath) {
  machine().facts.currentDirectory = u"";
  char buffer[kPathBufferSize];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_FALSE(library.GetSysPath(buffer));
  for (char c : buffer) ASSERT_EQ(c, 0);
}

TEST_F(DriverService, TooLongCurrentFolderInstallsNothing) {
  machine().facts.currentDirectory = u"C:\\" + std::u16string(250, u'a');
  EXPECT_EQ(KX_InitLibrary(), -2);
  EXPECT_EQ(machine().services.history("Cfgprobe64").created, 0);
  EXPECT_FALSE(machine().services.find("Cfgprobe64"));
}

TEST_F(DriverService, TooLongCurrentFolderStillOpensADriverThatRuns) {
  registerService("C:\\Tools\\Cfgprobe64.sys");
  ASSERT_EQ(manage(1), 1);
  machine().facts.currentDirectory = u"C:\\" + std::u16string(250, u'a');
  EXPECT_EQ(KX_InitLibrary(), 1);
}

TEST_F(DriverService, InstallOverAnExistingServiceKeepsItsImagePath) {
  registerService("C:\\Tools\\Cfgprobe64.sys");
  char name[] = "Cfgprobe64";
  char otherPath[] = "C:\\Elsewhere\\Cfgprobe64.sys";
  EXPECT_EQ(library.ManageKXDriver(name, otherPath, 1), 1);
  EXPECT_EQ(machine().services.find("Cfgprobe64")->imagePath, "C:\\Tools\\Cfgprobe64.sys");
}

TEST_F(DriverService, StartOfARunningServiceSucceeds) {
  ASSERT_EQ(manage(1), 1);
  EXPECT_EQ(manage(1), 1);
  EXPECT_EQ(machine().services.history("Cfgprobe64").started, 1);
}

TEST_F(DriverService, StopAndRemoveResults) {
  struct Case {
    bool registered;
    bool wow64;
    int result;
  };
  for (const Case& c : {Case{true, false, 1}, Case{false, false, 252}, Case{false, true, 249}}) {
    if (c.registered) {
      ASSERT_EQ(manage(1), 1);
    }
    machine().bitness.wow64 = c.wow64;
    EXPECT_EQ(manage(2), c.result);
    EXPECT_FALSE(machine().services.find("Cfgprobe64"));
    EXPECT_FALSE(machine().devices.deviceExists("KxACS"));
  }
}

TEST_F(DriverService, UnknownActionOpensAndClosesTheDatabaseOnly) {
  EXPECT_EQ(manage(3), 0);
  EXPECT_EQ(machine().services.openHandles(), 0);
  EXPECT_EQ(machine().services.history("Cfgprobe64").created, 0);
}

TEST_F(DriverService, MissingArgumentsOrDatabaseGiveZero) {
  char name[] = "Cfgprobe64";
  EXPECT_EQ(library.ManageKXDriver(nullptr, name, 1), 0);
  EXPECT_EQ(library.ManageKXDriver(name, nullptr, 1), 0);
  machine().services.failOpenManager(os::kErrorAccessDenied);
  EXPECT_EQ(manage(1), 0);
  EXPECT_EQ(manage(2), 0);
}

TEST_F(DriverService, InstallFailsForErrorsOtherThanAnExistingService) {
  os::Services& scm = machine().services;
  const os::Handle readOnly = scm.openSCManagerA(nullptr, nullptr, 0x1);  // connect only
  EXPECT_EQ(library.InstallService(readOnly, "Cfgprobe64", "C:\\Tools\\Cfgprobe64.sys"), 0);
  scm.closeServiceHandle(readOnly);
}

TEST_F(DriverService, StartFailureOtherThanBadDriverLeavesLastError) {
  registerService("C:\\Tools\\Cfgprobe64.sys");
  machine().services.failStarts("Cfgprobe64", os::kErrorServiceDisabled);
  LastError = 7;
  os::Services& scm = machine().services;
  const os::Handle manager = scm.openSCManagerA(nullptr, nullptr, os::kScManagerAllAccess);
  EXPECT_FALSE(library.StartKXDriver(manager, "Cfgprobe64"));
  EXPECT_EQ(KX_GetLastError(), 7);
  EXPECT_FALSE(library.StartKXDriver(manager, "Missing"));
  EXPECT_FALSE(library.StopKXDriver(manager, "Missing"));
  EXPECT_FALSE(library.RemoveKXDriver(manager, "Missing"));
  scm.closeServiceHandle(manager);
  EXPECT_EQ(machine().services.openHandles(), 0);
}

struct BitnessCase {
  const char* name;
  bool kernel32;
  bool wow64;
  std::uint32_t callFailure;
  int result;
  int flag;
};

void PrintTo(const BitnessCase& c, std::ostream* os) { *os << c.name; }

class Bitness : public LibraryTest, public ::testing::WithParamInterface<BitnessCase> {};

TEST_P(Bitness, Is64WinReportsWow64Only) {
  const BitnessCase& c = GetParam();
  if (!c.kernel32) machine().modules.remove(u"kernel32.dll");
  machine().bitness.wow64 = c.wow64;
  machine().bitness.callFailure = c.callFailure;
  CKXACS library;
  int flag = 5;
  EXPECT_EQ(library.Is64Win(&flag), c.result);
  EXPECT_EQ(flag, c.flag);
  EXPECT_EQ(machine().modules.loadedNow(u"kernel32.dll"), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, Bitness,
                         ::testing::Values(BitnessCase{"NoKernel32", false, false, 0, 0, 0},
                                           BitnessCase{"Native", true, false, 0, 1, 0},
                                           BitnessCase{"Wow64", true, true, 0, 1, 1},
                                           BitnessCase{"CallFails", true, true, os::kErrorAccessDenied, 1, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace cfgprobe_test
