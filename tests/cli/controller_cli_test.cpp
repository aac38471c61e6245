// The SiI3132 commands end to end on the built tool and the demo machine: the
// listing in text and JSON, BIOS images written in one run and read in the next,
// compare, erase, the version and date of a chip and of a file, link-speed limits,
// and what each refuses: a write of anything but an option ROM for the controller,
// an erase not confirmed; and the backup kept before either touches the chip.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <numeric>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/tool_run.h"

namespace {

namespace fs = std::filesystem;
using test_support::ToolRun;

constexpr std::size_t kRomBytes = 0x8000;

// Sets the last byte of the first length bytes so that they add up to 0 modulo 256.
void checksummed(std::string& bytes, std::size_t length = kRomBytes) {
  const unsigned sum = std::accumulate(bytes.begin(), bytes.begin() + static_cast<long>(length) - 1, 0u,
                                       [](unsigned total, char c) { return total + static_cast<unsigned char>(c); });
  bytes[length - 1] = static_cast<char>(0x100 - sum % 256);
}

// A 128 KiB chip's worth: a 32 KiB option ROM for the SiI3132 (0x55 0xAA, 64 units
// of 512 bytes, the pointer at 0x18 to "PCIR" at 0x1C0 with vendor 0x1095 and
// device 0x3132, its bytes adding up to 0) with its version and date texts where
// bytes 0x22 and 0x24 lead; the rest erased.
std::string image(const std::string& version, const std::string& date, char fill = 'x') {
  std::string bytes(131072, '\xFF');
  std::fill_n(bytes.begin(), kRomBytes, fill);
  bytes.replace(0, 3, "\x55\xAA\x40");
  bytes.replace(0x18, 2, "\xC0\x01");
  bytes.replace(0x1C0, 8, std::string("PCIR\x95\x10\x32\x31", 8));
  bytes[0x22] = 0x50;
  bytes[0x24] = 0x60;
  bytes.replace(0x50, version.size(), version);
  bytes.replace(0x60, date.size(), date);
  checksummed(bytes);
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
  // What the chip holds now, read by the tool into a file of its own.
  std::string chip() {
    const ToolRun r = run({"bios", "read", "1", "chip-now.bin", "--force"});
    EXPECT_EQ(r.status, 0) << r.err;
    return read("chip-now.bin");
  }
  // The backup files in the working folder.
  std::vector<std::string> backups() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(work()))
      if (entry.path().filename().string().rfind("controller-", 0) == 0) names.push_back(entry.path().filename());
    return names;
  }

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
  EXPECT_EQ(file.out, outside.string() + ": BIOS 7.3.15, 10/27/2010\n" + outside.string() +
                          ": a BIOS for the SiI3132 controller\n");
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
  const ToolRun erase = run({"bios", "erase", "1", "--yes", "--no-backup"});
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

struct BadImage {
  const char* name;
  std::string bytes;
  const char* rule;  // the first rule the file breaks, as the tool words it
};

void PrintTo(const BadImage& c, std::ostream* os) { *os << c.name; }

BadImage mutated(const char* name, const char* rule, const std::function<void(std::string&)>& change) {
  std::string bytes = image("8.1.02", "01/15/2012");
  change(bytes);
  return {name, bytes, rule};
}

class RefusedImage : public ControllerCli, public ::testing::WithParamInterface<BadImage> {};

