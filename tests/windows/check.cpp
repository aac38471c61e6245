#include "tests/windows/check.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "os/text.h"
#include "os/win32/windows_api.h"

namespace wintest {
namespace {

struct Test {
  const char* suite;
  const char* name;
  TestFunction function;
  bool japanese;
};

std::vector<Test>& tests() {
  static std::vector<Test> all;
  return all;
}

bool g_failed = false;

}  // namespace

Registration::Registration(const char* suite, const char* name, TestFunction function, bool japanese) {
  tests().push_back(Test{suite, name, function, japanese});
}

void fail(const char* file, int line, const std::string& what) {
  g_failed = true;
  std::printf("  %s:%d: %s\n", file, line, what.c_str());
  std::fflush(stdout);
}

bool failedSoFar() { return g_failed; }

std::string show(std::u16string_view text) { return "\"" + os::toUtf8(text) + "\""; }
std::string show(std::wstring_view text) {
  return show(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}
std::string show(std::string_view text) { return "\"" + std::string(text) + "\""; }
std::string show(const char* text) { return text ? show(std::string_view(text)) : "null"; }
std::string show(const wchar_t* text) { return text ? show(std::wstring_view(text)) : "null"; }
std::string show(const void* pointer) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", pointer);
  return text;
}
std::string show(bool value) { return value ? "true" : "false"; }

}  // namespace wintest

// spanfinder_windows_tests [FILTER]: runs the tests of the process's user-interface
// language whose "Suite.Name" contains FILTER. Exit status 0: all passed, 1: some
// failed, 3: none matched.
int main(int argc, char** argv) {
  const char* filter = argc > 1 ? argv[1] : "";
  const bool japanese = PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_JAPANESE;
  std::printf("User-interface language: %s\n", japanese ? "Japanese" : "English");
  int passed = 0, failed = 0;
  for (const auto& t : wintest::tests()) {
    const std::string full = std::string(t.suite) + "." + t.name;
    if (full.find(filter) == std::string::npos || t.japanese != japanese) continue;
    std::printf("[ RUN      ] %s\n", full.c_str());
    std::fflush(stdout);
    wintest::g_failed = false;
    const ULONGLONG started = ::GetTickCount64();
    t.function();
    const unsigned long long took = ::GetTickCount64() - started;
    if (wintest::g_failed) {
      ++failed;
      std::printf("[  FAILED  ] %s (%llu ms)\n", full.c_str(), took);
    } else {
      ++passed;
      std::printf("[       OK ] %s (%llu ms)\n", full.c_str(), took);
    }
    std::fflush(stdout);
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  if (failed > 0) return 1;
  return passed > 0 ? 0 : 3;  // 3: no test of this language matched
}
