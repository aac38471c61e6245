// The simulated machines as a person meets them: profiles that are not valid,
// faults, the state folder, the access library missing from beside the tool, and
// the library loaded by a program that brings no machine of its own.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tests/support/tool_run.h"

namespace {

namespace fs = std::filesystem;
using namespace test_support;

fs::path tool() { return binFolder() / "spanfinder"; }

// A working PC: Windows 7 with the demo's KB20 board and nothing in its way.
std::string profile(const std::string& faults = "") {
  return R"({
  "description": "test machine",
  "windows": {"directory": "C:\\Windows", "version": "6.1", "language": "en"},
  "pci": [{"bus": 3, "device": 0, "function": 0,
           "config": {"0x00": "0x01021195", "0x94": "0x01021195", "0x10": "0xF2000000", "0x1C": "0x0000C001"}}],
  "resources": {
    "io": [{"start": "0xC000", "end": "0xFFFF", "device": "PCI bridge"},
           {"start": "0xC000", "end": "0xC0FF", "device": "KB20"}],
    "memory": [{"start": "0xF0000000", "end": "0xF3FFFFFF", "device": "PCI bus"},
               {"start": "0xF2000000", "end": "0xF2003FFF", "device": "KB20"}],
    "problemDevices": []
  })" + (faults.empty() ? "" : ",\n  \"faults\": " + faults) + "\n}\n";
}

class MachineCli : public ::testing::Test {
 protected:
  MachineCli() { fs::create_directories(work()); }
  fs::path work() const { return scratch_ / "work"; }
  fs::path state() const { return scratch_ / "state"; }
  std::string write(const std::string& name, const std::string& text) {
    std::ofstream(scratch_ / name, std::ios::binary) << text;
    return (scratch_ / name).string();
  }
  ToolRun search(const std::string& machine, const fs::path& program = tool()) {
    return runProgram(program, {"search", "--machine", machine, "--state", state().string()}, work());
  }
  bool workIsEmpty() const { return fs::is_empty(work()); }

  ScratchFolder scratch_;
};

struct BadProfile {
  const char* name;
  std::string json;
  const char* keyPath;  // as the error line names it
};

void PrintTo(const BadProfile& p, std::ostream* os) { *os << p.name; }

class BadProfiles : public MachineCli, public ::testing::WithParamInterface<BadProfile> {};

TEST_P(BadProfiles, AreRefusedWithTheFileAndKeyBeforeAnythingRuns) {
  const std::string file = write("machine.json", GetParam().json);
  const ToolRun run = search(file);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind("spanfinder: " + file + ": " + GetParam().keyPath, 0), 0u) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_TRUE(workIsEmpty());
  EXPECT_FALSE(fs::exists(state()));
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  text.replace(text.find(from), from.size(), to);
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, BadProfiles,
    ::testing::Values(
        BadProfile{"UnknownKey", replaced(profile(), "\"pci\"", "\"colour\": 1, \"pci\""), "colour"},
        BadProfile{"OffsetNotAMultipleOfFour", replaced(profile(), "\"0x94\"", "\"0x95\""), "pci[0].config.\"0x95\""},
        BadProfile{"AddressOfThirtyThreeBits", replaced(profile(), "0xF3FFFFFF", "0x1F3FFFFFF"),
                   "resources.memory[0].end"},
        BadProfile{"BusBeyond255", replaced(profile(), "\"bus\": 3", "\"bus\": 256"), "pci[0].bus"},
        BadProfile{"StartAboveEnd", replaced(profile(), "\"start\": \"0xC000\"", "\"start\": \"0x10000\""),
                   "resources.io[0]"},
        BadProfile{"LanguageOutsideTheTwo", replaced(profile(), "\"en\"", "\"fr\""), "windows.language"},
        BadProfile{"MissingWindows", replaced(profile(), "\"windows\"", "\"_windows\""), ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MachineCli, NoSuchProfileOrExampleIsABadArgument) {
  const ToolRun run = search("no-such-machine");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err.rfind("spanfinder: no-such-machine: ", 0), 0u) << run.err;
  EXPECT_TRUE(workIsEmpty());
}

