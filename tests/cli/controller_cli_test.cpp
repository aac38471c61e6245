// The SiI3132 commands end to end on the built tool and the demo machine: the
// listing in text and JSON, BIOS images written in one run and read in the next,
// compare, erase, the version and date of a chip and of a file, link-speed limits,
// and what each refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/tool_run.h"

namespace {

namespace fs = std::filesystem;
using test_support::ToolRun;

// A 128 KiB image with its version and date texts where bytes 0x22 and 0x24 lead.
std::string image(const std::string& version, const std::string& date, char fill = 'x') {
  std::string bytes(131072, fill);
  bytes[0x22] = 0x50;
  bytes[0x24] = 0x60;
  bytes.replace(0x50, version.size(), version);
  bytes.replace(0x60, date.size(), date);
  return bytes;
}

class ControllerCli : public ::testing::Test {
 protected:
  ControllerCli() { fs::create_directories(work()); }
  fs::path work() const { return scratch_ / "work"; }
  // The tool on the demo machine, whose state lives in the test's folder.
  ToolRun run(std::vector<std::string> args) {
    args.insert(args.end(), {"--state", (scratch_ / "state").string()});
    return plain(args);
  }
  ToolRun plain(const std::vector<std::string>& args) {
    return test_support::runProgram(test_support::binFolder() / "spanfinder", args, work());
  }
  void write(const std::string& name, const std::string& bytes) {
    std::ofstream(work() / name, std::ios::binary) << bytes;
  }
  std::string read(const std::string& name) const { return test_support::slurp(work() / name); }

  test_support::ScratchFolder scratch_;
};

TEST_F(ControllerCli, DemoMachineListsItsControllerInTextAndJson) {
  const ToolRun text = run({"controllers"});
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out,
            "controller 1: bus 4, device 0, function 0\n"
            "  flash ID:     0xBFB5\n"
            "  link speed:   port 0 no limit, port 1 no limit\n"
            "  stored limit: port 0 no limit, port 1 no limit (from the controller's next start)\n"
            "  description:  Silicon Image SiI 3132 SATALink Controller\n"
            "  BIOS:         7.3.15, 10/27/2010\n");
  EXPECT_EQ(text.err, "");

