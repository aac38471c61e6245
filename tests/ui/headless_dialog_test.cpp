// The dialog framework on the headless window system: message dispatch, the modal
// run, the dialog manager's keys and radio groups, and failures in handlers.
#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "sim/windows.h"
#include "ui/dialog.h"
#include "ui/headless/window_system.h"

namespace {

using namespace ui;

constexpr std::array kControls = {
    ControlTemplate{kIdOk, ControlClass::Button, u"OK", 0, 10, 10, 50, 14, kBsDefPushButton | kWsTabStop},
    ControlTemplate{10, ControlClass::Button, u"Throw", 0, 70, 10, 50, 14, kBsPushButton | kWsTabStop},
    ControlTemplate{21, ControlClass::Button, u"A", 0, 10, 30, 30, 10, kBsAutoRadioButton | kWsGroup},
    ControlTemplate{22, ControlClass::Button, u"B", 0, 50, 30, 30, 10, kBsAutoRadioButton},
    ControlTemplate{31, ControlClass::Button, u"C", 0, 10, 50, 30, 10, kBsAutoRadioButton | kWsGroup},
    ControlTemplate{32, ControlClass::Button, u"D", 0, 50, 50, 30, 10, kBsAutoRadioButton},
    ControlTemplate{40, ControlClass::Edit, u"", 0, 10, 70, 60, 14, kWsBorder | kWsTabStop | kWsGroup},
    ControlTemplate{41, ControlClass::Edit, u"fixed", 0, 10, 90, 60, 14, kEsReadOnly | kWsTabStop},
};
constexpr std::array kDialogs = {
    DialogTemplate{7, u"Test", 150, 120, u"MS UI Gothic", 9, kWsPopup | kWsCaption | kWsSysMenu | kDsModalFrame, 0,
                   kControls},
};
const ResourceSet kResources{kDialogs, {}};

class TestDialog : public Dialog {
 public:
  using Dialog::Dialog;
  bool endAtInit = false;
  bool moveAtInit = false;
  bool failingReport = false;  // OnMessageFailed throws as well
  int initCalls = 0, throws = 0;
  std::vector<std::uint32_t> failedMessages;

 protected:
  bool OnInitDialog() override {
    ++initCalls;
    if (endAtInit) endDialog(42);
    if (moveAtInit) windowSystem().moveWindow(handle_, 5, 7);
    return true;
  }
  void OnMessageFailed(const Message& message) override {
    failedMessages.push_back(message.id);
    if (failingReport) throw std::runtime_error("report failure");
  }
  std::optional<std::intptr_t> WindowProc(const Message& message) override {
    if (!isCommand(message.id, message.wParam, 10)) return Dialog::WindowProc(message);
    Throw();
    return 0;
  }

