// spanfinder capture end to end: a machine captured into a profile and the
// profile run in its place gives what the machine gave (search with its INI
// file, controllers, bios info), for every example machine and for machines made
// here; and what a capture cannot read, or cannot write, is said and leaves no
// profile behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "sim/example_machines.h"
#include "tests/support/tool_run.h"

namespace {

namespace fs = std::filesystem;
using namespace test_support;

fs::path tool() { return binFolder() / "spanfinder"; }

// Windows with an English user interface whose system-information tool writes
// Japanese headings; a KB40 board behind a root port; three controllers: one with
// an image file, link-speed limits and Windows' texts of its own, one with a blank
// chip and no hardware key, one whose windows lie above 4 GB.
constexpr const char* kMadeMachine = R"json({
  "windows": {"directory": "D:\\WINNT\\Windows", "version": "10.0", "language": "en", "driverFiles": ["TavSCntl.sys"]},
  "systemName": "LAB-BENCH-3",
  "pci": [
    {"bus": 0, "device": 28, "function": 0,
     "config": {"0x00": "0x1C108086", "0x18": "0x00020200", "0x1C": "0x0000F0C0", "0x20": "0xDFF0DFA0"}},
    {"bus": 2, "device": 0, "function": 0,
     "config": {"0x00": "0x01041195", "0x94": "0x01041195", "0x10": "0xDFA00000", "0x1C": "0x0000C001", "0xFC": "0x12345678"}},
    {"bus": 2, "device": 0, "function": 3, "config": {"0x00": "0x00000000"}}
  ],
  "controllers": [
    {"bus": 5, "device": 0, "function": 0, "globalRegisters": "0xF7C08000", "portRegisters": "0xF7C00000",
     "revision": 2, "flash": {"manufacturer": "0x1F", "device": "0x13", "image": "made.rom"},
     "sControl": ["0x00000310", "0x00000320"], "description": "RAID Controller(1.5Gbps Driver)",
     "hardwareIds": ["PCI\\VEN_1095&DEV_3132&SUBSYS_31321095&REV_02", "PCI\\VEN_1095&DEV_3132&SUBSYS_31321095"],
     "location": "PCI-Bus 5, Gerät 0, Funktion 0"},
    {"bus": 6, "device": 0, "function": 0, "globalRegisters": "0xF7B08000", "portRegisters": "0xF7B00000",
     "hardwareKey": false},
    {"bus": 7, "device": 1, "function": 2, "globalRegisters": "0x4F7A08000", "portRegisters": "0x4F7A00000"}
  ],
  "resources": {
    "language": "ja",
    "io": [{"start": "0xC000", "end": "0xFFFF", "device": "PCI Express ルート ポート"},
           {"start": "0xC000", "end": "0xC0FF", "device": "Nordvale KB40"}],
    "memory": [{"start": "0xDFA00000", "end": "0xDFFFFFFF", "device": "PCI Express ルート ポート", "status": "エラー"},
               {"start": "0xDFA00000", "end": "0xDFA03FFF", "device": "Nordvale KB40"}],
    "problemDevices": [{"device": "PCI デバイス", "pnpDeviceId": "PCI\\VEN_8086&DEV_1C3A&SUBSYS_1C3A8086&REV_04\\3&11583659&0&B0",
                        "error": "このデバイスのドライバーがインストールされていません。 (コード 28)"}]
  }
})json";

// A 32 KiB option ROM for the SiI3132 whose version and date texts lie where
// bytes 0x22 and 0x24 point.
std::string optionRom() {
  std::string bytes(0x8000, 'x');
  bytes.replace(0, 3, "\x55\xAA\x40");
  bytes[0x22] = 0x40;
  bytes[0x24] = 0x60;
  bytes.replace(0x40, 6, "7.4.21");
  bytes.replace(0x60, 10, "06/15/2011");
  return bytes;
}

struct Machine {
  std::string name;  // an example's, or "made"
  bool withBios = false;
};

void PrintTo(const Machine& m, std::ostream* os) { *os << m.name << (m.withBios ? " --with-bios" : ""); }

class CaptureCli : public ::testing::Test {
 protected:
  CaptureCli() { fs::create_directories(work()); }
  fs::path work() const { return scratch_ / "work"; }
  std::string write(const std::string& name, const std::string& text) {
    std::ofstream(work() / name, std::ios::binary) << text;
    return (work() / name).string();
  }
  std::string read(const std::string& name) const { return test_support::slurp(work() / name); }
  // The tool in the work folder, on machine with a state folder of that name.
  ToolRun run(std::vector<std::string> args, const std::string& machine, const std::string& state) {
    args.insert(args.end(), {"--machine", machine, "--state", (scratch_ / state).string()});
    return runProgram(tool(), args, work());
  }
  // The INI files the work folder holds (name and bytes), removed.
  std::vector<std::pair<std::string, std::string>> takeIniFiles() {
    std::vector<std::pair<std::string, std::string>> found;
    for (const auto& entry : fs::directory_iterator(work()))
      if (entry.path().extension() == ".ini") found.emplace_back(entry.path().filename(), test_support::slurp(entry));
    for (const auto& [name, bytes] : found) fs::remove(work() / name);
    std::sort(found.begin(), found.end());
    return found;
  }

