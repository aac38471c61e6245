// The program with the real access library, on a machine where the board sits on
// the PCI bus: the library is loaded by name, installs its driver service from the
// current directory, finds the board through the configuration ports, and the
// Search runs from the register reads to the INI file. Closing the dialog removes
// the service again.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/resource_ids.h"
#include "cfgprobe/cfgprobe.h"
#include "cfgprobe/library_state.h"
#include "os/text.h"
#include "program_fixture.h"

namespace app_test {
namespace {

class WholeMachine : public ProgramTest {
 protected:
  WholeMachine() {
    m().modules.add(u"Cfgprobe64.Dll", {{"KX_InitLibrary", reinterpret_cast<os::ProcAddress>(&KX_InitLibrary)},
                                        {"KX_ExitLibrary", reinterpret_cast<os::ProcAddress>(&KX_ExitLibrary)},
                                        {"KX_GetPCIConfig", reinterpret_cast<os::ProcAddress>(&KX_GetPCIConfig)}});
    m().createFile(u"C:\\Tools\\Cfgprobe64.sys");
    describeWorkingKb20();  // the report side; the board itself goes on the bus below
    sim::PciFunction& board = m().pci.add({3, 0, 0}, 0x01021195);
    board.set32(0x94, 0x01021195);
    board.set32(0x10, 0xF2000000);
    board.set32(0x1C, 0xC001);
  }

  std::string iniText() {
    std::ifstream in(*m().files.toHost(u"C:\\Tools\\KB20.ini"), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
      text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    return os::toUtf8(text);
  }
};

TEST_F(WholeMachine, SearchFindsTheBoardThroughTheDriverAndWritesItsIniFile) {
  std::u16string start, end;
  std::string blocks;
  runMainDialog({[&](CTmx4CheckLinkSpeedDlg& d) {
    EXPECT_EQ(m().services.find("Cfgprobe64")->state, os::kServiceRunning);
    ui().click(d.handle(), app::kRadioKB20);
    EXPECT_TRUE(search(d));
    start = ui().textOf(d.handle(), app::kStartBox);
    end = ui().textOf(d.handle(), app::kEndBox);
    blocks = os::toUtf8(ui().textOf(d.handle(), app::kResultBox));
  }});
  EXPECT_EQ(start, u"F0000000");
  EXPECT_EQ(end, u"F3FFFFFF");
  EXPECT_EQ(blocks.substr(0, blocks.find("\r\n")), "0xF1A00000-0xF1FFFFFF");
  EXPECT_EQ(shownBoxes(), (std::vector<ShownBox>{dialogBox(503), dialogBox(509)}));
  const std::string ini = iniText();
  EXPECT_EQ(ini.rfind("[USE]\r\nVer=1011\r\nSATA1=1\r\n", 0), 0u);
  EXPECT_NE(ini.find("\r\nStartAdrs=0xF1A00000\r\nEndAdrs=0xF1FFFFFF\r\n;StartAdrs=0xF1400000\r\n"), std::string::npos);
  // The dialog's end shut the library down: device closed, service stopped and deleted.
  EXPECT_FALSE(m().services.find("Cfgprobe64").has_value());
  EXPECT_EQ(m().services.history("Cfgprobe64").deleted, 1);
  EXPECT_EQ(TheLibrary, nullptr);
}

TEST_F(WholeMachine, BoardThatAnswersWithAnotherSubsystemIsNotFound) {
  m().pci.find({3, 0, 0})->set32(0x94, 0x01041195);  // a KB40 subsystem on a KB20 identity
  runMainDialog({[&](CTmx4CheckLinkSpeedDlg& d) {
    ui().click(d.handle(), app::kRadioKB20);
    EXPECT_FALSE(search(d));
    EXPECT_EQ(ui().textOf(d.handle(), app::kStartBox), u"");
  }});
  EXPECT_EQ(shownBoxes(), (std::vector<ShownBox>{appBox(504)}));
}

TEST_F(WholeMachine, MissingDriverFileEndsStartUpWithMessage900AfterThreeAttempts) {
  std::filesystem::remove(*m().files.toHost(u"C:\\Tools\\Cfgprobe64.sys"));
  EXPECT_EQ(runMainDialog({}), 1);
  EXPECT_EQ(shownBoxes(), (std::vector<ShownBox>{appBox(900)}));
  EXPECT_EQ(m().modules.loadedNow(u"Cfgprobe64.Dll"), 0);
}

}  // namespace
}  // namespace app_test
