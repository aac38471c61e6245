#include "tool_run.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "os/text.h"

namespace test_support {
namespace fs = std::filesystem;

std::string shellQuoted(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

fs::path binFolder() { return fs::read_symlink("/proc/self/exe").parent_path(); }

ToolRun runProgram(const fs::path& program, const std::vector<std::string>& args, const fs::path& folder,
                   std::map<std::string, std::string> environment, const std::string& input) {
  environment.try_emplace("LC_ALL", "C");
  const fs::path capture = fs::temp_directory_path() / ("spanfinder-run-" + std::to_string(::getpid()));
  fs::create_directories(capture);
  std::ofstream(capture / "in", std::ios::binary) << input;
  std::string command = "cd " + shellQuoted(folder.string()) + " && env";
  for (const auto& [name, value] : environment) command += " " + shellQuoted(name + "=" + value);
  command += " " + shellQuoted(program.string());
  for (const auto& a : args) command += " " + shellQuoted(a);
  command += " <" + shellQuoted((capture / "in").string()) + " >" + shellQuoted((capture / "out").string()) + " 2>" +
             shellQuoted((capture / "err").string());
  ToolRun run;
  const int raw = std::system(command.c_str());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = slurp(capture / "out");
  run.err = slurp(capture / "err");
  fs::remove_all(capture);
  return run;
}

std::string slurp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string utf16File(const fs::path& file) {
  const std::string bytes = slurp(file);
  std::u16string text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  return os::toUtf8(text);
}

ScratchFolder::ScratchFolder() {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(test->test_suite_name()) + "-" + test->name();
  for (char& c : name)
    if (c == '/') c = '-';
  path_ = fs::temp_directory_path() / ("spanfinder-" + std::to_string(::getpid()) + "-" + name);
  fs::remove_all(path_);
  fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

}  // namespace test_support