  const ToolRun json = run({"controllers", "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  const auto listed = nlohmann::json::parse(json.out);
  ASSERT_EQ(listed.at("controllers").size(), 1u);
  const auto& c = listed["controllers"][0];
  EXPECT_EQ(c.at("index"), 1);
  EXPECT_EQ(c.at("bus"), 4);
  EXPECT_EQ(c.at("device"), 0);
  EXPECT_EQ(c.at("function"), 0);
  EXPECT_EQ(c.at("flashId"), "0xBFB5");
  EXPECT_EQ(c.at("port0Speed"), 0);
  EXPECT_EQ(c.at("port1Speed"), 0);
  EXPECT_EQ(c.at("description"), "Silicon Image SiI 3132 SATALink Controller");
  EXPECT_EQ(c.at("bios").at("version"), "7.3.15");
  EXPECT_EQ(c.at("bios").at("date"), "10/27/2010");

  const ToolRun none = run({"controllers", "--machine", "kb40", "--json"});
  EXPECT_EQ(none.status, 0) << none.err;
  EXPECT_EQ(nlohmann::json::parse(none.out), nlohmann::json::parse(R"({"controllers": []})"));
}

TEST_F(ControllerCli, ImageWrittenInOneRunIsReadBackInTheNextUntilTheMachineIsReset) {
  const std::string written = image("8.1.02", "01/15/2012");
  write("new.bin", written);
  const ToolRun w = run({"bios", "write", "1", "new.bin"});
  ASSERT_EQ(w.status, 0) << w.err;
  EXPECT_NE(w.out.find("writing: 100%\ncontroller 1: new.bin written into the chip\n"), std::string::npos) << w.out;
  EXPECT_NE(w.out.find("verifying: 100%\ncontroller 1: the chip holds the image of new.bin\n"), std::string::npos)
      << w.out;

  const ToolRun r = run({"bios", "read", "1", "back.bin"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "reading: 25%\nreading: 50%\nreading: 75%\nreading: 100%\n"
            "controller 1: the BIOS image (131072 bytes) read into back.bin\n");
  EXPECT_TRUE(read("back.bin") == written);
  EXPECT_FALSE(fs::exists(work() / "back.bin.part"));

  const ToolRun info = run({"bios", "info", "1"});
  EXPECT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("BIOS:         8.1.02, 01/15/2012"), std::string::npos) << info.out;

  const ToolRun reset = run({"bios", "info", "1", "--reset"});
  EXPECT_NE(reset.out.find("BIOS:         7.3.15, 10/27/2010"), std::string::npos) << reset.out;
}

TEST_F(ControllerCli, FileOutsideTheWorkingFolderIsReachedToo) {
  const fs::path outside = scratch_ / "elsewhere" / "chip.bin";
  fs::create_directories(outside.parent_path());
  const ToolRun r = run({"bios", "read", "1", outside.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  const ToolRun file = plain({"bios", "file-info", outside.string()});
  EXPECT_EQ(file.status, 0) << file.err;
  EXPECT_EQ(file.out, outside.string() + ": BIOS 7.3.15, 10/27/2010\n");
}

TEST_F(ControllerCli, CompareWithAnotherImageFailsWithTheCode) {
  write("other.bin", image("7.3.15", "10/27/2010"));
  const ToolRun c = run({"bios", "compare", "1", "other.bin"});
  EXPECT_EQ(c.status, 1);
  EXPECT_EQ(c.err, "spanfinder: bios compare: controller 1: -205 (the chip differs from the file)\n");

  ASSERT_EQ(run({"bios", "read", "1", "same.bin"}).status, 0);
  const ToolRun same = run({"bios", "compare", "1", "same.bin"});
  EXPECT_EQ(same.status, 0) << same.err;
  EXPECT_NE(same.out.find("controller 1: the chip holds the image of same.bin"), std::string::npos);
}

TEST_F(ControllerCli, ReadNeverReplacesAFileUnlessForcedAndNeverHalfWay) {
  write("kept.bin", "an earlier image");
  const ToolRun refused = run({"bios", "read", "1", "kept.bin"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.err, "spanfinder: bios read: kept.bin: exists already; --force replaces it\n");
  EXPECT_EQ(read("kept.bin"), "an earlier image");

  // The read itself fails (its file cannot be created): the file stays as it was.
  fs::create_directories(work() / "kept.bin.part");
  const ToolRun failed = run({"bios", "read", "1", "kept.bin", "--force"});
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.err, "spanfinder: bios read: controller 1: -203 (the file cannot be created or opened)\n");
  EXPECT_EQ(read("kept.bin"), "an earlier image");
  fs::remove(work() / "kept.bin.part");

  const ToolRun forced = run({"bios", "read", "1", "kept.bin", "--force"});
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_EQ(read("kept.bin").size(), 131072u);
}

TEST_F(ControllerCli, ErasedChipHasNoImageButStillItsSpeedsAndDescription) {
  const ToolRun erase = run({"bios", "erase", "1"});
  EXPECT_EQ(erase.status, 0) << erase.err;
  EXPECT_EQ(erase.out, "controller 1: the chip is erased\n");
  const ToolRun info = run({"bios", "info", "1"});
  EXPECT_EQ(info.status, 1);
  EXPECT_EQ(info.out,
            "controller 1:\n  BIOS:         none (blank chip)\n  link speed:   port 0 no limit, port 1 no limit\n"
            "  description:  Silicon Image SiI 3132 SATALink Controller\n");
  EXPECT_EQ(info.err,
            "spanfinder: bios info: controller 1: -151 (the chip holds no image: both pointer bytes (0x22, 0x24) are "
            "0xFF)\n");

  ASSERT_EQ(run({"bios", "read", "1", "blank.bin"}).status, 0);
  EXPECT_EQ(read("blank.bin"), std::string(131072, '\xFF'));
  const ToolRun file = plain({"bios", "file-info", "blank.bin"});
  EXPECT_EQ(file.status, 1);
  EXPECT_NE(file.err.find("spanfinder: bios file-info: blank.bin: -151"), std::string::npos) << file.err;
}

TEST_F(ControllerCli, WriteOfAFileItCannotUseLeavesTheChipAlone) {
  write("huge.bin", std::string(131073, 'x'));
  const ToolRun huge = run({"bios", "write", "1", "huge.bin"});
  EXPECT_EQ(huge.status, 2);
  EXPECT_EQ(huge.err, "spanfinder: bios write: huge.bin: 131073 bytes, more than the 131072 of the flash chip\n");
  const ToolRun missing = run({"bios", "write", "1", "missing.bin"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err, "spanfinder: bios write: missing.bin: cannot be read\n");
  EXPECT_NE(run({"bios", "info", "1"}).out.find("7.3.15, 10/27/2010"), std::string::npos);
}

// A limit is stored for the controller's next start; the SControl registers keep
// the one in effect until then, and the listing shows both.
TEST_F(ControllerCli, LinkSpeedLimitIsStoredAndMarksTheDescriptionFromTheNextRunAndNoLimitRemovesIt) {
  const ToolRun set = run({"link-speed", "1", "1", "0"});
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_NE(set.out.find("port 0 1.5 Gbps, port 1 no limit"), std::string::npos) << set.out;
  const ToolRun listed = run({"controllers"});
  EXPECT_NE(listed.out.find("  link speed:   port 0 no limit, port 1 no limit\n"
                            "  stored limit: port 0 1.5 Gbps, port 1 no limit (from the controller's next start)\n"
                            "  description:  Silicon Image SiI 3132 SATALink Controller(1.5Gbps Driver)\n"),
            std::string::npos)
      << listed.out;
  const auto json = nlohmann::json::parse(run({"controllers", "--json"}).out)["controllers"][0];
  EXPECT_EQ(json["port0Speed"], 0);
  EXPECT_EQ(json["storedLimits"], nlohmann::json::parse(R"({"port0": 1, "port1": 0})"));
  ASSERT_EQ(run({"link-speed", "1", "0", "0"}).status, 0);
  EXPECT_NE(run({"controllers"}).out.find("description:  Silicon Image SiI 3132 SATALink Controller\n"),
            std::string::npos);
}

struct BadArguments {
  const char* name;
  std::vector<std::string> args;
  int status;
  const char* errorStart;
};

void PrintTo(const BadArguments& c, std::ostream* os) { *os << c.name; }

class BadControllerArguments : public ControllerCli, public ::testing::WithParamInterface<BadArguments> {};

TEST_P(BadControllerArguments, AreRefusedWithOneLine) {
  const ToolRun r = run(GetParam().args);
  EXPECT_EQ(r.status, GetParam().status);
  EXPECT_EQ(r.err.rfind(GetParam().errorStart, 0), 0u) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cli, BadControllerArguments,
    ::testing::Values(BadArguments{"IndexZero", {"bios", "info", "0"}, 2, "spanfinder: INDEX: Value 0 not in range"},
                      BadArguments{"IndexSeventeen", {"bios", "erase", "17"}, 2, "spanfinder: INDEX: Value 17"},
                      BadArguments{"IndexNotANumber", {"bios", "info", "one"}, 2, "spanfinder: INDEX: Value one"},
                      BadArguments{"IndexWithoutController",
                                   {"bios", "info", "2"},
                                   1,
                                   "spanfinder: bios info: controller 2: -105 (no controller at this index)"},
                      BadArguments{"LimitThree", {"link-speed", "1", "3", "0"}, 2, "spanfinder: PORT0: Value 3"},
                      BadArguments{"NoFile", {"bios", "read", "1"}, 2, "spanfinder: FILE is required"},
                      BadArguments{"NoOperation", {"bios"}, 2, "spanfinder: "}));

TEST_F(ControllerCli, ProfileWithAFaultyControllerIsRefusedWithItsKeyPath) {
  std::ofstream(scratch_ / "pc.json") << R"({"windows": {"directory": "C:\\Windows", "version": "6.1",
    "language": "en"}, "pci": [], "resources": {"io": [], "memory": [], "problemDevices": []},
    "controllers": [{"bus": 4, "device": 0, "function": 0, "globalRegisters": "0xF7C08000",
    "portRegisters": "0xF7C00000", "flash": {"manufacturer": "0x1BF"}}]})";
  const std::string file = (scratch_ / "pc.json").string();
  const ToolRun r = run({"controllers", "--machine", file});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err,
            "spanfinder: " + file + ": controllers[0].flash.manufacturer: must fit in 8 bits (\"0x00\" to \"0xFF\")\n");
  EXPECT_EQ(r.out, "");
}

TEST_F(ControllerCli, LibraryThatCannotStartAndStateThatIsNotValidEndTheCommand) {
  std::ofstream(scratch_ / "nodriver.json") << R"({"windows": {"directory": "C:\\Windows", "version": "6.1",
    "language": "en"}, "pci": [], "resources": {"io": [], "memory": [], "problemDevices": []},
    "faults": {"driverFileMissing": true}})";
  const ToolRun noDriver = run({"controllers", "--machine", (scratch_ / "nodriver.json").string()});
  EXPECT_EQ(noDriver.status, 1);
  EXPECT_EQ(noDriver.err.rfind("spanfinder: the access library did not start: KX_InitLibrary returned -2", 0), 0u)
      << noDriver.err;

  ASSERT_EQ(run({"bios", "erase", "1"}).status, 0);
  const fs::path state = scratch_ / "state" / "machine-state.json";
  std::ofstream(state, std::ios::binary) << "{\"format\": 1,";
  const ToolRun refused = run({"bios", "info", "1"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.err.rfind("spanfinder: " + state.string() + ": not a machine state this tool wrote", 0), 0u)
      << refused.err;
  EXPECT_EQ(test_support::slurp(state), "{\"format\": 1,");
  const ToolRun reset = run({"bios", "info", "1", "--reset"});
  EXPECT_EQ(reset.status, 0) << reset.err;
}

}  // namespace
