// A hosted machine's state beyond its drives: what one run leaves in its
// controllers' chips, device settings and services, the next run finds; a state
// file that is not valid is refused whole; a save that cannot be written leaves
// the earlier state as it was; image files are read from beside the profile.
#include "sim/machine_state.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <variant>

#include "sim/hosted_machine.h"
#include "sim/profile_source.h"
#include "tests/support/tool_run.h"

namespace {

namespace fs = std::filesystem;

sim::MachineProfile profileWithController() {
  sim::MachineProfile p;
  sim::ControllerProfile c;
  c.location = {4, 0, 0};
  c.globalRegisters = 0xF7C08000;
  c.portRegisters = 0xF7C00000;
  c.image = std::vector<std::uint8_t>(256, 0x5A);
  p.controllers.push_back(c);
  return p;
}

class MachineState : public ::testing::Test {
 protected:
  std::unique_ptr<sim::HostedMachine> open(bool reset = false) {
    sim::HostedMachineSetup setup{scratch_ / "state", scratch_ / "work", reset};
    fs::create_directories(setup.workingFolder);
    auto opened = sim::HostedMachine::open(profileWithController(), setup);
    if (auto* problem = std::get_if<std::string>(&opened)) {
      ADD_FAILURE() << *problem;
      return nullptr;
    }
    return std::move(std::get<std::unique_ptr<sim::HostedMachine>>(opened));
  }
  std::string openFails() {
    sim::HostedMachineSetup setup{scratch_ / "state", scratch_ / "work", false};
    auto opened = sim::HostedMachine::open(profileWithController(), setup);
    return std::holds_alternative<std::string>(opened) ? std::get<std::string>(opened) : "";
  }
  fs::path stateFile() const { return scratch_ / "state" / "machine-state.json"; }

  test_support::ScratchFolder scratch_;
};

sim::RegistryValue dword(std::uint32_t v) {
  return {4,
          {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
           static_cast<std::uint8_t>(v >> 24)}};
}

TEST_F(MachineState, WhatOneRunChangedTheNextRunFindsAndResetForgets) {
  {
    auto hosted = open();
    ASSERT_TRUE(hosted);
    sim::Machine& m = hosted->machine();
    sim::SiI3132* c = m.findSiI3132({4, 0, 0});
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->flash().contents()[0], 0x5A);
    c->flash().load(std::vector<std::uint8_t>(100, 0x11));
    c->setSControl(1, 0x310);
    sim::DeviceNode* node = m.setup.findPci({4, 0, 0});
    ASSERT_NE(node, nullptr);
    node->description = "SiI 3132 (1.5Gbps Driver)";
    node->lowerFilters = std::vector<std::string>{"TavSCntl"};
    node->hardwareKey["Port0"] = dword(1);
    m.services.registerService(
        {"TavSCntl", "QS12A/QX12A Filter Driver", 1, 3, 1, "System32\\Drivers\\TavSCntl.sys", "PNP Filter"});
    ASSERT_EQ(hosted->saveState(), std::nullopt);
  }
  {
    auto hosted = open();
    ASSERT_TRUE(hosted);
    sim::Machine& m = hosted->machine();
    const sim::SiI3132* c = m.findSiI3132({4, 0, 0});
    const auto flash = const_cast<sim::SiI3132*>(c)->flash().contents();
    EXPECT_EQ(flash[0], 0x11);
    EXPECT_EQ(flash[99], 0x11);
    EXPECT_EQ(flash[100], 0xFF);
    EXPECT_EQ(c->sControl(0), 0x300u);
    EXPECT_EQ(c->sControl(1), 0x310u);
    const sim::DeviceNode* node = m.setup.findPci({4, 0, 0});
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->description, "SiI 3132 (1.5Gbps Driver)");
    EXPECT_EQ(node->lowerFilters, (std::vector<std::string>{"TavSCntl"}));
    EXPECT_EQ(sim::dwordValue(node->hardwareKey, "port0"), 1u);
    const auto service = m.services.find("TavSCntl");
    ASSERT_TRUE(service);
    EXPECT_EQ(service->imagePath, "System32\\Drivers\\TavSCntl.sys");
    EXPECT_EQ(service->loadOrderGroup, "PNP Filter");
    EXPECT_EQ(service->state, os::kServiceStopped);
  }
  auto fresh = open(true);
  ASSERT_TRUE(fresh);
  EXPECT_EQ(fresh->machine().findSiI3132({4, 0, 0})->flash().contents()[0], 0x5A);
  EXPECT_FALSE(fresh->machine().services.find("TavSCntl"));
  EXPECT_FALSE(fresh->machine().setup.findPci({4, 0, 0})->lowerFilters);
}

