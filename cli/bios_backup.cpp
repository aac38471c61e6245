#include "cli/bios_backup.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "cli/option_rom.h"
#include "os/text.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

bool taken(const std::string& name) {
  std::error_code ec;
  return fs::exists(fs::path(os::fromUtf8(name)), ec) || ec;
}

// A word of the command as a shell or the command prompt takes it: quoted unless
// it holds only characters neither gives a meaning.
std::string commandWord(const std::string& word) {
  constexpr const char* kPlain = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_.,/:\\+=@";
  if (!word.empty() && word.find_first_not_of(kPlain) == std::string::npos) return word;
  return "\"" + word + "\"";
}

}  // namespace

std::string defaultBackupName(const SIIDEVICEINFO& place, std::time_t now) {
  std::tm local{};
  if (const std::tm* converted = std::localtime(&now)) local = *converted;
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  const std::string stem = "controller-" + std::to_string(place.bBus) + "-" + std::to_string(place.bDevice) + "-" +
                           std::to_string(place.bFunction) + "-" + stamp;
  std::string name = stem + ".bin";
  for (int n = 2; taken(name); ++n) name = stem + "-" + std::to_string(n) + ".bin";
  return name;
}

std::string restoreCommand(int index, const std::string& backup, const std::vector<std::string>& placeArguments) {
  std::ifstream in(fs::path(os::fromUtf8(backup)), std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::string command = "spanfinder bios write " + std::to_string(index) + " " + commandWord(backup);
  if (optionRomProblem(bytes)) command += " --force";
  for (const std::string& word : placeArguments) command += " " + commandWord(word);
  return command;
}

}  // namespace cli
