// Threads and posted messages of the simulated machine: a posted message waits in
// the queue (it is not delivered while the poster runs), only windows that exist
// take messages, and the machine can wait for the threads it started.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "sim/threads.h"
#include "sim/windows.h"

namespace {

TEST(SimThreads, PostedMessagesWaitInTheQueueOfTheirWindow) {
  sim::Windows desktop;
  sim::Threads threads(desktop);
  const os::Handle a = desktop.createWindow(nullptr, u"a"), b = desktop.createWindow(nullptr, u"b");
  ASSERT_TRUE(threads.postMessageA(a, 0x8001, 2, -203));
  ASSERT_TRUE(threads.postMessageA(b, 0x8002, 0, 0));
  EXPECT_EQ(threads.pending(), 2u);
  os::PostedMessage m;
  ASSERT_TRUE(threads.waitForMessage(b, 0, &m));
  EXPECT_EQ(m.message, 0x8002u);
  ASSERT_TRUE(threads.waitForMessage(nullptr, 0, &m));
  EXPECT_EQ(m.window, a);
  EXPECT_EQ(m.wParam, 2u);
  EXPECT_EQ(m.lParam, -203);
  EXPECT_FALSE(threads.waitForMessage(nullptr, 10, &m));
  EXPECT_EQ(os::lastError(), os::kErrorTimeout);
  EXPECT_EQ(threads.posted().size(), 2u);
}

TEST(SimThreads, NoWindowOrAWindowThatIsGone) {
  sim::Windows desktop;
  sim::Threads threads(desktop);
  const os::Handle w = desktop.createWindow(nullptr, u"w");
  desktop.destroyWindow(w);
  EXPECT_FALSE(threads.postMessageA(w, 0x8001, 0, 0));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidWindowHandle);
  EXPECT_TRUE(threads.postMessageA(nullptr, 0, 1, 1));  // to the poster's own queue
  EXPECT_EQ(threads.postedWithoutWindow(), 1);
  EXPECT_EQ(threads.pending(), 0u);
}

struct Poster {
  sim::Threads* threads;
  os::Handle window;
};
void postOnce(void* argument) {
  const auto* p = static_cast<Poster*>(argument);
  p->threads->postMessageA(p->window, 0x8123, 3, -205);
}

TEST(SimThreads, EachThreadHasAMessageWindowOfItsOwnThatTakesPostsFromWorkers) {
  sim::Windows desktop;
  sim::Threads threads(desktop);
  const os::Handle mine = threads.messageWindow();
  ASSERT_NE(mine, nullptr);
  EXPECT_EQ(threads.messageWindow(), mine);
  os::Handle theirs = nullptr;
  std::thread other([&] { theirs = threads.messageWindow(); });
  other.join();
  EXPECT_NE(theirs, nullptr);
  EXPECT_NE(theirs, mine);
  // Not a window of the desktop: nothing enumerates it.
  EXPECT_EQ(desktop.count(), 0u);

  Poster poster{&threads, mine};
  ASSERT_TRUE(threads.beginThread(&postOnce, &poster));
  os::PostedMessage m;
  ASSERT_TRUE(threads.waitForMessage(mine, 20000, &m));
  EXPECT_EQ(m.window, mine);
  EXPECT_EQ(m.message, 0x8123u);
  EXPECT_EQ(m.wParam, 3u);
  EXPECT_EQ(m.lParam, -205);
  EXPECT_FALSE(threads.waitForMessage(mine, 10, &m));
  EXPECT_EQ(os::lastError(), 1460u);
  threads.joinAll();
}

std::atomic<int> g_ran{0};
void countRun(void* argument) {
  g_ran += *static_cast<int*>(argument);
}

TEST(SimThreads, ThreadsRunOnTheirOwnAndCanBeWaitedFor) {
  sim::Windows desktop;
  sim::Threads threads(desktop);
  int three = 3;
  g_ran = 0;
  ASSERT_TRUE(threads.beginThread(&countRun, &three));
  ASSERT_TRUE(threads.beginThread(&countRun, &three));
  threads.joinAll();
  EXPECT_EQ(g_ran, 6);
  EXPECT_EQ(threads.running(), 0);
  threads.failStarts(1);
  EXPECT_FALSE(threads.beginThread(&countRun, &three));
  EXPECT_EQ(os::lastError(), os::kErrorNotEnoughMemory);
  EXPECT_TRUE(threads.beginThread(&countRun, &three));
  threads.joinAll();
  EXPECT_EQ(threads.started(), 3);
}

}  // namespace
