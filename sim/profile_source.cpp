#include "sim/profile_source.h"

#include <fstream>
#include <sstream>
#include <system_error>

#include "sim/example_machines.h"
#include "sim/hosted_machine.h"

namespace sim {
namespace {

std::variant<NamedProfile, std::string> parsed(std::string_view text, std::string id, std::string name) {
  auto result = parseProfile(text);
  if (auto* error = std::get_if<ProfileError>(&result))
    return name + ": " + (error->keyPath.empty() ? "" : error->keyPath + ": ") + error->message;
  return NamedProfile{std::move(std::get<MachineProfile>(result)), std::move(id), std::move(name)};
}

bool looksLikeFile(const std::string& machine) {
  std::error_code ec;
  return machine.find('/') != std::string::npos || machine.ends_with(".json") ||
         std::filesystem::exists(machine, ec);
}

}  // namespace

std::variant<NamedProfile, std::string> loadProfile(const std::string& machine) {
  const std::string wanted = machine.empty() ? std::string(kDemoMachine) : machine;
  if (!looksLikeFile(wanted)) {
    const ExampleMachine* example = findExampleMachine(wanted);
    if (!example) return wanted + ": no such profile file or example machine (spanfinder machines lists them)";
    return parsed(example->json, std::string(example->name), std::string(example->name));
  }
  std::error_code ec;
  if (std::filesystem::is_directory(wanted, ec)) return wanted + ": is a folder, not a profile file";
  std::ifstream in(wanted, std::ios::binary);
  if (!in) return wanted + ": cannot be read (" + std::make_error_code(static_cast<std::errc>(errno)).message() + ")";
  std::ostringstream text;
  text << in.rdbuf();
  return parsed(text.str(), profileId(wanted), wanted);
}

}  // namespace sim
