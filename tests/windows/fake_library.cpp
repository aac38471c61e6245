// A stand-in access library for the program checks, built as Cfgprobe64.dll: its
// three entries write one line each to the file SPANFINDER_FAKE_LOG names, and
// KX_InitLibrary answers the attempt-th value of SPANFINDER_FAKE_INIT (a comma
// list, 1 once it runs out). The attempt count lives in the log, since the program
// unloads the library between attempts. Binary mode: lines end in a bare line feed.
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int linesStartingWith(const char* word) {
  const char* path = std::getenv("SPANFINDER_FAKE_LOG");
  std::FILE* log = path ? std::fopen(path, "rb") : nullptr;
  if (!log) return 0;
  int count = 0;
  char line[64];
  while (std::fgets(line, sizeof line, log))
    if (std::strncmp(line, word, std::strlen(word)) == 0) ++count;
  std::fclose(log);
  return count;
}

void append(const char* word) {
  const char* path = std::getenv("SPANFINDER_FAKE_LOG");
  if (std::FILE* log = path ? std::fopen(path, "ab") : nullptr) {
    std::fprintf(log, "%s\n", word);
    std::fclose(log);
  }
}

int initAnswer(int attempt) {
  const char* answers = std::getenv("SPANFINDER_FAKE_INIT");
  for (int i = 0; answers && *answers; ++i) {
    char* end = nullptr;
    const long value = std::strtol(answers, &end, 10);
    if (i == attempt) return static_cast<int>(value);
    answers = *end == ',' ? end + 1 : end;
  }
  return 1;
}

}  // namespace

extern "C" {

__declspec(dllexport) int __stdcall KX_InitLibrary() {
  const int attempt = linesStartingWith("init");
  append("init");
  return initAnswer(attempt);
}

__declspec(dllexport) int __stdcall KX_ExitLibrary() {
  append("exit");
  return 1;
}

__declspec(dllexport) int __stdcall KX_GetPCIConfig(int, int, int, unsigned* value) {
  append("config");
  if (value) *value = 0;
  return 0;
}

}  // extern "C"