// Refused before the library starts, naming the file and the rule: no backup is
// made and the chip holds what it held, byte for byte; file-info names the same rule.
TEST_P(RefusedImage, IsNotWrittenAndFileInfoSaysWhy) {
  const std::string before = chip();
  write("bad.bin", GetParam().bytes);
  const ToolRun w = run({"bios", "write", "1", "bad.bin"});
  EXPECT_EQ(w.status, 2);
  EXPECT_EQ(w.err, std::string("spanfinder: bios write: bad.bin: not a BIOS for the SiI3132 controller: ") +
                       GetParam().rule + "; nothing written (--force writes it anyway)\n");
  EXPECT_EQ(w.out, "");
  EXPECT_TRUE(backups().empty());
  EXPECT_TRUE(chip() == before);

  const ToolRun info = plain({"bios", "file-info", "bad.bin"});
  EXPECT_EQ(info.status, 1);
  EXPECT_NE(info.err.find(std::string("spanfinder: bios file-info: bad.bin: not a BIOS for the SiI3132 controller: ") +
                          GetParam().rule + "\n"),
            std::string::npos)
      << info.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cli, RefusedImage,
    ::testing::Values(
        BadImage{"TextFile", "root:x:0:0:root:/root:/bin/bash\n", "no 0x55 0xAA at offset 0"},
        mutated("NoSignature", "no 0x55 0xAA at offset 0", [](std::string& b) { b.replace(0, 2, "\xAA\x55"); }),
        mutated("BadChecksum", "the 32768 bytes of the image add up to 0x01 modulo 256, not 0 (bad checksum)",
                [](std::string& b) { b[0x4000] = static_cast<char>(b[0x4000] + 1); }),
        mutated("PointerOutsideTheFile", "the pointer at 0x18 (0x9000) leads outside the 32768-byte image",
                [](std::string& b) {
                  b.resize(kRomBytes);
                  b.replace(0x18, 2, "\x00\x90", 2);
                  checksummed(b);
                }),
        mutated("PointerToTheLastBytes", "the pointer at 0x18 (0x7FFA) leads outside the 32768-byte image",
                [](std::string& b) {
                  b.replace(0x18, 2, "\xFA\x7F");
                  checksummed(b);
                }),
        mutated("NoDataStructure", "no \"PCIR\" at 0x01C0, where the pointer at 0x18 leads",
                [](std::string& b) {
                  b[0x1C3] = 'X';
                  checksummed(b);
                }),
        mutated("AnotherDevice",
                "its PCI data structure names vendor 0x1095, device 0x3112, not the SiI3132 (vendor 0x1095, "
                "device 0x3132)",
                [](std::string& b) {
                  b[0x1C6] = 0x12;
                  checksummed(b);
                }),
        mutated("ImageLongerThanTheFile", "an image length of 32768 bytes (offset 2), longer than the file's 16384",
                [](std::string& b) { b.resize(0x4000); }),
        mutated("LengthZero", "an image length of 0 (offset 2)", [](std::string& b) { b[2] = 0; })));

// Before the write the chip is read whole into controller-B-D-F-YYYYMMDD-HHMMSS.bin,
// which the tool names; writing that file back gives the chip its image again.
TEST_F(ControllerCli, WriteKeepsTheChipsImageWhichWritesItBack) {
  const std::string before = chip();
  const std::string written = image("8.1.02", "01/15/2012");
  write("new.bin", written);
  const ToolRun w = run({"bios", "write", "1", "new.bin"});
  ASSERT_EQ(w.status, 0) << w.err;
  std::smatch kept;
  ASSERT_TRUE(std::regex_search(w.out, kept,
                                std::regex("reading: 100%\ncontroller 1: the chip's image \\(131072 bytes\\) kept in "
                                           "(controller-4-0-0-20[0-9]{6}-[0-9]{6}\\.bin)\nwriting: 25%")))
      << w.out;
  const std::string backup = kept[1];
  EXPECT_EQ(backups(), std::vector<std::string>{backup});
  EXPECT_TRUE(read(backup) == before);
  EXPECT_TRUE(chip() == written);

  // The backup is itself a BIOS for the controller: written back as it is.
  const ToolRun back = run({"bios", "write", "1", backup, "--backup", "second.bin"});
  ASSERT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(back.err, "");
  EXPECT_TRUE(chip() == before);
  EXPECT_TRUE(read("second.bin") == written);

  // A backup file is never replaced: a named one refuses the command, a default
  // name taken in the same second gets a number.
  const ToolRun named = run({"bios", "write", "1", "new.bin", "--backup", "second.bin"});
  EXPECT_EQ(named.status, 2);
  EXPECT_EQ(named.err, "spanfinder: bios write: second.bin: exists already; a backup never replaces a file\n");
  EXPECT_TRUE(read("second.bin") == written);
  EXPECT_TRUE(chip() == before);
}

// The read of the backup fails (its folder is not there, or is a file): the chip
// is not erased, by a write or an erase, and no part of a backup is left.
TEST_F(ControllerCli, BackupThatCannotBeWrittenLeavesTheChipAlone) {
  const std::string before = chip();
  write("new.bin", image("8.1.02", "01/15/2012"));
  write("plain.txt", "a file, not a folder");
  for (const std::string backup : {"missing/backup.bin", "plain.txt/backup.bin"})
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"bios", "write", "1", "new.bin", "--backup", backup},
          std::vector<std::string>{"bios", "erase", "1", "--yes", "--backup", backup}}) {
      const ToolRun r = run(command);
      EXPECT_EQ(r.status, 1) << backup;
      EXPECT_NE(r.err.find(command[1] + ": controller 1: -203"), std::string::npos) << r.err;
      EXPECT_NE(r.err.find("spanfinder: bios " + command[1] + ": controller 1: no backup of the chip in " + backup +
                           ", so nothing was erased (--no-backup goes on without one)\n"),
                std::string::npos)
          << r.err;
      EXPECT_EQ(r.out.find("kept in"), std::string::npos) << r.out;
    }
  EXPECT_TRUE(chip() == before);
  EXPECT_FALSE(fs::exists(work() / "missing"));
  EXPECT_EQ(read("plain.txt"), "a file, not a folder");
}

