#pragma once
// A very small test runner for the checks that run under Wine (the cross build has
// no test framework package): tests register themselves, a failed check records
// its place and goes on, REQUIRE ends the test. The run ends with "N passed, N failed".
// A test expects the user-interface language of its process: English, or Japanese for
// a JAPANESE_WIN_TEST; a run in the other language passes it by (run-under-wine.sh
// runs the checks once in each).
#include <cstdint>
#include <string>
#include <string_view>

namespace wintest {

using TestFunction = void (*)();

struct Registration {
  Registration(const char* suite, const char* name, TestFunction function, bool japanese = false);
};

void fail(const char* file, int line, const std::string& what);
bool failedSoFar();

std::string show(std::u16string_view text);
std::string show(std::wstring_view text);
std::string show(std::string_view text);
std::string show(const char* text);
std::string show(const wchar_t* text);
std::string show(const void* pointer);
std::string show(bool value);
inline std::string show(const std::u16string& text) { return show(std::u16string_view(text)); }
inline std::string show(const std::wstring& text) { return show(std::wstring_view(text)); }
inline std::string show(const std::string& text) { return show(std::string_view(text)); }
template <typename T>
std::string show(const T& value) {
  return std::to_string(value);
}

}  // namespace wintest

#define WIN_TEST(suite, name)                                                                  \
  static void suite##_##name();                                                                \
  static const wintest::Registration suite##_##name##_registration(#suite, #name, &suite##_##name); \
  static void suite##_##name()

#define JAPANESE_WIN_TEST(suite, name)                                                                  \
  static void suite##_##name();                                                                         \
  static const wintest::Registration suite##_##name##_registration(#suite, #name, &suite##_##name, true); \
  static void suite##_##name()

#define CHECK(condition)                                                  \
  do {                                                                    \
    if (!(condition)) wintest::fail(__FILE__, __LINE__, #condition);      \
  } while (0)

#define CHECK_EQ(actual, expected)                                                                       \
  do {                                                                                                   \
    const auto& actual_ = (actual);                                                                      \
    const auto& expected_ = (expected);                                                                  \
    if (!(actual_ == expected_))                                                                         \
      wintest::fail(__FILE__, __LINE__,                                                                  \
                    std::string(#actual " == " #expected ": got ") + wintest::show(actual_) + ", want " + \
                        wintest::show(expected_));                                                      \
  } while (0)

#define REQUIRE(condition)                                                \
  do {                                                                    \
    if (!(condition)) {                                                   \
      wintest::fail(__FILE__, __LINE__, "required: " #condition);         \
      return;                                                             \
    }                                                                     \
  } while (0)
