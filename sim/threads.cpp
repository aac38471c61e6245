#include "sim/threads.h"

#include <dlfcn.h>

#include <chrono>
#include <system_error>

#include "sim/win_names.h"
#include "sim/windows.h"

namespace sim {

namespace {

// A reference of the host's loader to the shared library holding code, or null
// for code of the program itself.
void* holdModuleOf(const void* code) {
  Dl_info info{};
  if (::dladdr(code, &info) == 0 || !info.dli_fname) return nullptr;
  return ::dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
}

void releaseModule(void* module) {
  if (module) ::dlclose(module);
}

}  // namespace

bool Threads::beginThread(os::ThreadProcedure procedure, void* argument) {
  return start(procedure, argument, nullptr);
}

bool Threads::beginModuleThread(os::ThreadProcedure procedure, void* argument) {
  if (!procedure) return failWith(os::kErrorInvalidParameter, false);
  void* module = holdModuleOf(reinterpret_cast<const void*>(procedure));
  if (start(procedure, argument, module)) return true;
  releaseModule(module);
  return false;
}

bool Threads::start(os::ThreadProcedure procedure, void* argument, void* module) {
  if (!procedure) return failWith(os::kErrorInvalidParameter, false);
  std::lock_guard lock(mutex_);
  if (startFailures_ != 0) {
    if (startFailures_ > 0) --startFailures_;
    return failWith(os::kErrorNotEnoughMemory, false);
  }
  try {
    threads_.emplace_back([this, procedure, argument, module] {
      procedure(argument);
      // From here on the thread runs only the machine's own code.
      releaseModule(module);
      std::lock_guard done(mutex_);
      --running_;
    });
  } catch (const std::system_error&) {
    return failWith(os::kErrorNotEnoughMemory, false);
  }
  ++started_;
  ++running_;
  return true;
}

os::Handle Threads::messageWindow() {
  std::lock_guard lock(mutex_);
  auto [it, created] = messageWindows_.try_emplace(std::this_thread::get_id(), nullptr);
  if (created) {
    it->second = reinterpret_cast<os::Handle>(nextMessageWindow_);
    nextMessageWindow_ += 4;
  }
  return it->second;
}

bool Threads::isMessageWindow(os::Handle window) const {
  for (const auto& [thread, handle] : messageWindows_)
    if (handle == window) return true;
  return false;
}

bool Threads::postMessageA(os::Handle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  std::lock_guard lock(mutex_);
  if (window && !isMessageWindow(window) && !windows_.isWindow(window))
    return failWith(os::kErrorInvalidWindowHandle, false);
  if (!window) {
    ++withoutWindow_;
    return true;
  }
  const os::PostedMessage posted{window, message, wParam, lParam};
  queue_.push_back(posted);
  history_.push_back(posted);
  arrived_.notify_all();
  return true;
}

bool Threads::waitForMessage(os::Handle window, std::uint32_t timeoutMs, os::PostedMessage* message) {
  std::unique_lock lock(mutex_);
  const auto wanted = [&] {
    for (auto it = queue_.begin(); it != queue_.end(); ++it)
      if (!window || it->window == window) return it;
    return queue_.end();
  };
  // Real time, not the machine's clock: the message comes from a thread that runs.
  const bool found = arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return wanted() != queue_.end(); });
  if (!found) return failWith(os::kErrorTimeout, false);
  const auto it = wanted();
  if (message) *message = *it;
  queue_.erase(it);
  return true;
}

void Threads::failStarts(int count) {
  std::lock_guard lock(mutex_);
  startFailures_ = count;
}

void Threads::joinAll() {
  for (;;) {
    std::vector<std::thread> started;
    {
      std::lock_guard lock(mutex_);
      started.swap(threads_);
    }
    if (started.empty()) return;
    for (std::thread& t : started) t.join();
  }
}

int Threads::started() const {
  std::lock_guard lock(mutex_);
  return started_;
}

int Threads::running() const {
  std::lock_guard lock(mutex_);
  return running_;
}

std::vector<os::PostedMessage> Threads::posted() const {
  std::lock_guard lock(mutex_);
  return history_;
}

std::size_t Threads::pending() const {
  std::lock_guard lock(mutex_);
  return queue_.size();
}

int Threads::postedWithoutWindow() const {
  std::lock_guard lock(mutex_);
  return withoutWindow_;
}

}  // namespace sim