// --force writes what is not a BIOS for the controller and says what it overrode;
// --no-backup keeps no file; an erase needs --yes and says first what it destroys.
TEST_F(ControllerCli, ForceNoBackupAndYesDoWhatTheySay) {
  const std::string text = "root:x:0:0:root:/root:/bin/bash\n";
  write("passwd", text);
  const ToolRun forced = run({"bios", "write", "1", "passwd", "--force", "--no-backup"});
  ASSERT_EQ(forced.status, 0) << forced.err;
  EXPECT_EQ(forced.err,
            "spanfinder: bios write: passwd: not a BIOS for the SiI3132 controller: no 0x55 0xAA at offset 0; "
            "written anyway, as --force asks\n");
  EXPECT_EQ(forced.out.find("kept in"), std::string::npos) << forced.out;
  EXPECT_TRUE(backups().empty());
  std::string expected = text + std::string(131072 - text.size(), '\xFF');
  EXPECT_TRUE(chip() == expected);

  const ToolRun unconfirmed = run({"bios", "erase", "1"});
  EXPECT_EQ(unconfirmed.status, 2);
  EXPECT_EQ(unconfirmed.err,
            "spanfinder: bios erase: controller 1: erasing sets all 131072 bytes of its flash chip to 0xFF, destroying "
            "the BIOS it holds, and the controller has no boot ROM until one is written; --yes erases it (keeping a "
            "backup first unless --no-backup)\n");
  EXPECT_TRUE(chip() == expected);

  const ToolRun erased = run({"bios", "erase", "1", "--yes"});
  ASSERT_EQ(erased.status, 0) << erased.err;
  ASSERT_EQ(backups().size(), 1u);
  EXPECT_TRUE(read(backups()[0]) == expected);
  EXPECT_TRUE(chip() == std::string(131072, '\xFF'));

  const ToolRun both = run({"bios", "erase", "1", "--yes", "--no-backup", "--backup", "b.bin"});
  EXPECT_EQ(both.status, 2);
  EXPECT_EQ(both.err, "spanfinder: --backup excludes --no-backup\n");
}

// A chip that erases more slowly than the library waits: the write after the erase
// fails, and the tool names the command that writes the kept image back on the same
// machine, with --force when the kept image is a blank chip's.
TEST_F(ControllerCli, FailedWriteTellsHowToWriteTheBackupBack) {
  write("new.bin", image("8.1.02", "01/15/2012"));
  for (const bool blank : {false, true}) {
    const std::string name = blank ? "blank" : "bios";
    const fs::path profile = scratch_ / (name + ".json");
    const std::string state = (scratch_ / (name + "-state")).string();
    std::ofstream(profile) << R"({"windows": {"directory": "C:\\Windows", "version": "6.1", "language": "en"},
      "pci": [], "resources": {"io": [], "memory": [], "problemDevices": []},
      "controllers": [{"bus": 4, "device": 0, "function": 0, "globalRegisters": "0xF7C08000",
      "portRegisters": "0xF7C00000", "flash": {"chipEraseMs": 250)"
                           << (blank ? "" : R"(, "image": {"version": "7.3.15", "date": "10/27/2010"})") << "}}]}";
    const std::vector<std::string> machine{"--machine", profile.string(), "--state", state};
    const auto on = [&](std::vector<std::string> args) {
      args.insert(args.end(), machine.begin(), machine.end());
      return plain(args);
    };
    ASSERT_EQ(on({"bios", "read", "1", name + "-before.bin"}).status, 0);

    const ToolRun w = on({"bios", "write", "1", "new.bin", "--backup", name + "-kept.bin"});
    EXPECT_EQ(w.status, 1);
    EXPECT_TRUE(read(name + "-kept.bin") == read(name + "-before.bin"));
    EXPECT_EQ(read(name + "-kept.bin") == std::string(131072, '\xFF'), blank);
    EXPECT_NE(w.err.find("spanfinder: the chip's former image is in " + name + "-kept.bin; to write it back: "
                         "spanfinder bios write 1 " + name + "-kept.bin" + (blank ? " --force" : "") +
                         " --machine " + profile.string() + " --state " + state + "\n"),
              std::string::npos)
        << w.err;
  }
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

  ASSERT_EQ(run({"bios", "erase", "1", "--yes", "--no-backup"}).status, 0);
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
