#pragma once
// The simulated command interpreter. It starts as _wsystem does: the program that
// COMSPEC names when that file exists on the simulated drives, else "cmd.exe"
// from the current directory or the Windows system folder; when neither exists,
// nothing starts. The interpreter then runs the command line as "cmd /c" does:
// the first word (or the quoted text at its start) names the program, found as
// a path or in the current directory, the system folder and the Windows folder.
// A program file that exists runs the model registered under its file name (a
// file without a model does nothing and ends with 0); a program that is not found
// ends the interpreter with 9009, as cmd does for an unknown command.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "os/processes.h"

namespace sim {

class FileSystem;
class SystemFacts;

class Processes final : public os::Processes {
 public:
  // A simulated program: gets its full path and its arguments, returns its exit status.
  using Program = std::function<int(const std::u16string& path, const std::vector<std::u16string>& args)>;

  Processes(SystemFacts& facts, FileSystem& files) : facts_(facts), files_(files) {}

  // Registers the model of a program by its file name (compared without regard to case).
  void addProgram(std::u16string_view fileName, Program program);
  // Fault: the next count runs end the interpreter with status without running anything.
  void failRuns(int count, int status);

  int runThroughInterpreter(std::u16string_view commandLine) override;

  struct Run {
    std::u16string interpreter;  // empty when none started
    std::u16string commandLine;
    int status = 0;
  };
  const std::vector<Run>& runs() const { return runs_; }

  static constexpr int kCommandNotFound = 9009;

 private:
  std::u16string findInterpreter() const;
  std::u16string findProgram(const std::u16string& name) const;
  int execute(std::u16string_view commandLine);

  SystemFacts& facts_;
  FileSystem& files_;
  std::map<std::u16string, Program> programs_;
  int failuresLeft_ = 0;
  int failureStatus_ = 0;
  std::vector<Run> runs_;
};

// Splits a command line into words as the C runtime does: blanks separate words,
// double quotes group blanks into a word and are removed.
std::vector<std::u16string> splitCommandLine(std::u16string_view line);

}  // namespace sim
