#pragma once
// What a fuzz target holds to be true of every input besides "no crash": a broken
// promise is reported like a crash, so that libFuzzer keeps the input. An
// expression of type void, so that a check may end a function: return FUZZ_CHECK(x);
#include <cstdio>
#include <cstdlib>

namespace fuzz {

[[noreturn]] inline void brokenPromise(const char* file, int line, const char* condition) {
  std::fprintf(stderr, "%s:%d: broken promise: %s\n", file, line, condition);
  std::abort();
}

}  // namespace fuzz

#define FUZZ_CHECK(condition) ((condition) ? (void)0 : ::fuzz::brokenPromise(__FILE__, __LINE__, #condition))

// Checking code that libFuzzer need not explore: left out of its coverage, so
// that neither its comparisons steer the mutations nor its cost slows a run.
#define FUZZ_UNGUIDED __attribute__((no_sanitize("coverage")))
