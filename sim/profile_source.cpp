#include "sim/profile_source.h"

#include <cerrno>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <system_error>

#include "sim/example_machines.h"
#include "sim/hosted_machine.h"

namespace sim {
namespace {

constexpr std::size_t kFlashBytes = 128 * 1024;

std::string readImageFiles(MachineProfile& profile, const std::optional<std::filesystem::path>& folder);

std::variant<NamedProfile, std::string> parsed(std::string_view text, std::string id, std::string name,
                                               const std::optional<std::filesystem::path>& folder) {
  auto result = parseProfile(text);
  if (auto* error = std::get_if<ProfileError>(&result))
    return name + ": " + (error->keyPath.empty() ? "" : error->keyPath + ": ") + error->message;
  MachineProfile& profile = std::get<MachineProfile>(result);
  if (const std::string problem = readImageFiles(profile, folder); !problem.empty()) return name + ": " + problem;
  return NamedProfile{std::move(profile), std::move(id), std::move(name)};
}

// Reads the image files the controllers name, relative to the profile's folder
// (folder empty: an example, which carries no files). An error in the loader's words.
std::string readImageFiles(MachineProfile& profile, const std::optional<std::filesystem::path>& folder) {
  for (std::size_t i = 0; i < profile.controllers.size(); ++i) {
    ControllerProfile& c = profile.controllers[i];
    if (!c.imageFile) continue;
    const std::string key = "controllers[" + std::to_string(i) + "].flash.image: ";
    if (!folder) return key + "an example machine carries no files: describe the image by its version and date";
    const std::filesystem::path file = *folder / *c.imageFile;
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec)) return key + file.string() + " is a folder";
    std::ifstream in(file, std::ios::binary);
    if (!in)
      return key + file.string() + " cannot be read (" +
             std::make_error_code(static_cast<std::errc>(errno)).message() + ")";
    c.image.assign(std::istreambuf_iterator<char>(in), {});
    if (in.bad()) return key + file.string() + " cannot be read";
    if (c.image.size() > kFlashBytes)
      return key + file.string() + " holds " + std::to_string(c.image.size()) + " bytes, more than the " +
             std::to_string(kFlashBytes) + " of the flash chip";
  }
  return {};
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
    return parsed(example->json, std::string(example->name), std::string(example->name), std::nullopt);
  }
  std::error_code ec;
  if (std::filesystem::is_directory(wanted, ec)) return wanted + ": is a folder, not a profile file";
  std::ifstream in(wanted, std::ios::binary);
  if (!in) return wanted + ": cannot be read (" + std::make_error_code(static_cast<std::errc>(errno)).message() + ")";
  std::ostringstream text;
  text << in.rdbuf();
  return parsed(text.str(), profileId(wanted), wanted, std::filesystem::path(wanted).parent_path());
}

}  // namespace sim