  ScratchFolder scratch_;
};

class CaptureRoundTrip : public CaptureCli, public ::testing::WithParamInterface<Machine> {};

TEST_P(CaptureRoundTrip, GivesTheMachinesSearchControllersAndBios) {
  std::string machine = GetParam().name;
  if (machine == "made") {
    write("made.rom", optionRom());
    machine = write("made.json", kMadeMachine);
  }
  std::vector<std::string> capture{"capture", "captured.json"};
  if (GetParam().withBios) capture.push_back("--with-bios");
  const ToolRun captured = run(capture, machine, "captured-state");
  ASSERT_EQ(captured.status, 0) << captured.err;
  EXPECT_NE(captured.out.find("captured into captured.json: "), std::string::npos) << captured.out;
  const std::string replay = (work() / "captured.json").string();

  const std::vector<std::vector<std::string>> commands{
      {"search", "--all"},   {"search", "--json"},  {"controllers", "--json"}, {"controllers"},
      {"bios", "info", "1"}, {"bios", "info", "2"}, {"bios", "info", "3"}};
  for (const auto& command : commands) {
    SCOPED_TRACE(command[0] + (command.size() > 1 ? " " + command[1] : ""));
    const ToolRun original = run(command, machine, "original-state");
    const auto originalIni = takeIniFiles();
    const ToolRun replayed = run(command, replay, "replay-state");
    EXPECT_EQ(replayed.status, original.status);
    EXPECT_EQ(replayed.out, original.out);
    EXPECT_EQ(replayed.err, original.err);
    EXPECT_EQ(takeIniFiles(), originalIni);
  }
}

std::vector<Machine> machines() {
  std::vector<Machine> all;
  for (const sim::ExampleMachine& example : sim::exampleMachines()) all.push_back({std::string(example.name)});
  all.push_back({"made", false});
  all.push_back({"made", true});
  all.push_back({"demo", true});
  return all;
}

INSTANTIATE_TEST_SUITE_P(Machines, CaptureRoundTrip, ::testing::ValuesIn(machines()), [](const auto& info) {
  std::string name = info.param.name + (info.param.withBios ? "WithBios" : "");
  std::erase(name, '-');
  return name;
});

// What the made machine's profile holds as captured: the registers as read (a
// function reading 0 at 0x00 included), the heading language apart from the
// Windows one, the image beside it, and a note for each controller part that
// could not be read.
TEST_F(CaptureCli, TheProfileHoldsWhatWasReadAndNotesWhatWasNot) {
  write("made.rom", optionRom());
  const ToolRun captured =
      run({"capture", "made-pc.json", "--with-bios", "--json"}, write("made.json", kMadeMachine), "state");
  ASSERT_EQ(captured.status, 0) << captured.err;
  const nlohmann::json summary = nlohmann::json::parse(captured.out);
  EXPECT_EQ(summary["controllers"], 3);
  EXPECT_EQ(summary["biosImages"], nlohmann::json::array({"made-pc.bios-5-0-0.bin"}));

  const nlohmann::json profile = nlohmann::json::parse(read("made-pc.json"));
  EXPECT_EQ(profile["windows"], nlohmann::json::parse(R"({"directory": "D:\\WINNT\\Windows", "version": "10.0",
                                                          "language": "en", "driverFiles": ["TavSCntl.sys"]})"));
  EXPECT_EQ(profile["systemName"], "LAB-BENCH-3");
  EXPECT_EQ(profile["resources"]["language"], "ja");
  EXPECT_EQ(profile["resources"]["memory"][0]["status"], "エラー");
  EXPECT_EQ(profile["pci"][1], nlohmann::json::parse(R"({"bus": 2, "device": 0, "function": 0, "config": {
      "0x00": "0x01041195", "0x10": "0xDFA00000", "0x1C": "0x0000C001", "0x94": "0x01041195", "0xFC": "0x12345678"}})"));
  EXPECT_EQ(profile["pci"][2]["config"], nlohmann::json::parse(R"({"0x00": "0x00000000"})"));
  const nlohmann::json& first = profile["controllers"][0];
  EXPECT_EQ(first["revision"], 2);
  EXPECT_EQ(first["flash"], nlohmann::json::parse(R"({"manufacturer": "0x1F", "device": "0x13",
                                                      "image": "made-pc.bios-5-0-0.bin"})"));
  EXPECT_EQ(first["sControl"], nlohmann::json::parse(R"(["0x00000310", "0x00000320"])"));
  EXPECT_EQ(first["location"], "PCI-Bus 5, Gerät 0, Funktion 0");
  EXPECT_EQ(profile["controllers"][1]["hardwareKey"], false);
  EXPECT_FALSE(profile["controllers"][1]["flash"].contains("image"));  // blank
  EXPECT_EQ(profile["controllers"][2]["globalRegisters"], "0x4F7A08000");
  std::string image = read("made-pc.bios-5-0-0.bin");
  ASSERT_EQ(image.size(), 131072u);
  EXPECT_EQ(image.substr(0, 0x8000), optionRom());
  EXPECT_FALSE(fs::exists(work() / "made-pc.bios-5-0-0.bin.part"));

  const std::string notes = profile["notes"].dump();
  EXPECT_NE(notes.find("controller 3: the link speeds cannot be read"), std::string::npos) << notes;
  EXPECT_NE(notes.find("controller 3: the chip's BIOS cannot be read: -21"), std::string::npos) << notes;
  EXPECT_EQ(summary["notes"], profile["notes"]);
}

