// The simulated desktop and named objects, as two copies of the program see them.
#include <gtest/gtest.h>

#include "sim/named_objects.h"
#include "sim/processes.h"
#include "sim/windows.h"

namespace {

TEST(SimulatedNamedObjects, SecondCreateSeesTheFirstUntilItsLastHolderEnds) {
  sim::ObjectNamespace space;
  sim::ProcessObjects first(space), second(space);
  ASSERT_NE(first.createMutex(u"{id}", true), nullptr);
  EXPECT_EQ(os::lastError(), os::kErrorSuccess);
  ASSERT_NE(second.createMutex(u"{id}", true), nullptr);
  EXPECT_EQ(os::lastError(), os::kErrorAlreadyExists);
  first.closeAll();
  EXPECT_TRUE(space.exists(u"{id}"));  // the second copy still holds it
  second.closeAll();
  EXPECT_FALSE(space.exists(u"{id}"));
  EXPECT_NE(first.createMutex(u"{id}", true), nullptr);
  EXPECT_EQ(os::lastError(), os::kErrorSuccess);
  EXPECT_FALSE(second.closeHandle(reinterpret_cast<os::Handle>(1)));
  EXPECT_EQ(first.createMutex(u"", true), nullptr);
}

TEST(SimulatedDesktop, EnumeratesTopFirstAndStopsWhenTold) {
  sim::Windows desktop;
  const auto a = desktop.createWindow(nullptr, u"a");
  const auto b = desktop.createWindow(nullptr, u"b");
  desktop.setForegroundWindow(a);
  std::vector<os::Handle> seen;
  auto collect = [](os::Handle w, std::intptr_t p) {
    reinterpret_cast<std::vector<os::Handle>*>(p)->push_back(w);
    return true;
  };
  EXPECT_TRUE(desktop.enumWindows(collect, reinterpret_cast<std::intptr_t>(&seen)));
  EXPECT_EQ(seen, (std::vector<os::Handle>{a, b}));
  EXPECT_FALSE(desktop.enumWindows([](os::Handle, std::intptr_t) { return false; }, 0));
}

TEST(SimulatedDesktop, LastActivePopupFollowsActivationAndDestruction) {
  sim::Windows desktop;
  const auto main = desktop.createWindow(nullptr, u"main");
  const auto about = desktop.createWindow(main, u"about");
  const auto box = desktop.createWindow(about, u"box");
  for (auto w : {main, about, box}) desktop.showWindow(w, os::kSwShow);
  desktop.setActiveWindow(main);
  EXPECT_EQ(desktop.getLastActivePopup(main), main);
  desktop.setActiveWindow(box);
  EXPECT_EQ(desktop.getLastActivePopup(main), box);
  EXPECT_TRUE(desktop.destroyWindow(about));  // takes the box with it
  EXPECT_FALSE(desktop.isWindow(box));
  EXPECT_EQ(desktop.getLastActivePopup(main), main);
  EXPECT_EQ(desktop.getForegroundWindow(), main);
  EXPECT_EQ(desktop.getLastActivePopup(box), nullptr);
  EXPECT_EQ(os::lastError(), os::kErrorInvalidWindowHandle);
}

TEST(SimulatedDesktop, PropertiesAndMinimisedState) {
  sim::Windows desktop;
  const auto w = desktop.createWindow(nullptr, u"w");
  EXPECT_EQ(desktop.getProp(w, u"{id}"), nullptr);
  desktop.setProp(w, u"{ID}", reinterpret_cast<os::Handle>(1));
  EXPECT_EQ(desktop.getProp(w, u"{id}"), reinterpret_cast<os::Handle>(1));
  desktop.showWindow(w, os::kSwMinimize);
  EXPECT_TRUE(desktop.isIconic(w));
  EXPECT_TRUE(desktop.showWindow(w, os::kSwRestore));
  EXPECT_FALSE(desktop.isIconic(w));
}

TEST(CommandLineWords, QuotesGroupAndAreRemoved) {
  EXPECT_EQ(sim::splitCommandLine(u"\"C:\\Program Files\\a.exe\"  /x  \"b c\"d"),
            (std::vector<std::u16string>{u"C:\\Program Files\\a.exe", u"/x", u"b cd"}));
  EXPECT_TRUE(sim::splitCommandLine(u"   ").empty());
}

}  // namespace
