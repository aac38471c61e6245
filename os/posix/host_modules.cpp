// Run-time library loading on the host, with LoadLibraryW's shape: a Windows
// library name such as "Cfgprobe64.Dll" names the shared object
// "libCfgprobe64.so", looked for first in the folder of the running program (as
// Windows looks in the application's folder first), then in the lib folder beside
// it (where an installed tree keeps its libraries).
#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>
#include <optional>
#include <system_error>
#include <vector>

#include "os/posix/host.h"
#include "os/text.h"

namespace os {
namespace {

std::string foldAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return text;
}

// "Cfgprobe64.Dll" -> "libCfgprobe64.so"; a name without the .dll ending keeps it.
std::string sharedObjectName(std::u16string_view windowsName) {
  std::string name = toUtf8(windowsName);
  const auto slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name = name.substr(slash + 1);
  if (name.size() > 4 && foldAscii(name.substr(name.size() - 4)) == ".dll") name.resize(name.size() - 4);
  return "lib" + name + ".so";
}

// The entry of folder named name, its letter case aside (Windows names ignore case).
std::optional<std::filesystem::path> findIn(const std::filesystem::path& folder, const std::string& name) {
  std::error_code ec;
  if (std::filesystem::is_regular_file(folder / name, ec)) return folder / name;
  const std::string wanted = foldAscii(name);
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (foldAscii(it->path().filename().string()) == wanted && it->is_regular_file(ec)) return it->path();
  return std::nullopt;
}

class HostModules final : public Modules {
 public:
  Handle loadLibrary(std::u16string_view name) override {
    const std::string file = sharedObjectName(name);
    std::lock_guard lock(mutex_);
    for (const auto& folder : searchFolders()) {
      if (const auto path = findIn(folder, file)) {
        if (void* module = ::dlopen(path->c_str(), RTLD_NOW | RTLD_LOCAL)) {
          failure_.clear();
          return module;
        }
        failure_ = ::dlerror();
        setLastError(kErrorDllInitFailed);
        return nullptr;
      }
    }
    failure_ = file + " was not found beside the program (" + programFolder().string() + ")";
    setLastError(kErrorModNotFound);
    return nullptr;
  }

  ProcAddress getProcAddress(Handle module, const char* name) override {
    if (!module || !name) {
      setLastError(module ? kErrorProcNotFound : kErrorInvalidHandle);
      return nullptr;
    }
    void* entry = ::dlsym(module, name);
    if (!entry) {
      setLastError(kErrorProcNotFound);
      return nullptr;
    }
    return reinterpret_cast<ProcAddress>(entry);
  }

  bool freeLibrary(Handle module) override {
    if (!module || ::dlclose(module) != 0) {
      setLastError(kErrorInvalidHandle);
      return false;
    }
    return true;
  }

  std::string lastFailure() {
    std::lock_guard lock(mutex_);
    return failure_;
  }

 private:
  static std::filesystem::path programFolder() {
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
  }
  static std::vector<std::filesystem::path> searchFolders() {
    const auto folder = programFolder();
    return {folder, folder.parent_path() / "lib"};
  }

  std::mutex mutex_;
  std::string failure_;
};

HostModules& instance() {
  static HostModules modules;
  return modules;
}

}  // namespace

Modules& hostModules() { return instance(); }
std::string hostModulesLastFailure() { return instance().lastFailure(); }

}  // namespace os
