// Start-up and the single-instance rule: a second copy brings the first to the
// front and ends without a window or a message.
#include <gtest/gtest.h>

#include "app/application.h"
#include "app/dialog_templates.h"
#include "app/resource_ids.h"
#include "program_fixture.h"

namespace app_test {
namespace {

class SingleInstance : public ProgramTest {
 protected:
  // Another program's window, in front of everything.
  os::Handle otherProgramWindow() {
    const os::Handle editor = m().windows.createWindow(nullptr, u"Editor");
    m().windows.showWindow(editor, os::kSwShow);
    m().windows.setForegroundWindow(editor);
    return editor;
  }
  // Starts a second copy, which must end at once without a window or message of its own.
  void startSecondCopy() {
    sim::Process process(m());
    ui::headless::WindowSystem windows(ui::ResourceSet{}, m().windows);
    CTmx4CheckLinkSpeedApp second(windows, process.platform());
    const std::size_t windowsBefore = m().windows.count();
    EXPECT_FALSE(second.InitInstance());
    EXPECT_TRUE(windows.messageBoxes().empty());
    EXPECT_EQ(m().windows.count(), windowsBefore);  // no window of its own
  }
  // Runs the first copy with these steps while its main dialog is up.
  void runFirstCopy(std::vector<std::function<void(os::Handle mainDialog)>> steps) {
    CTmx4CheckLinkSpeedApp first(ui(), m().platform());
    for (auto& step : steps)
      ui().then([this, step] { step(ui().findDialog(app::kMainTemplate)); });
    EXPECT_FALSE(first.InitInstance());
    EXPECT_EQ(first.name(), u"Spanfinder64");
    EXPECT_EQ(first.registryKey(), u"ZANTO");
    EXPECT_EQ(ui().commonControlClasses(), ui::kIccWin95Classes);
  }
};

TEST_F(SingleInstance, SecondCopyRestoresTheFirstAndBringsItToTheFront) {
  runFirstCopy({[&](os::Handle main) {
    ASSERT_NE(main, nullptr);
    ui().minimise(main);
    otherProgramWindow();
    startSecondCopy();
    EXPECT_FALSE(m().windows.isIconic(main));
    EXPECT_EQ(m().windows.getForegroundWindow(), main);
  }});
  EXPECT_TRUE(ui().messageBoxes().empty());
}

TEST_F(SingleInstance, SecondCopyBringsTheAboutBoxToTheFront) {
  runFirstCopy({[&](os::Handle main) { ui().chooseSystemMenuItem(main, app::kAboutCommand); },
                [&](os::Handle main) {
                  const os::Handle about = ui().findDialog(app::kAboutTemplate);
                  ASSERT_NE(about, nullptr);
                  otherProgramWindow();
                  startSecondCopy();
                  EXPECT_EQ(m().windows.getForegroundWindow(), about);
                  EXPECT_FALSE(m().windows.isIconic(main));
                }});
}

TEST_F(SingleInstance, SecondCopyBringsAMessageBoxToTheFront) {
  library.boardPresent = false;
  ui().onMessageBox = [&](const ui::headless::MessageBoxRecord& box) {
    otherProgramWindow();
    startSecondCopy();
    EXPECT_EQ(m().windows.getForegroundWindow(), box.window);
    return ui::kIdOkAnswer;
  };
  runFirstCopy({[&](os::Handle main) { ui().click(main, app::kSearchButton); }});
  EXPECT_EQ(shownBoxes(), std::vector<ShownBox>{appBox(504)});
}

TEST_F(SingleInstance, AnyWindowWithThePropertyCountsAsTheRunningCopy) {
  runFirstCopy({[&](os::Handle main) {
    const os::Handle impostor = otherProgramWindow();
    m().windows.setProp(impostor, app::kSingleInstanceId, reinterpret_cast<os::Handle>(7));
    m().windows.showWindow(impostor, os::kSwMinimize);
    startSecondCopy();
    EXPECT_EQ(m().windows.getForegroundWindow(), impostor);
    EXPECT_FALSE(m().windows.isIconic(impostor));
    EXPECT_NE(m().windows.getForegroundWindow(), main);
  }});
}

TEST_F(SingleInstance, CopyStartedWhileTheFirstLoadsTheLibraryFindsItsHiddenDialog) {
  library.initResults = {0, 1};
  os::Handle foreground = nullptr, main = nullptr;
  bool wasVisible = true;
  library.duringInit = [&] {
    main = ui().findDialog(app::kMainTemplate);
    wasVisible = m().windows.isWindowVisible(main);
    otherProgramWindow();
    startSecondCopy();
    foreground = m().windows.getForegroundWindow();
  };
  runFirstCopy({});
  EXPECT_FALSE(wasVisible);
  EXPECT_NE(main, nullptr);
  EXPECT_EQ(foreground, main);
  EXPECT_EQ(m().clock.sleeps(), std::vector<std::uint32_t>{3000});
}

TEST_F(SingleInstance, CopyStartedWhileTheFirstHasNoWindowEndsSilently) {
  CTmx4CheckLinkSpeedApp first(ui(), m().platform());
  EXPECT_FALSE(first.InitInstance());
  // Its dialog is gone, its process is not: a new start finds no window and ends.
  startSecondCopy();
  EXPECT_EQ(m().windows.getForegroundWindow(), nullptr);
}

TEST_F(SingleInstance, AfterTheFirstCopyEndedANewStartRunsNormally) {
  runFirstCopy({});
  m().objects.closeAll();  // the first process ends, and with it its mutex
  sim::Process process(m());
  ui::headless::WindowSystem windows(app::programResources(), m().windows);
  CTmx4CheckLinkSpeedApp next(windows, process.platform());
  bool shown = false;
  windows.then([&] { shown = windows.findDialog(app::kMainTemplate) != nullptr; });
  EXPECT_FALSE(next.InitInstance());
  EXPECT_TRUE(shown);
}

TEST_F(SingleInstance, NoMutexFacilityEndsSilently) {
  os::Platform facilities = m().platform();
  os::NamedObjects absent;
  facilities.objects = &absent;
  CTmx4CheckLinkSpeedApp app(ui(), facilities);
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(m().windows.count(), 0u);
  EXPECT_TRUE(ui().messageBoxes().empty());
  EXPECT_EQ(library.initCalls, 0);
}

}  // namespace
}  // namespace app_test
