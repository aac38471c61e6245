// The main dialog: library bring-up and shutdown, its initial state, the keys,
// the system menu, the About box and the minimised icon.
#include <gtest/gtest.h>

#include "app/resource_ids.h"
#include "program_fixture.h"

namespace app_test {
namespace {

using ui::headless::Key;

class MainDialog : public ProgramTest {};

TEST_F(MainDialog, InitialisationFailingThriceWaitsTwiceShows900AndEnds) {
  library.initResults = {2, 2, 2};
  bool stepRan = false;
  EXPECT_EQ(runMainDialog({[&](CTmx4CheckLinkSpeedDlg&) { stepRan = true; }}), ui::kIdOk);
  EXPECT_FALSE(stepRan);  // the dialog never became usable
  EXPECT_EQ(library.initCalls, 3);
  EXPECT_EQ(m().clock.sleeps(), (std::vector<std::uint32_t>{3000, 3000}));
  EXPECT_EQ(shownBoxes(), std::vector<ShownBox>{appBox(900)});
  // The dialog is still hidden: the box is not owned by it and comes to the front.
  EXPECT_EQ(ui().messageBoxes()[0].owner, nullptr);
  EXPECT_EQ(ui().messageBoxes()[0].type, 0x30u | 0x10000u);
  EXPECT_EQ(library.exitCalls, 0);
  EXPECT_EQ(m().modules.loadedNow(u"Cfgprobe64.Dll"), 0);
}

struct BringUpCase {
  const char* name;
  std::vector<int> initResults;
  bool initEntry;
  int failedLoads;
  std::vector<std::uint32_t> sleeps;
  bool usable;
};
void PrintTo(const BringUpCase& c, std::ostream* os) { *os << c.name; }

class LibraryBringUp : public ProgramTest, public ::testing::WithParamInterface<BringUpCase> {};

TEST_P(LibraryBringUp, RetriesEveryFailureKindAndKeepsNothingLoaded) {
  const BringUpCase& c = GetParam();
  library.initResults = c.initResults;
  m().modules.add(u"Cfgprobe64.Dll", libraryEntries(c.initEntry));
  m().modules.failLoads(u"Cfgprobe64.Dll", c.failedLoads, os::kErrorModNotFound);
  bool usable = false;
  runMainDialog({[&](CTmx4CheckLinkSpeedDlg& d) {
    usable = true;
    EXPECT_EQ(m().modules.loadedNow(u"Cfgprobe64.Dll"), 1);
    EXPECT_NE(d.m_hLibrary, nullptr);
  }});
  EXPECT_EQ(usable, c.usable);
  EXPECT_EQ(m().clock.sleeps(), c.sleeps);
  EXPECT_EQ(shownBoxes().size(), c.usable ? 0u : 1u);
  EXPECT_EQ(library.exitCalls, c.usable ? 1 : 0);
  EXPECT_EQ(m().modules.loadedNow(u"Cfgprobe64.Dll"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LibraryBringUp,
    ::testing::Values(BringUpCase{"FirstAttempt", {}, true, 0, {}, true},
                      BringUpCase{"SecondAttempt", {0}, true, 0, {3000}, true},
                      BringUpCase{"ThirdAttempt", {-3, 2}, true, 0, {3000, 3000}, true},
                      BringUpCase{"FileMissingTwice", {}, true, 2, {3000, 3000}, true},
                      BringUpCase{"FileMissingAlways", {}, true, 3, {3000, 3000}, false},
                      BringUpCase{"EntryMissing", {}, false, 0, {3000, 3000}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainDialog, StartsWithKa10CheckedDefaultSizeAndEmptyBoxes) {
  runMainDialog({[&](CTmx4CheckLinkSpeedDlg& d) {
    const auto h = d.handle();
    EXPECT_TRUE(ui().control(h, app::kRadioKA10)->checked);
    EXPECT_FALSE(ui().control(h, app::kRadioKB20)->checked);
    EXPECT_FALSE(ui().control(h, app::kRadioKB40)->checked);
    EXPECT_EQ(ui().textOf(h, app::kSpaceSizeBox), u"600000");
    for (int id : {app::kStartBox, app::kEndBox, app::kResultBox}) EXPECT_EQ(ui().textOf(h, id), u"");
    EXPECT_EQ(m().windows.windowText(h), text(102));
    EXPECT_EQ(m().windows.getProp(h, app::kSingleInstanceId), reinterpret_cast<os::Handle>(1));
    EXPECT_EQ(ui().dialog(h)->bigIcon, d.m_hIcon);
    EXPECT_EQ(ui().dialog(h)->smallIcon, d.m_hIcon);
    EXPECT_EQ(ui().iconIdOf(d.m_hIcon), app::kProgramIcon);
    EXPECT_EQ(ui().dialog(h)->focusId, app::kExitButton);

    const ui::FontDescription* font = ui().fontDescription(ui().control(h, app::kResultBox)->font);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->face, u"Courier New");
    EXPECT_EQ(font->height, 14);  // at 96 pixels an inch
    EXPECT_EQ(font->weight, 400);
    EXPECT_EQ(font->charSet, 128);

    const auto& menu = ui().dialog(h)->systemMenu;
    ASSERT_GE(menu.size(), 2u);
    EXPECT_EQ(menu[menu.size() - 2].flags, ui::kMfSeparator);
    EXPECT_EQ(menu.back().id, app::kAboutCommand);
    EXPECT_EQ(menu.back().text, u"About...");
  }});
  EXPECT_TRUE(shownBoxes().empty());
}

TEST_F(MainDialog, JapaneseUserInterfaceTakesTheJapaneseTitleAndFont) {
  m().facts.language = os::kLangJapanese;
  runMainDialog({[&](CTmx4CheckLinkSpeedDlg& d) {
    EXPECT_EQ(m().windows.windowText(d.handle()), u"Nordvaleシリーズ リソース範囲自動検索ツール");
    EXPECT_EQ(ui().fontDescription(d.m_resultFont.handle())->face, u"ＭＳ ゴシック");
    EXPECT_EQ(ui().dialog(d.handle())->systemMenu.back().text, u"バージョン情報");
  }});
}

TEST_F(MainDialog, TheResultFontGrowsWithTheScreensDpi) {
  ui().dpi = 144;  // 150% scaling
  runMainDialog({[&](CTmx4CheckLinkSpeedDlg& d) {
    EXPECT_EQ(ui().fontDescription(d.m_resultFont.handle())->height, 21);
  }});
}

// Enter goes to the default button, Exit, wherever the focus is, unless the focus
// is on a push button; Escape and the close box cancel.
struct KeyCase {
  const char* name;
  int focus;
  Key key;
  std::intptr_t result;
  bool searched;
};
void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }

class DialogKeys : public ProgramTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(DialogKeys, EndTheDialogOrSearch) {
  const KeyCase& c = GetParam();
  library.boardPresent = false;
  const std::intptr_t result = runMainDialog({[&](CTmx4CheckLinkSpeedDlg& d) {
    ASSERT_TRUE(ui().focus(d.handle(), c.focus));
    ASSERT_TRUE(ui().pressKey(d.handle(), c.key));
  }});
  EXPECT_EQ(result, c.result);
  EXPECT_EQ(!library.reads.empty(), c.searched);
}

INSTANTIATE_TEST_SUITE_P(Cases, DialogKeys,
                         ::testing::Values(KeyCase{"EnterInSpaceSize", app::kSpaceSizeBox, Key::Enter, ui::kIdOk, false},
                                           KeyCase{"EnterOnBoardButton", app::kRadioKB20, Key::Enter, ui::kIdOk, false},
                                           KeyCase{"EnterInResultBox", app::kResultBox, Key::Enter, ui::kIdOk, false},
                                           KeyCase{"EnterOnExit", app::kExitButton, Key::Enter, ui::kIdOk, false},
                                           // Search keeps running, then the empty script closes the dialog.
                                           KeyCase{"EnterOnSearch", app::kSearchButton, Key::Enter, ui::kIdCancel, true},
                                           KeyCase{"EscapeInSpaceSize", app::kSpaceSizeBox, Key::Escape, ui::kIdCancel, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainDialog, MissingTextIsReportedWith9999AndLeavesTheTargetAlone) {
  runMainDialog({[&](CTmx4CheckLinkSpeedDlg& d) {
    std::u16string target = u"kept";
    EXPECT_EQ(d.LoadMessageChecked(12345, target), 0);
    EXPECT_EQ(target, u"kept");
    EXPECT_EQ(d.LoadMessageChecked(102, target), 1);
    EXPECT_EQ(target, text(102));
  }});
  EXPECT_EQ(shownBoxes(), std::vector<ShownBox>{appBox(9999)});
}

TEST_F(MainDialog, CloseBoxCancelsAndShutsTheLibraryDownOnce) {
  EXPECT_EQ(runMainDialog({[&](CTmx4CheckLinkSpeedDlg& d) { ASSERT_TRUE(ui().clickCloseBox(d.handle())); }}),
            ui::kIdCancel);
  EXPECT_EQ(library.exitCalls, 1);
  EXPECT_EQ(m().modules.loadedNow(u"Cfgprobe64.Dll"), 0);
}

TEST_F(MainDialog, LibraryIsShutDownOnlyAfterTheDefaultDestruction) {
  ui::WindowHandle dialog = nullptr;
  int defaultDestroysAtExit = -1;
  library.duringExit = [&] { defaultDestroysAtExit = ui().dialog(dialog)->defaultDestroys; };
  runMainDialog({[&](CTmx4CheckLinkSpeedDlg& d) { dialog = d.handle(); }});
  EXPECT_EQ(library.exitCalls, 1);
  EXPECT_EQ(defaultDestroysAtExit, 1);
}

TEST_F(MainDialog, MissingExitEntryStillUnloads) {
  m().modules.add(u"Cfgprobe64.Dll", libraryEntries(true, true, false));
  runMainDialog({});
  EXPECT_EQ(library.exitCalls, 0);
  EXPECT_EQ(m().modules.loadedNow(u"Cfgprobe64.Dll"), 0);
}

TEST_F(MainDialog, AboutBoxShowsTitleVersionLineAndNotice) {
  bool shown = false;
  runMainDialog({[&](CTmx4CheckLinkSpeedDlg& d) {
                   ASSERT_TRUE(ui().chooseSystemMenuItem(d.handle(), app::kAboutCommand));
                 },
                 [&](CTmx4CheckLinkSpeedDlg& d) {
                   const auto about = ui().findDialog(app::kAboutTemplate);
                   ASSERT_NE(about, nullptr);
                   shown = true;
                   EXPECT_EQ(m().windows.owner(about), d.handle());
                   EXPECT_EQ(m().windows.windowText(about), u"About...");
                   EXPECT_EQ(ui().textOf(about, app::kVersionStatic),
                             u"Nordvale series, resource range automatic search tool Version 2.00");
                   EXPECT_EQ(ui().textOf(about, app::kNoticeStatic), text(104));
                   EXPECT_FALSE(ui().click(d.handle(), app::kSearchButton));  // the owner is disabled
                   EXPECT_TRUE(ui().pressKey(about, Key::Enter));
                 },
                 [&](CTmx4CheckLinkSpeedDlg&) { EXPECT_EQ(ui().findDialog(app::kAboutTemplate), nullptr); }});
  EXPECT_TRUE(shown);
}

TEST_F(MainDialog, AboutBoxWithoutVersionResourceShowsEmptyLines) {
  m().versions.setVersionResource(m().versions.programPath, {});
  runMainDialog({[&](CTmx4CheckLinkSpeedDlg& d) { ui().chooseSystemMenuItem(d.handle(), app::kAboutCommand); },
                 [&](CTmx4CheckLinkSpeedDlg&) {
                   const auto about = ui().findDialog(app::kAboutTemplate);
                   EXPECT_EQ(ui().textOf(about, app::kVersionStatic), u"");
                   EXPECT_EQ(ui().textOf(about, app::kNoticeStatic), u"");
                 }});
}

TEST_F(MainDialog, SystemCommandsBesideAboutTakeTheDefaultHandling) {
  runMainDialog({[&](CTmx4CheckLinkSpeedDlg& d) {
                   // The system keeps the low four bits; the About item still matches.
                   ui().sendMessage(d.handle(), ui::kWmSysCommand, app::kAboutCommand | 0x3, 0);
                 },
                 [&](CTmx4CheckLinkSpeedDlg&) {
                   const auto about = ui().findDialog(app::kAboutTemplate);
                   ASSERT_NE(about, nullptr);
                   ui().pressKey(about, Key::Escape);
                 },
                 [&](CTmx4CheckLinkSpeedDlg& d) {
                   EXPECT_EQ(ui().findDialog(app::kAboutTemplate), nullptr);
                   ui().sendMessage(d.handle(), ui::kWmSysCommand, ui::kScMinimize, 0);
                   EXPECT_TRUE(m().windows.isIconic(d.handle()));
                 }});
  EXPECT_EQ(m().windows.count(), 0u);
}

struct IconCase {
  int clientWidth, clientHeight, iconSize, x, y;
};
void PrintTo(const IconCase& c, std::ostream* os) { *os << c.clientWidth << "x" << c.clientHeight; }

class MinimisedIcon : public ProgramTest, public ::testing::WithParamInterface<IconCase> {};

TEST_P(MinimisedIcon, IsCentredByTheRoundingRule) {
  const IconCase& c = GetParam();
  ui().minimisedClientWidth = c.clientWidth;
  ui().minimisedClientHeight = c.clientHeight;
  ui().iconSize = c.iconSize;
  runMainDialog({[&](CTmx4CheckLinkSpeedDlg& d) {
    ui().paint(d.handle());
    EXPECT_TRUE(ui().dialog(d.handle())->drawnIcons.empty());
    EXPECT_EQ(ui().dialog(d.handle())->defaultPaints, 1);
    ui().minimise(d.handle());
    const auto& drawn = ui().dialog(d.handle())->drawnIcons;
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].icon, d.m_hIcon);
    EXPECT_EQ(drawn[0].x, c.x);
    EXPECT_EQ(drawn[0].y, c.y);
    EXPECT_EQ(ui().dialog(d.handle())->iconBackgroundErases, 1);
    EXPECT_EQ(ui().sendMessage(d.handle(), ui::kWmQueryDragIcon, 0, 0), reinterpret_cast<std::intptr_t>(d.m_hIcon));
  }});
}

INSTANTIATE_TEST_SUITE_P(Cases, MinimisedIcon,
                         ::testing::Values(IconCase{36, 36, 32, 2, 2}, IconCase{37, 33, 32, 3, 1},
                                           IconCase{160, 28, 32, 64, -1}, IconCase{0, 0, 32, -15, -15},
                                           IconCase{49, 49, 48, 1, 1}),
                         [](const auto& info) {
                           const IconCase& c = info.param;
                           return "Client" + std::to_string(c.clientWidth) + "x" + std::to_string(c.clientHeight) +
                                  "Icon" + std::to_string(c.iconSize);
                         });

}  // namespace
}  // namespace app_test
