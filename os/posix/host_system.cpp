// Host facts for the native build: the real current directory, the environment and
// a user-interface language taken from the locale variables. There is no Windows
// folder on a host; a simulated machine provides one.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "os/posix/host.h"
#include "os/text.h"

namespace os {
namespace {

template <typename Char>
std::uint32_t copyOut(const std::basic_string<Char>& text, Char* buffer, std::uint32_t size) {
  const auto length = static_cast<std::uint32_t>(text.size());
  if (!buffer || size <= length) return length + 1;
  std::memcpy(buffer, text.data(), length * sizeof(Char));
  buffer[length] = Char{};
  return length;
}

std::string currentDirectoryUtf8() {
  std::string buffer(4096, '\0');
  if (!::getcwd(buffer.data(), buffer.size())) return {};
  buffer.resize(std::strlen(buffer.c_str()));
  return buffer;
}

class HostSystem final : public SystemInfo {
 public:
  std::uint32_t getCurrentDirectory(std::uint32_t size, char16_t* buffer) override {
    return copyOut(fromUtf8(currentDirectoryUtf8()), buffer, size);
  }
  std::uint32_t getCurrentDirectoryA(std::uint32_t size, char* buffer) override {
    return copyOut(currentDirectoryUtf8(), buffer, size);
  }
  bool getEnvironmentVariable(std::u16string_view name, std::u16string* value) override {
    const char* v = std::getenv(toUtf8(name).c_str());
    if (!v) {
      setLastError(kErrorEnvVarNotFound);
      return false;
    }
    if (value) *value = fromUtf8(v);
    return true;
  }
  std::uint16_t userInterfaceLanguage() override {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      const char* v = std::getenv(name);
      if (v && *v) return std::strncmp(v, "ja", 2) == 0 ? kLangJapanese : kLangEnglishUS;
    }
    return kLangEnglishUS;
  }
};

class HostClock final : public Clock {
 public:
  void sleep(std::uint32_t milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
  std::uint64_t tickCount() override {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
};

}  // namespace

SystemInfo& hostSystem() {
  static HostSystem instance;
  return instance;
}

Clock& hostClock() {
  static HostClock instance;
  return instance;
}

}  // namespace os
