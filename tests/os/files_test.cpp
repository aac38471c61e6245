// The file rules the analysis relies on and the contract of every call, checked on
// both native file back ends: the host file system and a simulated drive.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <cstring>
#include <memory>
#include <ostream>
#include <tuple>
#include <unistd.h>

#include "os/posix/host.h"
#include "sim/machine.h"
#include "tests/os/file_contract.h"

namespace file_contract {
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }
}  // namespace file_contract

namespace {

namespace fs = std::filesystem;

// A fresh simulated machine (its drive C: in a folder of the host) for each test,
// and the files of either back end; Param tells which.
template <class Param>
class OnBothBackends : public ::testing::TestWithParam<Param> {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("spanfinder-files-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    machine_ = std::make_unique<sim::Machine>(root_);
    machine_->facts.currentDirectory = u"C:\\";
  }
  void TearDown() override { fs::remove_all(root_); }

  virtual bool simulated() const = 0;
  os::Files& files() { return simulated() ? static_cast<os::Files&>(machine_->files) : os::hostFiles(); }
  std::u16string path(const std::string& name) {
    if (simulated()) return u"C:\\" + std::u16string(name.begin(), name.end());
    const std::string host = (root_ / "C" / name).string();
    return std::u16string(host.begin(), host.end());
  }

  fs::path root_;
  std::unique_ptr<sim::Machine> machine_;
};

std::string backendName(bool simulated) { return simulated ? "SimulatedDrive" : "Host"; }

class FileRules : public OnBothBackends<bool> {
 protected:
  bool simulated() const override { return GetParam(); }
};

TEST_P(FileRules, ExclusiveOpenBlocksASecondOpenUntilClosed) {
  const os::Handle first = files().createFile(path("a.txt"), os::kGenericRead | os::kGenericWrite, 0, os::kCreateAlways);
  ASSERT_TRUE(os::isValid(first));
  EXPECT_FALSE(os::isValid(files().createFile(path("a.txt"), os::kGenericRead, 0, os::kOpenExisting)));
  EXPECT_EQ(os::lastError(), os::kErrorSharingViolation);
  ASSERT_TRUE(files().closeFile(first));
  const os::Handle again = files().createFile(path("a.txt"), os::kGenericRead, 0, os::kOpenExisting);
  EXPECT_TRUE(os::isValid(again));
  files().closeFile(again);
}

TEST_P(FileRules, MissingFileAndMissingFolderAreDifferentErrors) {
  EXPECT_FALSE(os::isValid(files().createFile(path("none.txt"), os::kGenericRead, 0, os::kOpenExisting)));
  EXPECT_EQ(os::lastError(), os::kErrorFileNotFound);
  EXPECT_FALSE(os::isValid(files().createFile(path("nodir/none.txt"), os::kGenericRead, 0, os::kCreateAlways)));
  EXPECT_EQ(os::lastError(), os::kErrorPathNotFound);
}

TEST_P(FileRules, PathsOfMaxPathCharactersDoNotOpen) {
  std::u16string longPath = path("");
  longPath.append(os::kMaxPath - longPath.size(), u'x');
  EXPECT_FALSE(os::isValid(files().createFile(longPath, os::kGenericWrite, 0, os::kCreateAlways)));
  EXPECT_EQ(os::lastError(), os::kErrorPathNotFound);
}

TEST_P(FileRules, CreateAlwaysEmptiesAndAppendGoesToTheEnd) {
  const std::u16string p = path("b.txt");
  for (const char* text : {"first-long-text", "ab"}) {
    const os::Handle h = files().createFile(p, os::kGenericRead | os::kGenericWrite, 0, os::kCreateAlways);
    ASSERT_TRUE(os::isValid(h));
    std::uint32_t n = 0;
    ASSERT_TRUE(files().writeFile(h, text, static_cast<std::uint32_t>(std::strlen(text)), &n));
    files().closeFile(h);
  }
  const os::Handle h = files().createFile(p, os::kGenericRead | os::kGenericWrite, 0, os::kOpenExisting);
  ASSERT_TRUE(files().seekToEnd(h));
  std::uint32_t n = 0;
  ASSERT_TRUE(files().writeFile(h, "cd", 2, &n));
  std::uint64_t size = 0;
  ASSERT_TRUE(files().fileSize(h, &size));
  EXPECT_EQ(size, 4u);
  files().closeFile(h);
}

INSTANTIATE_TEST_SUITE_P(Backends, FileRules, ::testing::Values(false, true),
                         [](const auto& info) { return backendName(info.param); });

// The table the Windows checks run on the Win32 back end as well.
class FileContract : public OnBothBackends<std::tuple<bool, file_contract::Case>> {
 protected:
  bool simulated() const override { return std::get<0>(GetParam()); }
};

TEST_P(FileContract, EveryCallKeepsItsContract) {
  std::u16string folder = path("");
  folder.pop_back();  // the separator
  EXPECT_EQ(file_contract::run(files(), folder, std::get<1>(GetParam())), "");
}

INSTANTIATE_TEST_SUITE_P(Backends, FileContract,
                         ::testing::Combine(::testing::Values(false, true),
                                            ::testing::ValuesIn(file_contract::cases().begin(),
                                                                file_contract::cases().end())),
                         [](const auto& info) {
                           return backendName(std::get<0>(info.param)) + "_" + std::get<1>(info.param).name;
                         });

TEST(SimulatedDrive, ResolvesCaseInsensitivelyAndAgainstTheCurrentDirectory) {
  const fs::path root = fs::temp_directory_path() / ("spanfinder-drive-" + std::to_string(::getpid()));
  fs::remove_all(root);
  sim::Machine machine(root);
  fs::create_directories(root / "C" / "Tools");
  std::ofstream(root / "C" / "Tools" / "Report.TXT") << "x";
  machine.facts.currentDirectory = u"c:\\tools";
  EXPECT_TRUE(machine.files.exists(u"C:\\TOOLS\\report.txt"));
  EXPECT_TRUE(machine.files.exists(u"report.txt"));
  EXPECT_FALSE(machine.files.exists(u"D:\\report.txt"));
  machine.files.failOpen(u"C:\\Tools\\Report.txt", os::kErrorAccessDenied);
  EXPECT_FALSE(os::isValid(machine.files.createFile(u"report.txt", os::kGenericRead, 0, os::kOpenExisting)));
  EXPECT_EQ(os::lastError(), os::kErrorAccessDenied);
  fs::remove_all(root);
}

}  // namespace
