#include "sim/processes.h"

#include "sim/file_system.h"
#include "sim/fold_case.h"
#include "sim/system_facts.h"

namespace sim {
namespace {

std::u16string fileNameOf(const std::u16string& path) {
  const auto slash = path.find_last_of(u"\\/:");
  return slash == path.npos ? path : path.substr(slash + 1);
}

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace

std::vector<std::u16string> splitCommandLine(std::u16string_view line) {
  std::vector<std::u16string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && isBlank(line[i])) ++i;
    if (i == line.size()) break;
    std::u16string word;
    bool quoted = false;
    for (; i < line.size() && (quoted || !isBlank(line[i])); ++i) {
      if (line[i] == u'"')
        quoted = !quoted;
      else
        word += line[i];
    }
    words.push_back(std::move(word));
  }
  return words;
}

void Processes::addProgram(std::u16string_view fileName, Program program) {
  programs_[foldCase(fileName)] = std::move(program);
}

void Processes::failRuns(int count, int status) {
  failuresLeft_ = count;
  failureStatus_ = status;
}

std::u16string Processes::findInterpreter() const {
  std::u16string comspec;
  if (facts_.getEnvironmentVariable(u"COMSPEC", &comspec) && !comspec.empty() && files_.exists(comspec))
    return comspec;
  if (files_.exists(u"cmd.exe")) return facts_.currentDirectory + u"\\cmd.exe";
  if (facts_.windowsDirectory) {
    const std::u16string system = *facts_.windowsDirectory + u"\\system32\\cmd.exe";
    if (files_.exists(system)) return system;
  }
  return {};
}

std::u16string Processes::findProgram(const std::u16string& name) const {
  if (name.empty()) return {};
  const bool hasExtension = fileNameOf(name).find(u'.') != std::u16string::npos;
  std::vector<std::u16string> candidates;
  auto addWithExtension = [&](const std::u16string& path) {
    candidates.push_back(path);
    if (!hasExtension) candidates.push_back(path + u".exe");
  };
  if (name.find_first_of(u"\\/:") != std::u16string::npos) {
    addWithExtension(name);
  } else {
    addWithExtension(facts_.currentDirectory + u"\\" + name);
    if (facts_.windowsDirectory) {
      addWithExtension(*facts_.windowsDirectory + u"\\system32\\" + name);
      addWithExtension(*facts_.windowsDirectory + u"\\" + name);
    }
  }
  for (const auto& path : candidates)
    if (files_.exists(path)) return path;
  return {};
}

int Processes::execute(std::u16string_view commandLine) {
  std::vector<std::u16string> words = splitCommandLine(commandLine);
  if (words.empty()) return 0;
  const std::u16string path = findProgram(words.front());
  if (path.empty()) return kCommandNotFound;
  words.erase(words.begin());
  const auto model = programs_.find(foldCase(fileNameOf(path)));
  return model == programs_.end() ? 0 : model->second(path, words);
}

int Processes::runThroughInterpreter(std::u16string_view commandLine) {
  Run run;
  run.commandLine.assign(commandLine);
  run.interpreter = findInterpreter();
  if (run.interpreter.empty()) {
    run.status = os::kInterpreterNotStarted;
    runs_.push_back(run);
    os::setLastError(os::kErrorFileNotFound);
    return os::kInterpreterNotStarted;
  }
  if (failuresLeft_ > 0) {
    --failuresLeft_;
    run.status = failureStatus_;
  } else {
    run.status = execute(commandLine);
  }
  runs_.push_back(run);
  return run.status;
}

}  // namespace sim
