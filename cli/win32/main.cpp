// The tool's entry on Windows: wide arguments, so that a report or folder of any
// name can be given, handed on in UTF-8 like all the tool's text.
#include <string>
#include <vector>

#include "cli/tool.h"
#include "os/text.h"
#include "os/win32/console.h"

extern "C" int wmain(int argc, wchar_t** argv) {
  // The system's wide text and the program's UTF-16 are the same units.
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(os::toUtf8(reinterpret_cast<const char16_t*>(argv[i])));
  std::vector<char*> pointers;
  for (std::string& a : arguments) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  const os::win32::Utf8Console console;
  return cli::runTool(argc, pointers.data());
}