// An existing profile or image file is kept unless --force; --anonymize replaces
// the system name and the instance parts, which the Search does not need.
TEST_F(CaptureCli, AnExistingFileIsKeptWithoutForceAndAnonymizedWithIt) {
  write("pc.json", "kept");
  ToolRun r = run({"capture", "pc.json"}, "demo", "state");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "spanfinder: capture: pc.json: exists already (--force replaces it)\n");
  EXPECT_EQ(read("pc.json"), "kept");

  // Nor is a chip image's file: the chip is described by its version instead.
  write("other.bios-4-0-0.bin", "kept");
  r = run({"capture", "other.json", "--with-bios"}, "demo", "state");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("note: controller 1: its image could not be read into other.bios-4-0-0.bin: that file "
                       "exists already (--force replaces it)\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(read("other.bios-4-0-0.bin"), "kept");
  EXPECT_NE(read("other.json").find(R"("image": {"version": "7.3.15", "date": "10/27/2010"})"), std::string::npos);

  r = run({"capture", "pc.json", "--force", "--anonymize"}, "demo", "state");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string text = read("pc.json");
  EXPECT_EQ(text.find("WORKSTATION-07"), std::string::npos);
  EXPECT_EQ(text.find("3&11583659"), std::string::npos);
  const nlohmann::json profile = nlohmann::json::parse(text);
  EXPECT_EQ(profile["systemName"], "CAPTURED-PC");
  EXPECT_EQ(profile["resources"]["problemDevices"][0]["pnpDeviceId"],
            "PCI\\VEN_8086&DEV_1C3A&SUBSYS_1C3A8086&REV_04\\0&00000000&0&01");
  EXPECT_EQ(run({"search"}, "pc.json", "replay").out, run({"search"}, "demo", "original").out);
}

// A report that cannot be read goes into the notes, and the fault with it; a
// library that does not start, and a profile that cannot be written whole, end
// the capture with 1 and the reason, and leave no file behind.
TEST_F(CaptureCli, WhatCannotBeReadIsNotedAndAFailureLeavesNoFile) {
  const auto machine = [&](const std::string& faults) {
    std::string text = kMadeMachine;
    text.replace(text.rfind('}'), 1, ", \"faults\": " + faults + "}");
    return write("faulty.json", text);
  };
  write("made.rom", optionRom());
  ToolRun r = run({"capture", "noted.json"}, machine(R"({"systemInfoTool": {"writesNoFile": true}})"), "noted");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("note: the system-information tool ended with 0 but wrote no report D:\\WINNT\\msinfo.txt\n"),
            std::string::npos)
      << r.out;
  const nlohmann::json noted = nlohmann::json::parse(read("noted.json"));
  EXPECT_EQ(noted["faults"], nlohmann::json::parse(R"({"systemInfoTool": {"writesNoFile": true}})"));
  EXPECT_EQ(noted["resources"]["memory"], nlohmann::json::array());

  r = run({"capture", "refused.json"}, machine(R"({"driverService": {"startError": 1058}})"), "refused");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("spanfinder: the access library did not start: KX_InitLibrary returned ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("the service manager's error 1058"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(work() / "refused.json"));

  // The profile's temporary file cannot be made (a folder has its name): the chip
  // image already read beside it goes too.
  fs::create_directory(work() / "cut.json.part");
  r = run({"capture", "cut.json", "--with-bios"}, "demo", "cut");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "spanfinder: cut.json: cannot be written\n");
  EXPECT_FALSE(fs::exists(work() / "cut.json"));
  EXPECT_FALSE(fs::exists(work() / "cut.bios-4-0-0.bin"));
  EXPECT_FALSE(fs::exists(work() / "cut.bios-4-0-0.bin.part"));
}

}  // namespace
