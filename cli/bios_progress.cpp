#include "cli/bios_progress.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace cli {
namespace {

// How long the library may stay idle without the message before the wait gives
// up: a worker that ended without posting would otherwise be waited for forever.
constexpr auto kIdleWithoutMessage = std::chrono::seconds(30);
constexpr std::uint32_t kPollMs = 50;
constexpr int kBarWidth = 40;

class ProgressShown {
 public:
  ProgressShown(const char* label, bool terminal) : label_(label), terminal_(terminal) {}
  ~ProgressShown() {
    if (drawn_) std::printf("\n");
    std::fflush(stdout);
  }

  void show(int percent) {
    if (!label_ || percent < 0 || percent > 100) return;  // -1: a compare found a difference
    if (terminal_) {
      if (percent == last_) return;
      const int filled = percent * kBarWidth / 100;
      std::printf("\r%-10s [%s%s] %3d%%", label_, std::string(filled, '#').c_str(),
                  std::string(kBarWidth - filled, ' ').c_str(), percent);
      drawn_ = true;
    } else {
      // Every quarter passed since the last look, so that the lines do not depend
      // on how often the worker was looked at.
      for (int quarter = last_ / 25 + 1; quarter * 25 <= percent; ++quarter)
        std::printf("%s: %d%%\n", label_, quarter * 25);
    }
    last_ = percent;
    std::fflush(stdout);
  }

 private:
  const char* label_;
  bool terminal_;
  bool drawn_ = false;
  int last_ = 0;
};

}  // namespace

Completion waitForCompletion(const LibrarySession& session, const char* label, bool terminal) {
  ProgressShown shown(label, terminal);
  const LibraryEntries& kx = session.kx();
  auto idleSince = std::chrono::steady_clock::now();
  for (;;) {
    os::PostedMessage message;
    const bool arrived = session.threads().waitForMessage(session.window(), kPollMs, &message);
    KxLong status = 0;
    const int progress = kx.getBiosOperationProgress(&status);
    shown.show(progress);
    if (arrived && message.message == kBiosDoneMessage) {
      // The worker posts its message before it sets the library idle again, and
      // the library refuses to start the next operation until it has.
      const auto until = std::chrono::steady_clock::now() + kIdleWithoutMessage;
      os::PostedMessage ignored;
      while (kx.getBiosOperationProgress(&status), status != kStatusIdle && std::chrono::steady_clock::now() < until)
        session.threads().waitForMessage(session.window(), 1, &ignored);
      return {true, static_cast<std::intptr_t>(message.wParam), message.lParam};
    }
    const auto now = std::chrono::steady_clock::now();
    if (status != kStatusIdle) idleSince = now;
    if (now - idleSince > kIdleWithoutMessage) return {};
  }
}

}  // namespace cli