struct FaultCase {
  const char* name;
  const char* faults;
  std::vector<std::string> stderrHas;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class MachineFaults : public MachineCli, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(MachineFaults, EndTheSearchWithTheProgramsMessageAndWriteNothing) {
  const ToolRun run = search(write("machine.json", profile(GetParam().faults)));
  EXPECT_EQ(run.status, 1) << run.out;
  for (const auto& text : GetParam().stderrHas) EXPECT_NE(run.err.find(text), std::string::npos) << run.err;
  EXPECT_TRUE(workIsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, MachineFaults,
    ::testing::Values(
        FaultCase{"DriverServiceThatWillNotStart", R"({"driverService": {"startError": 1275}})",
                  {"900: Failed to initialize application."}},
        FaultCase{"DriverFileMissing",
                  R"({"driverFileMissing": true})",
                  {"spanfinder: Cfgprobe64.Dll: 900: Failed to initialize application.\n",
                   "spanfinder: the access library did not start: KX_InitLibrary returned -2 (its access driver "
                   "Cfgprobe64.sys could not be installed or started): Cfgprobe64.sys is not in the current folder",
                   ": put Cfgprobe64.sys beside"}},
        FaultCase{"ReportToolEndsWithAnError", R"({"systemInfoTool": {"exitStatus": 3}})",
                  {"701: An error occurred during the execution of the command."}},
        FaultCase{"ReportToolWritesNoReport", R"({"systemInfoTool": {"writesNoFile": true}})",
                  {"502: Failed to get resource range."}}),
    [](const auto& info) { return std::string(info.param.name); });

// The error the service manager refused the driver's service with, as the library
// keeps it (KX_GetDriverServiceError): search explains its 900 with the same line
// controllers gives.
struct ServiceError {
  int error;
  const char* cause;
};

void PrintTo(const ServiceError& e, std::ostream* os) { *os << e.error; }

class DriverServiceErrors : public MachineCli, public ::testing::WithParamInterface<ServiceError> {};

TEST_P(DriverServiceErrors, GiveTheSameCauseAfterSearchAndControllers) {
  void* library = ::dlopen(CFGPROBE_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << ::dlerror();
  const bool exported = ::dlsym(library, "KX_GetDriverServiceError") != nullptr;
  ::dlclose(library);
  if (!exported) GTEST_SKIP() << "the access library does not export KX_GetDriverServiceError";
  const std::string machine =
      write("machine.json", profile(R"({"driverService": {"startError": )" + std::to_string(GetParam().error) + "}}"));
  const ToolRun searched = search(machine);
  const ToolRun listed = runProgram(tool(), {"controllers", "--machine", machine, "--state", state().string()}, work());
  EXPECT_EQ(searched.status, 1);
  EXPECT_EQ(listed.status, 1);
  const std::string why = "spanfinder: the access library did not start: KX_InitLibrary returned ";
  ASSERT_NE(listed.err.find(why), std::string::npos) << listed.err;
  const std::string line = listed.err.substr(listed.err.find(why));
  EXPECT_NE(line.find(GetParam().cause), std::string::npos) << line;
  EXPECT_NE(searched.err.find("900: Failed to initialize application.\n" + line), std::string::npos) << searched.err;
}

INSTANTIATE_TEST_SUITE_P(Errors, DriverServiceErrors,
                         ::testing::Values(ServiceError{5, "(error 5): not run as administrator"},
                                           ServiceError{577, "signature (error 577)"},
                                           ServiceError{1275, "by policy (error 1275)"},
                                           ServiceError{1058, "the service manager's error 1058"}),
                         [](const auto& info) { return "Error" + std::to_string(info.param.error); });

TEST_F(MachineCli, AccessLibraryMissingFromBesideTheToolShows900AndSaysWhichFile) {
  fs::create_directories(scratch_ / "bin");
  fs::copy_file(tool(), scratch_ / "bin" / "spanfinder");
  const ToolRun run = search("demo", scratch_ / "bin" / "spanfinder");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("900: Failed to initialize application."), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("libCfgprobe64.so"), std::string::npos) << run.err;
  EXPECT_TRUE(workIsEmpty());
}

TEST_F(MachineCli, StateFolderKeepsWhatARunLeftUntilReset) {
  ASSERT_EQ(search("demo").status, 0);
  ASSERT_TRUE(fs::exists(state() / "C" / "msinfo.txt"));
  std::ofstream(state() / "C" / "left-by-the-user.txt") << "kept";
  ASSERT_EQ(search("demo").status, 0);
  EXPECT_TRUE(fs::exists(state() / "C" / "left-by-the-user.txt"));
  const ToolRun reset =
      runProgram(tool(), {"search", "--machine", "demo", "--state", state().string(), "--reset"}, work());
  EXPECT_EQ(reset.status, 0) << reset.err;
  EXPECT_FALSE(fs::exists(state() / "C" / "left-by-the-user.txt"));
  EXPECT_TRUE(fs::exists(state() / "C" / "msinfo.txt"));  // written again by this run
}

TEST_F(MachineCli, DefaultStateFolderIsOnePerProfileUnderXdgStateHome) {
  const std::string file = write("my-pc.json", profile());
  const ToolRun run = runProgram(tool(), {"search", "--machine", file}, work(),
                                 {{"XDG_STATE_HOME", (scratch_ / "xdg").string()}});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> folders;
  for (const auto& e : fs::directory_iterator(scratch_ / "xdg" / "spanfinder")) folders.push_back(e.path().filename());
  ASSERT_EQ(folders.size(), 1u);
  EXPECT_EQ(folders[0].rfind("my-pc-", 0), 0u) << folders[0];
  EXPECT_TRUE(fs::exists(scratch_ / "xdg" / "spanfinder" / folders[0] / "C" / "msinfo.txt"));
}

TEST_F(MachineCli, MachinesListsEveryExampleWithItsDescription) {
  const ToolRun run = runProgram(tool(), {"machines"}, work());
  EXPECT_EQ(run.status, 0);
  const std::string lines = "\n" + run.out;
  for (const char* name : {"demo ", "ka10 ", "kb40 ", "no-board ", "japanese ", "report-tool-fails "})
    EXPECT_NE(lines.find(std::string("\n") + name), std::string::npos) << name << "\n" << run.out;
  EXPECT_NE(run.out.find("ten 0x600000 blocks"), std::string::npos) << run.out;
}

// The ten-line C program of the library's documentation.
struct ForeignProgram {
  const char* name;
  std::map<std::string, std::string> environment;
  const char* output;
};

void PrintTo(const ForeignProgram& p, std::ostream* os) { *os << p.name; }

class LibraryOnItsOwn : public MachineCli, public ::testing::WithParamInterface<ForeignProgram> {};

TEST_P(LibraryOnItsOwn, RunsOnTheMachineItsEnvironmentNames) {
  auto environment = GetParam().environment;
  environment["SPANFINDER_STATE"] = state().string();
  if (environment.count("SPANFINDER_MACHINE") && environment["SPANFINDER_MACHINE"] == "FILE")
    environment["SPANFINDER_MACHINE"] = write("machine.json", profile());
  const fs::path library = test_support::binFolder().parent_path() / "lib" / "libCfgprobe64.so";
  const ToolRun run =
      runProgram(test_support::binFolder() / "library_example", {library.string()}, work(), environment);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, GetParam().output);
  EXPECT_TRUE(workIsEmpty());  // the driver file lies beneath the working folder, not in it
  EXPECT_TRUE(fs::exists(state() / "machine-state.json"));  // kept for the next program when this one ended
}

INSTANTIATE_TEST_SUITE_P(
    Machines, LibraryOnItsOwn,
    ::testing::Values(
        ForeignProgram{"DemoMachineByDefault", {},
                       "KX_InitLibrary 1, KX_GetPCIConfig 1 (0xF2000000), KX_ExitLibrary 1\n"},
        ForeignProgram{"ProfileFile", {{"SPANFINDER_MACHINE", "FILE"}},
                       "KX_InitLibrary 1, KX_GetPCIConfig 1 (0xF2000000), KX_ExitLibrary 1\n"},
        ForeignProgram{"ExampleWithoutTheBoard", {{"SPANFINDER_MACHINE", "no-board"}},
                       "KX_InitLibrary 1, KX_GetPCIConfig 0 (0x00000000), KX_ExitLibrary 1\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MachineCli, LibraryCopiedWithoutItsMachineLibraryNamesIt) {
  fs::create_directories(scratch_ / "lib");
  const fs::path built = test_support::binFolder().parent_path() / "lib";
  fs::copy_file(built / "libCfgprobe64.so", scratch_ / "lib" / "libCfgprobe64.so");
  fs::copy_file(built / "libspanfinder_os.so", scratch_ / "lib" / "libspanfinder_os.so");
  const ToolRun run = runProgram(test_support::binFolder() / "library_example",
                                 {(scratch_ / "lib" / "libCfgprobe64.so").string()}, work(),
                                 {{"SPANFINDER_STATE", state()}});
  EXPECT_EQ(run.out.find("KX_InitLibrary 1,"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("spanfinder: " + (scratch_ / "lib" / "libspanfinder_standalone.so").string() +
                         " cannot be loaded"),
            std::string::npos)
      << run.err;
}

TEST_F(MachineCli, LibraryOnItsOwnWithABadProfileFailsToStartAndSaysWhy) {
  const fs::path library = test_support::binFolder().parent_path() / "lib" / "libCfgprobe64.so";
  const ToolRun run = runProgram(test_support::binFolder() / "library_example", {library.string()}, work(),
                                 {{"SPANFINDER_MACHINE", write("bad.json", "{")}, {"SPANFINDER_STATE", state()}});
  EXPECT_EQ(run.out.rfind("KX_InitLibrary ", 0), 0u);
  EXPECT_EQ(run.out.find("KX_InitLibrary 1,"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("spanfinder: SPANFINDER_MACHINE: "), std::string::npos) << run.err;
}

}  // namespace
