#pragma once
// What a fuzz target holds to be true of every input besides "no crash": a broken
// promise is reported like a crash, so that libFuzzer keeps the input.
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                   \
  do {                                                                                          \
    if (!(condition)) {                                                                         \
      std::fprintf(stderr, "%s:%d: broken promise: %s\n", __FILE__, __LINE__, #condition);      \
      std::abort();                                                                             \
    }                                                                                           \
  } while (0)

// Checking code that libFuzzer need not explore: left out of its coverage, so
// that neither its comparisons steer the mutations nor its cost slows a run.
#define FUZZ_UNGUIDED __attribute__((no_sanitize("coverage")))