TEST_F(MachineState, StateThatIsNotValidIsRefusedWholeAndLeftAsItWas) {
  {
    auto hosted = open();
    ASSERT_TRUE(hosted);
    ASSERT_EQ(hosted->saveState(), std::nullopt);
  }
  const std::string saved = test_support::slurp(stateFile());
  for (const std::string& bad :
       {std::string("{\"format\": 1, \"controllers\": ["), std::string("[]"),
        std::string("{\"format\": 2, \"controllers\": [], \"devices\": [], \"services\": []}")}) {
    std::ofstream(stateFile(), std::ios::binary) << bad;
    const std::string problem = openFails();
    EXPECT_EQ(problem.rfind(stateFile().string() + ": not a machine state", 0), 0u) << problem;
    EXPECT_NE(problem.find("--reset"), std::string::npos) << problem;
    EXPECT_EQ(test_support::slurp(stateFile()), bad);
  }

  // A flash image of the wrong size in the second record: the first is not applied either.
  auto hosted = open(true);
  ASSERT_TRUE(hosted);
  std::string half = saved;
  const std::string controllers = "\"controllers\": [";
  half.insert(half.find(controllers) + controllers.size(),
              R"({"bus": 4, "device": 0, "function": 0, "sControl": [0, 0], "flash": "00"}, )");
  std::ofstream(stateFile(), std::ios::binary) << half;
  sim::Machine& m = hosted->machine();
  m.findSiI3132({4, 0, 0})->setSControl(0, 0x320);
  EXPECT_TRUE(sim::loadMachineState(m, stateFile()));
  EXPECT_EQ(m.findSiI3132({4, 0, 0})->sControl(0), 0x320u);
}

TEST_F(MachineState, SaveThatCannotBeWrittenLeavesTheEarlierState) {
  auto hosted = open();
  ASSERT_TRUE(hosted);
  ASSERT_EQ(hosted->saveState(), std::nullopt);
  const std::string before = test_support::slurp(stateFile());
  hosted->machine().findSiI3132({4, 0, 0})->setSControl(0, 0x320);
  fs::create_directories(scratch_ / "state" / "machine-state.json.part" / "in-the-way");
  const auto problem = hosted->saveState();
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->rfind(stateFile().string(), 0), 0u) << *problem;
  EXPECT_EQ(test_support::slurp(stateFile()), before);
}

TEST_F(MachineState, ImageFilesAreReadFromBesideTheProfileAndNotForExamples) {
  const auto profile = [&](const std::string& image) {
    std::ofstream(scratch_ / "pc.json") << R"({"windows": {"directory": "C:\\Windows", "version": "6.1",
      "language": "en"}, "pci": [], "resources": {"io": [], "memory": [], "problemDevices": []},
      "controllers": [{"bus": 4, "device": 0, "function": 0, "globalRegisters": "0xF7C08000",
      "portRegisters": "0xF7C00000", "flash": {"image": ")" +
                                               image + R"("}}]})";
    return sim::loadProfile((scratch_ / "pc.json").string());
  };
  fs::create_directories(scratch_ / "images");
  std::ofstream(scratch_ / "images" / "rom.bin", std::ios::binary) << std::string(1000, '\x42');
  const auto loaded = profile("images/rom.bin");
  ASSERT_TRUE(std::holds_alternative<sim::NamedProfile>(loaded)) << std::get<std::string>(loaded);
  EXPECT_EQ(std::get<sim::NamedProfile>(loaded).profile.controllers[0].image, std::vector<std::uint8_t>(1000, 0x42));

  const auto missing = profile("images/none.bin");
  ASSERT_TRUE(std::holds_alternative<std::string>(missing));
  EXPECT_NE(std::get<std::string>(missing).find("pc.json: controllers[0].flash.image: "), std::string::npos)
      << std::get<std::string>(missing);

  std::ofstream(scratch_ / "images" / "big.bin", std::ios::binary) << std::string(131073, '\0');
  const auto big = profile("images/big.bin");
  ASSERT_TRUE(std::holds_alternative<std::string>(big));
  EXPECT_NE(std::get<std::string>(big).find("131073 bytes"), std::string::npos) << std::get<std::string>(big);
}

}  // namespace
