#pragma once
// Running the built programs from a test, as a person runs them from a shell: in
// a folder of the test's own, with an environment of its choosing, their output
// and exit status kept.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace test_support {

struct ToolRun {
  int status = -1;  // exit status; -1 when the program did not exit normally
  std::string out, err;
};

// The folder the test programs are built into, which also holds the tool.
std::filesystem::path binFolder();

// Runs program with args in folder; environment is added to the test's own
// (LC_ALL=C unless it says otherwise), standard input is empty unless input is given.
ToolRun runProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                   const std::filesystem::path& folder, std::map<std::string, std::string> environment = {},
                   const std::string& input = {});

// arg as one word of a POSIX shell's command line.
std::string shellQuoted(const std::string& arg);

std::string slurp(const std::filesystem::path& file);
// A UTF-16LE file's text (no byte-order mark expected) in UTF-8.
std::string utf16File(const std::filesystem::path& file);

// A fresh folder named after the running test, removed when it goes.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace test_support
