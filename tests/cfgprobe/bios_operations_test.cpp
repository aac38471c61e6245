// BIOS image read, compare, write and erase: what each worker leaves in the chip,
// the file, the progress, LastError and its one completion message, and what the
// state reads while a worker is held at a block.
#include <algorithm>
#include <cstring>
#include <functional>
#include <thread>
#include <utility>

#include "tests/cfgprobe/controller_fixture.h"

namespace cfgprobe_test {
namespace {

class BiosOperations : public ControllerTest {
 public:
  void SetUp() override {
    ControllerTest::SetUp();
    image = patternImage();
    controller = &addController(3, 0, 0, image);
    ASSERT_EQ(search(), 1);
    listenForCompletion();
  }
  // Runs an operation to its message; false when it did not start or no message came.
  bool run(const std::function<int()>& start, os::PostedMessage* message) {
    if (start() != 1) return false;
    const bool arrived = completion(message);
    workersDone();
    return arrived;
  }
  sim::Machine& m() { return machine(); }

  std::vector<std::uint8_t> image;
  sim::SiI3132* controller = nullptr;
  char path[260] = "C:\\Tools\\bios.bin";
};

TEST_F(BiosOperations, ReadProgressWhileTheWorkerRunsThenTheImageInTheFile) {
  RequestGate gate(m().accessDriver, kReadBlockCode, {1, 21});
  ASSERT_EQ(KX_GetBiosData(1, path), 1);
  KxLong status = -1;
  ASSERT_TRUE(gate.waitHeldAt(1));
  EXPECT_EQ(KX_GetBiosOperationProgress(&status), 0);  // 1 block of 2048
  EXPECT_EQ(status, kStatusReadingBios);
  EXPECT_EQ(KX_GetLastError(), 1);
  gate.release();
  ASSERT_TRUE(gate.waitHeldAt(21));
  EXPECT_EQ(KX_GetBiosOperationProgress(&status), 1);  // 21 x 6400 / 131072
  EXPECT_EQ(m().threads.pending(), 0u);  // no message for progress
  gate.release();
  os::PostedMessage message;
  ASSERT_TRUE(completion(&message));
  EXPECT_EQ(message.wParam, 2u);
  EXPECT_EQ(message.lParam, 1);
  workersDone();
  EXPECT_EQ(KX_GetBiosOperationProgress(&status), 100);
  EXPECT_EQ(status, kStatusIdle);
  EXPECT_EQ(readHostFile("bios.bin"), image);
  EXPECT_STREQ(CKXACS::szFileNameToSaveBios, path);
  EXPECT_EQ(m().threads.posted().size(), 1u);
}

// What a program does that has no window of its own: it registers the calling
// thread's message window and waits there; the worker's message reaches it and
// no other window.
TEST_F(BiosOperations, TheCompletionReachesTheCallingThreadsMessageWindow) {
  os::Threads& threads = *os::platform().threads;
  const os::Handle own = threads.messageWindow();
  ASSERT_NE(own, nullptr);
  ASSERT_EQ(KX_SetWindowMessage(own, 0x8123), 1);
  writeHostFile("bios.bin", image);
  ASSERT_EQ(KX_CompareBiosData(1, path), 1);
  os::PostedMessage message;
  ASSERT_TRUE(threads.waitForMessage(own, 20000, &message));
  EXPECT_EQ(message.window, own);
  EXPECT_EQ(message.message, 0x8123u);
  EXPECT_EQ(message.wParam, 3u);
  EXPECT_EQ(message.lParam, 1);
  workersDone();
  EXPECT_FALSE(threads.waitForMessage(window_, 0, &message));
  EXPECT_EQ(m().threads.posted().size(), 1u);
}

TEST_F(BiosOperations, WhileAWorkerRunsEveryOtherOperationIsRefused) {
  RequestGate gate(m().accessDriver, kReadBlockCode, {5});
  ASSERT_EQ(KX_GetBiosData(1, path), 1);
  ASSERT_TRUE(gate.waitHeldAt(5));
  char other[] = "C:\\Tools\\other.bin";
  int count = 0;
  BIOSPROPERTYDATA data{};
  EXPECT_EQ(KX_EraseBiosData(1), -101);
  EXPECT_EQ(KX_GetBiosData(1, other), -101);
  EXPECT_EQ(KX_CompareBiosData(1, other), -101);
  EXPECT_EQ(KX_SetBiosData(1, other), -101);
  EXPECT_EQ(KX_GetSiI3132Device(&count), -101);
  EXPECT_EQ(KX_GetNewSiI3132Device(&count), -101);
  EXPECT_EQ(KX_GetBiosInfo(1, &data), -101);
  EXPECT_EQ(KX_ExitLibrary(), -101);
  EXPECT_EQ(CKXACS::CurrentStatus, kStatusReadingBios);
  EXPECT_STREQ(CKXACS::szFileNameToSaveBios, path);  // the refused read kept its hands off
  EXPECT_EQ(m().accessDriver.requests(kReadBlockCode), 5u);
  gate.release();
  os::PostedMessage message;
  ASSERT_TRUE(completion(&message));
  workersDone();
  EXPECT_EQ(KX_EraseBiosData(1), 1);
  EXPECT_EQ(controller->flash().chipErases(), 1);
}

TEST_F(BiosOperations, AStartThatHasTakenTheBusyStateShutsOutASecondOneBeforeItsWorkerRuns) {
  // The first start is held at its configuration write, after it took the busy state.
  RequestGate gate(m().accessDriver, sim::access::kWritePort, {0});
  int first = 0;
  std::thread caller([&] { first = KX_GetBiosData(1, path); });
  ASSERT_TRUE(gate.waitHeldAt(0));
  char other[] = "C:\\Tools\\other.bin";
  int count = -1;
  EXPECT_EQ(KX_CompareBiosData(1, other), -101);
  EXPECT_EQ(KX_SetBiosData(1, other), -101);
  EXPECT_EQ(KX_GetSiI3132Device(&count), -101);
  EXPECT_EQ(count, -1);
  EXPECT_STREQ(CKXACS::szFileNameToReadBios, "");
  gate.release();
  caller.join();
  EXPECT_EQ(first, 1);
  os::PostedMessage message;
  ASSERT_TRUE(completion(&message));
  EXPECT_EQ(message.lParam, 1);
  workersDone();
  EXPECT_EQ(m().threads.started(), 1);
}

// One worker outcome: how the machine was arranged, the message and the state left.
struct Outcome {
  const char* name;
  std::function<void(BiosOperations&)> arrange;
  std::function<int(char*)> start;
  std::uintptr_t wParam;
  std::intptr_t lParam;
  std::int32_t progress;
};

class WorkerOutcome : public BiosOperations, public ::testing::WithParamInterface<Outcome> {};

TEST_P(WorkerOutcome, OneMessageAndTheStateItLeaves) {
  const Outcome& c = GetParam();
  c.arrange(*this);
  os::PostedMessage message;
  ASSERT_TRUE(run([&] { return c.start(path); }, &message));
  EXPECT_EQ(message.wParam, c.wParam);
  EXPECT_EQ(message.lParam, c.lParam);
  EXPECT_EQ(KX_GetLastError(), c.lParam);
  KxLong status = -1;
  EXPECT_EQ(KX_GetBiosOperationProgress(&status), c.progress);
  EXPECT_EQ(status, kStatusIdle);
  EXPECT_EQ(m().threads.posted().size(), 1u);
}

int readBios(char* name) { return KX_GetBiosData(1, name); }
int compareBios(char* name) { return KX_CompareBiosData(1, name); }
int writeBios(char* name) { return KX_SetBiosData(1, name); }
void fileHolds(BiosOperations& t, std::vector<std::uint8_t> bytes) { t.writeHostFile("bios.bin", bytes); }
void nothing(BiosOperations&) {}

INSTANTIATE_TEST_SUITE_P(
    Table, WorkerOutcome,
    ::testing::Values(
        Outcome{"ReadDone", nothing, readBios, 2, 1, 100},
        Outcome{"ReadFileCannotBeCreated",
                [](BiosOperations& t) { t.m().files.failOpen(u"C:\\Tools\\bios.bin", os::kErrorAccessDenied); }, readBios,
                2, -203, 0},
        Outcome{"ReadFileWriteFails", [](BiosOperations& t) { t.m().files.failWrites(u"C:\\Tools\\bios.bin"); },
                readBios, 2, -15, 100},
        Outcome{"ReadBlockRequestFails",
                [](BiosOperations& t) { t.m().accessDriver.failRequestsOf(kReadBlockCode, 640, 1); }, readBios, 2, -20,
                31},
        Outcome{"CompareEqual", [](BiosOperations& t) { fileHolds(t, t.image); }, compareBios, 3, 1, 100},
        Outcome{"CompareFileMissing", nothing, compareBios, 3, -200, 0},
        Outcome{"CompareBlockRequestFails",
                [](BiosOperations& t) {
                  fileHolds(t, t.image);
                  t.m().accessDriver.failRequestsOf(kReadBlockCode, 0, -1);
                },
                compareBios, 3, -20, 0},
        Outcome{"CompareEmptyName", [](BiosOperations& t) { t.path[0] = '\0'; }, compareBios, 0, -202, 0},
        Outcome{"WriteDone", [](BiosOperations& t) { fileHolds(t, t.image); }, writeBios, 1, 1, 100},
        Outcome{"WriteFileMissing", nothing, writeBios, 0, -203, 0},
        Outcome{"WriteEmptyName", [](BiosOperations& t) { t.path[0] = '\0'; }, writeBios, 0, -202, 0},
        Outcome{"WriteBlockNotProgrammed",
                [](BiosOperations& t) {
                  fileHolds(t, t.image);
                  t.m().accessDriver.failRequestsOf(kWriteBlockCode, 100, 1);
                },
                writeBios, 1, -20, 4}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BiosOperations, CompareStopsAtTheFirstDifferingBlock) {
  std::vector<std::uint8_t> file = image;
  file[700 * 64 + 13] ^= 0x01;
  file[900 * 64] ^= 0x01;
  writeHostFile("bios.bin", file);
  RequestGate counting(m().accessDriver, kReadBlockCode, {});
  os::PostedMessage message;
  ASSERT_TRUE(run([&] { return KX_CompareBiosData(1, path); }, &message));
  EXPECT_EQ(message.wParam, 3u);
  EXPECT_EQ(message.lParam, -205);
  EXPECT_EQ(KX_GetBiosOperationProgress(nullptr), -1);
  EXPECT_EQ(m().accessDriver.requests(kReadBlockCode), 701u);
}

TEST_F(BiosOperations, WriteErasesFirstThenProgramsTheFile) {
  std::vector<std::uint8_t> file = patternImage(131072 + 100);
  std::reverse(file.begin(), file.end());
  writeHostFile("bios.bin", file);
  os::PostedMessage message;
  ASSERT_TRUE(run([&] { return KX_SetBiosData(1, path); }, &message));
  EXPECT_EQ(message.lParam, 1);
  EXPECT_EQ(controller->flash().chipErases(), 1);
  EXPECT_EQ(m().clock.sleeps(), std::vector<std::uint32_t>{100});
  file.resize(131072);  // only the first 131072 bytes of a longer file
  EXPECT_EQ(controller->flash().contents(), file);
}

TEST_F(BiosOperations, ShortFileIsWrittenAndComparedAsIfErasedBeyondItsEnd) {
  const std::vector<std::uint8_t> head(image.begin(), image.begin() + 1000);
  writeHostFile("bios.bin", head);
  os::PostedMessage message;
  ASSERT_TRUE(run([&] { return KX_SetBiosData(1, path); }, &message));
  EXPECT_EQ(message.lParam, 1);
  std::vector<std::uint8_t> expected(131072, 0xFF);
  std::copy(head.begin(), head.end(), expected.begin());
  EXPECT_EQ(controller->flash().contents(), expected);
  ASSERT_TRUE(run([&] { return KX_CompareBiosData(1, path); }, &message));
  EXPECT_EQ(message.lParam, 1);
}

TEST_F(BiosOperations, RefusalsBeforeAWorkerStarts) {
  char tooLong[300];
  std::memset(tooLong, 'a', sizeof tooLong);
  tooLong[260] = '\0';
  BiosOperationProgress = 55;
  EXPECT_EQ(KX_GetBiosData(1, nullptr), -10);
  EXPECT_EQ(BiosOperationProgress, 0);
  EXPECT_EQ(KX_CompareBiosData(1, nullptr), -10);
  EXPECT_EQ(KX_SetBiosData(1, nullptr), -10);
  for (const std::function<int()>& start : std::vector<std::function<int()>>{
           [&] { return KX_GetBiosData(1, tooLong); }, [&] { return KX_CompareBiosData(1, tooLong); },
           [&] { return KX_SetBiosData(1, tooLong); }})
    EXPECT_EQ(start(), -10);
  EXPECT_EQ(controller->flash().chipErases(), 0);  // no refused write erased the chip
  EXPECT_EQ(CKXACS::CurrentStatus, kStatusIdle);
  EXPECT_EQ(m().threads.started(), 0);
  // A configuration write the driver fails: -20, the name already taken.
  m().accessDriver.failRequestsOf(0x9C402414, 0, 1);
  EXPECT_EQ(KX_GetBiosData(1, path), -20);
  EXPECT_STREQ(CKXACS::szFileNameToSaveBios, path);
  // No thread for the worker.
  m().threads.failStarts(1);
  EXPECT_EQ(KX_CompareBiosData(1, path), -150);
  EXPECT_EQ(CKXACS::CurrentStatus, kStatusIdle);
}

TEST_F(BiosOperations, EraseAndItsFailure) {
  EXPECT_EQ(KX_EraseBiosData(1), 1);
  EXPECT_EQ(m().clock.sleeps(), std::vector<std::uint32_t>{100});
  EXPECT_EQ(controller->flash().contents(), std::vector<std::uint8_t>(131072, 0xFF));
  // A flash register write that fails: -110, no wait, and a write does not start.
  m().accessDriver.failRequestsOf(0x9C40241C, 3, 1);
  EXPECT_EQ(KX_EraseBiosData(1), -110);
  m().accessDriver.failRequestsOf(0x9C40241C, 0, 1);
  writeHostFile("bios.bin", image);
  EXPECT_EQ(KX_SetBiosData(1, path), -110);
  EXPECT_EQ(m().clock.sleeps().size(), 1u);
  EXPECT_EQ(m().threads.started(), 0);
  EXPECT_EQ(CKXACS::CurrentStatus, kStatusIdle);
}

TEST_F(BiosOperations, EraseThatTheChipHasNotFinishedStillCountsAndTheWriteFails) {
  controller->flash().setEraseTimes(250, 18);
  EXPECT_EQ(KX_EraseBiosData(1), 1);
  EXPECT_EQ(controller->flash().mode(), sim::JedecFlash::Mode::Erasing);
  writeHostFile("bios.bin", image);
  os::PostedMessage message;
  ASSERT_TRUE(run([&] { return KX_SetBiosData(1, path); }, &message));
  EXPECT_EQ(message.lParam, -20);  // the chip was still erasing: nothing took
}

// A file as another program reads it: opened without sharing, so not while the
// library still holds it open.
std::vector<std::uint8_t> readWithoutSharing(const char* name) {
  os::Files& files = *os::platform().files;
  const os::Handle file = files.createFileA(name, os::kGenericRead, 0, os::kOpenExisting);
  if (!os::isValid(file)) return {};
  std::vector<std::uint8_t> bytes(131072 + 1);
  std::uint32_t read = 0;
  files.readFile(file, bytes.data(), static_cast<std::uint32_t>(bytes.size()), &read);
  files.closeFile(file);
  bytes.resize(read);
  return bytes;
}

// The caller's message loop takes a worker's message and acts on it before the
// worker's thread runs on: the posting thread carries out the caller's reaction
// at the post, on the state the worker has left by then.
class CallerActsOnTheMessage final : public os::Threads {
 public:
  CallerActsOnTheMessage(os::Threads& threads, std::function<void()> reaction)
      : threads_(threads), reaction_(std::move(reaction)) {}
  bool beginModuleThread(os::ThreadProcedure procedure, void* argument) override {
    return threads_.beginModuleThread(procedure, argument);
  }
  bool postMessageA(os::Handle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
    if (const std::function<void()> reaction = std::exchange(reaction_, nullptr)) reaction();
    return threads_.postMessageA(window, message, wParam, lParam);
  }
  bool waitForMessage(os::Handle window, std::uint32_t timeoutMs, os::PostedMessage* message) override {
    return threads_.waitForMessage(window, timeoutMs, message);
  }

 private:
  os::Threads& threads_;
  std::function<void()> reaction_;
};

TEST_F(BiosOperations, CallerMayStartTheNextOperationAndOpenTheFileAsSoonAsTheMessageArrives) {
  int compareStarted = 0;
  std::vector<std::uint8_t> fileSeen;
  CallerActsOnTheMessage caller(m().threads, [&] {
    KxLong status = -1;
    KX_GetBiosOperationProgress(&status);
    EXPECT_EQ(status, kStatusIdle);
    fileSeen = readWithoutSharing(path);
    compareStarted = KX_CompareBiosData(1, path);
  });
  os::Platform platform = m().platform();
  platform.threads = &caller;
  os::installPlatform(platform);
  ASSERT_EQ(KX_GetBiosData(1, path), 1);
  workersDone();
  ASSERT_EQ(compareStarted, 1);  // not refused as busy
  EXPECT_EQ(fileSeen, image);    // the read's file closed and whole
  std::vector<os::PostedMessage> messages = m().threads.posted();
  ASSERT_EQ(messages.size(), 2u);
  std::sort(messages.begin(), messages.end(), [](const auto& a, const auto& b) { return a.wParam < b.wParam; });
  EXPECT_EQ(messages[0].wParam, 2u);  // the read's
  EXPECT_EQ(messages[0].lParam, 1);
  EXPECT_EQ(messages[1].wParam, 3u);  // the compare's
  EXPECT_EQ(messages[1].lParam, 1);
  m().install();
}

TEST_F(BiosOperations, WithoutARegisteredWindowNoWindowIsNotified) {
  NotifyWindow = nullptr;
  NotifyMessage = 0;
  ASSERT_EQ(KX_GetBiosData(1, path), 1);
  workersDone();
  EXPECT_EQ(m().threads.posted().size(), 0u);
  EXPECT_EQ(m().threads.postedWithoutWindow(), 1);
  EXPECT_EQ(KX_GetLastError(), 1);
}

// The caller polls the status words while a real worker writes them: read at a
// held block they are exact, and polled freely afterwards they only ever show the
// compare's own values (under the thread sanitizer this also shows the accesses safe).
TEST_F(BiosOperations, StatusWordsPolledWhileAWorkerWritesThem) {
  writeHostFile("bios.bin", image);
  RequestGate gate(m().accessDriver, kReadBlockCode, {1000});
  ASSERT_EQ(KX_CompareBiosData(1, path), 1);
  ASSERT_TRUE(gate.waitHeldAt(1000));
  KxLong status = -1;
  EXPECT_EQ(KX_GetBiosOperationProgress(&status), 48);  // 1000 x 6400 / 131072
  EXPECT_EQ(status, kStatusComparingBios);
  EXPECT_EQ(KX_GetLastError(), 1);
  gate.release();
  int last = 48, odd = 0;
  for (KxLong now = kStatusComparingBios; now != kStatusIdle;) {
    const int progress = KX_GetBiosOperationProgress(&now);
    if (progress < last || progress > 100 || (now != kStatusIdle && now != kStatusComparingBios) ||
        KX_GetLastError() != 1)
      ++odd;
    last = progress;
  }
  EXPECT_EQ(odd, 0);
  os::PostedMessage message;
  ASSERT_TRUE(completion(&message));
  EXPECT_EQ(message.wParam, 3u);
  EXPECT_EQ(message.lParam, 1);
  EXPECT_EQ(last, 100);
}

// A worker's message carries its own status, never what CurrentStatus holds by
// then: a caller may have written the exported word, or (after an early failure
// gave the busy state back) started its next operation, whose busy state the
// failed worker must leave alone.
TEST_F(BiosOperations, TheCompletionCarriesTheWorkersOwnStatus) {
  writeHostFile("bios.bin", image);
  {
    RequestGate gate(m().accessDriver, kReadBlockCode, {5});
    ASSERT_EQ(KX_CompareBiosData(1, path), 1);
    ASSERT_TRUE(gate.waitHeldAt(5));
    CKXACS::CurrentStatus = kStatusReadingBios;
    gate.release();
    os::PostedMessage message;
    ASSERT_TRUE(completion(&message));
    EXPECT_EQ(message.wParam, 3u);
    workersDone();
  }
  char empty[] = "";  // the compare's file read fails: wParam 0, -202
  for (int round = 0; round < 20 && !HasFailure(); ++round) {
    SCOPED_TRACE(round);
    RequestGate gate(m().accessDriver, kReadBlockCode, {0});
    ASSERT_EQ(KX_CompareBiosData(1, empty), 1);
    int next = -101;
    while (next == -101) next = KX_GetBiosData(1, path);
    ASSERT_EQ(next, 1);
    ASSERT_TRUE(gate.waitHeldAt(0));
    os::PostedMessage message;
    ASSERT_TRUE(completion(&message));
    EXPECT_EQ(message.wParam, 0u);
    EXPECT_EQ(message.lParam, -202);
    KxLong status = -1;
    KX_GetBiosOperationProgress(&status);
    EXPECT_EQ(status, kStatusReadingBios);
    m().accessDriver.failRequestsOf(kReadBlockCode, 0, -1);  // the read ends at its first block
    gate.release();
    ASSERT_TRUE(completion(&message));
    EXPECT_EQ(message.wParam, 2u);
    workersDone();
    m().accessDriver.failRequestsOf(kReadBlockCode, 0, 0);
  }
}

// The device answers block reads with fewer bytes than the record, as a driver
// that did not fill it does; METHOD_BUFFERED hands back only those bytes.
class ShortBlockReplies final : public os::DeviceIo {
 public:
  explicit ShortBlockReplies(os::DeviceIo& devices) : devices_(devices) {}
  os::Handle createFileA(std::string_view name, std::uint32_t access, std::uint32_t share, std::uint32_t disposition,
                         std::uint32_t flags) override {
    return devices_.createFileA(name, access, share, disposition, flags);
  }
  bool deviceIoControl(os::Handle device, std::uint32_t code, const void* input, std::uint32_t inputSize, void* output,
                       std::uint32_t outputSize, std::uint32_t* returned, os::Overlapped* overlapped) override {
    std::uint32_t filled = 0;
    const bool done =
        devices_.deviceIoControl(device, code, input, inputSize, output, outputSize, &filled, overlapped);
    if (done && code == kReadBlockCode && filled > 12) {
      filled = 12;  // the address, command and value words, no data
      std::memset(static_cast<std::uint8_t*>(output) + filled, 0, outputSize - filled);
    }
    if (returned) *returned = filled;
    return done;
  }
  os::Handle createEventA(bool manualReset, bool signalled, const char* name) override {
    return devices_.createEventA(manualReset, signalled, name);
  }
  bool setEvent(os::Handle event) override { return devices_.setEvent(event); }
  bool resetEvent(os::Handle event) override { return devices_.resetEvent(event); }
  bool closeHandle(os::Handle handle) override { return devices_.closeHandle(handle); }

 private:
  os::DeviceIo& devices_;
};

TEST_F(BiosOperations, ABlockReadThatDoesNotReturnTheWholeRecordIsNoBlock) {
  ShortBlockReplies devices(m().devices);
  os::Platform platform = m().platform();
  platform.devices = &devices;
  os::installPlatform(platform);
  os::PostedMessage message;
  const bool ran = run([&] { return KX_GetBiosData(1, path); }, &message);
  m().install();
  ASSERT_TRUE(ran);
  EXPECT_EQ(message.lParam, -20);
  EXPECT_EQ(KX_GetLastError(), -20);
  EXPECT_EQ(m().accessDriver.requests(kReadBlockCode), 1u);
}

}  // namespace
}  // namespace cfgprobe_test