 private:
  void Throw() {
    ++throws;
    throw std::runtime_error("handler failure");
  }
};

class HeadlessDialog : public ::testing::Test {
 protected:
  sim::Windows desktop;
  headless::WindowSystem ws{kResources, desktop};
  Application app{ws, os::Platform{}, u"Test"};
  TestDialog dialog{app, 7};
  WindowHandle h() { return dialog.handle(); }
};

TEST_F(HeadlessDialog, ExceptionInAHandlerStaysInsideIsReportedAndTheDialogGoesOn) {
  ws.then([&] { EXPECT_TRUE(ws.click(h(), 10)); });
  ws.then([&] {
    dialog.failingReport = true;  // a report that fails in turn stays inside too
    EXPECT_TRUE(ws.click(h(), 10));
  });
  ws.then([&] { EXPECT_TRUE(ws.click(h(), kIdOk)); });
  EXPECT_EQ(dialog.doModal(), kIdOk);
  EXPECT_EQ(dialog.throws, 2);
  EXPECT_EQ(dialog.failedMessages, (std::vector<std::uint32_t>{kWmCommand, kWmCommand}));
}

TEST_F(HeadlessDialog, ADialogNothingMovedIsCentredOnTheWorkAreaOrOverItsOwnerInsideIt) {
  // 150 by 120 dialog units at base units 6 and 12, with a 3-pixel frame and a
  // 22-pixel caption: a 231 by 208 frame.
  ws.then([&] {
    Rect main;
    ASSERT_TRUE(ws.getWindowRect(h(), &main));
    EXPECT_EQ(main, (Rect{396, 280, 627, 488}));
    for (const auto& [ownerX, ownerY, expected] : {std::tuple{100, 50, Rect{100, 50, 331, 258}},
                                                   std::tuple{900, 700, Rect{793, 560, 1024, 768}}}) {
      ws.moveWindow(h(), ownerX, ownerY);
      TestDialog child(app, 7, &dialog);
      ws.then([&] {
        Rect r;
        ws.getWindowRect(child.handle(), &r);
        EXPECT_EQ(r, expected) << ownerX;
        ws.pressKey(child.handle(), headless::Key::Escape);
      });
      child.doModal();
    }
    TestDialog placed(app, 7, &dialog);
    placed.moveAtInit = true;  // placed by its own initialisation: left there
    ws.then([&] {
      Rect r;
      ws.getWindowRect(placed.handle(), &r);
      EXPECT_EQ(r, (Rect{5, 7, 236, 215}));
      ws.pressKey(placed.handle(), headless::Key::Escape);
    });
    placed.doModal();
  });
  dialog.doModal();
}

TEST_F(HeadlessDialog, AutomaticRadioButtonsClearOnlyTheirOwnGroup) {
  ws.then([&] {
    ws.click(h(), 21);
    ws.click(h(), 32);
    ws.click(h(), 22);
    EXPECT_FALSE(ws.control(h(), 21)->checked);
    EXPECT_TRUE(ws.control(h(), 22)->checked);
    EXPECT_TRUE(ws.control(h(), 32)->checked);
    dialog.checkRadioButton(31, 32, 31);
    EXPECT_TRUE(dialog.isButtonChecked(31));
    EXPECT_FALSE(dialog.isButtonChecked(32));
  });
  dialog.doModal();
}

TEST_F(HeadlessDialog, TypingHonoursReadOnlyAndTheTextLimit) {
  ws.then([&] {
    EXPECT_FALSE(ws.type(h(), 41, u"changed"));
    EXPECT_EQ(dialog.itemText(41), u"fixed");
    dialog.sendMessage(kEmSetLimitText, 4, 0);  // to the dialog: ignored
    ws.sendMessage(dialog.item(40), kEmSetLimitText, 4, 0);
    EXPECT_TRUE(ws.type(h(), 40, u"123456"));
    EXPECT_EQ(dialog.itemText(40), u"1234");
    dialog.setItemText(40, u"set directly ignores the limit");
    EXPECT_EQ(dialog.itemText(40), u"set directly ignores the limit");
  });
  dialog.doModal();
}

TEST_F(HeadlessDialog, ScriptRunningOutClosesLikeTheCloseBox) {
  EXPECT_EQ(dialog.doModal(), kIdCancel);
  EXPECT_EQ(desktop.count(), 0u);
  EXPECT_EQ(dialog.handle(), nullptr);
}

TEST_F(HeadlessDialog, EndingDuringInitialisationNeverShowsTheDialog) {
  dialog.endAtInit = true;
  bool ran = false;
  ws.then([&] { ran = true; });
  EXPECT_EQ(dialog.doModal(), 42);
  EXPECT_FALSE(ran);
  EXPECT_EQ(ws.script.size(), 1u);
}

TEST_F(HeadlessDialog, MissingTemplateFails) {
  TestDialog missing(app, 99);
  EXPECT_EQ(missing.doModal(), -1);
  EXPECT_EQ(missing.initCalls, 0);
}

TEST_F(HeadlessDialog, ModalChildDisablesItsOwnerAndMessageBoxesRecordTheirKind) {
  ws.then([&] {
    TestDialog child(app, 7, &dialog);
    ws.then([&] {
      EXPECT_FALSE(desktop.isWindowEnabled(h()));
      EXPECT_FALSE(ws.click(h(), kIdOk));  // input to the owner is refused
      EXPECT_EQ(desktop.getLastActivePopup(h()), child.handle());
      child.messageBox(u"dialog box");
      app.messageBox(u"application box");
      ws.pressKey(child.handle(), headless::Key::Escape);
    });
    EXPECT_EQ(child.doModal(), kIdCancel);
    EXPECT_TRUE(desktop.isWindowEnabled(h()));
    EXPECT_EQ(desktop.getLastActivePopup(h()), h());
    EXPECT_EQ(desktop.getForegroundWindow(), h());
  });
  dialog.doModal();
  ASSERT_EQ(ws.messageBoxes().size(), 2u);
  EXPECT_EQ(ws.messageBoxes()[0].type, kMbOk);
  EXPECT_EQ(ws.messageBoxes()[0].caption, u"Test");
  EXPECT_EQ(ws.messageBoxes()[1].type, kMbOk | kMbIconExclamation);
  EXPECT_EQ(ws.messageBoxes()[1].owner, nullptr);  // no main window set
}

TEST_F(HeadlessDialog, HelpCommandGoesToTheApplication) {
  ws.then([&] { EXPECT_EQ(dialog.sendMessage(kWmCommand, kIdHelp, 0), 0); });
  dialog.doModal();
}

}  // namespace

// callDefault() runs the system's processing of the message there and then, once,
// so that what a handler does after it comes after the system's part.
class DefaultFirstDialog : public Dialog {
 public:
  DefaultFirstDialog(Application& app, headless::WindowSystem& ws) : Dialog(app, 7), ws_(ws) {}
  int destroysSeenAfterDefault = -1, paintsSeenAfterDefault = -1;
  std::intptr_t paintDefaultResult = -1;

 protected:
  std::optional<std::intptr_t> WindowProc(const Message& message) override {
    switch (message.id) {
      case kWmDestroy: OnDestroy(); return 0;
      case kWmPaint: OnPaint(); return 0;
      default: return Dialog::WindowProc(message);
    }
  }

 private:
  void OnDestroy() {
    callDefault();
    destroysSeenAfterDefault = ws_.dialog(handle())->defaultDestroys;
  }
  void OnPaint() {
    paintDefaultResult = callDefault();
    callDefault();  // asking twice does not process the message twice
    paintsSeenAfterDefault = ws_.dialog(handle())->defaultPaints;
  }
  headless::WindowSystem& ws_;
};

TEST_F(HeadlessDialog, DefaultProcessingRunsInsideTheHandlerAndOnlyOnce) {
  DefaultFirstDialog first(app, ws);
  WindowHandle handle = nullptr;
  ws.then([&] {
    handle = first.handle();
    ws.paint(handle);
    EXPECT_EQ(ws.dialog(handle)->defaultPaints, 1);
  });
  first.doModal();
  EXPECT_EQ(first.paintsSeenAfterDefault, 1);
  EXPECT_EQ(first.paintDefaultResult, 0);
  EXPECT_EQ(first.destroysSeenAfterDefault, 1);
}
