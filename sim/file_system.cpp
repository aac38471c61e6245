#include "sim/file_system.h"

#include <system_error>

#include "os/posix/host.h"
#include "os/text.h"
#include "sim/system_facts.h"

namespace sim {
namespace {

char16_t upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

bool isSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool hasDrive(std::u16string_view p) { return p.size() >= 2 && p[1] == u':'; }

os::Handle fail(std::uint32_t code) {
  os::setLastError(code);
  return os::invalidHandle();
}

// The host entry in folder whose name equals name without regard to ASCII case.
std::filesystem::path matchEntry(const std::filesystem::path& folder, const std::string& name) {
  std::error_code ec;
  if (std::filesystem::exists(folder / name, ec)) return folder / name;
  auto fold = [](std::string s) {
    for (char& c : s)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return s;
  };
  const std::string wanted = fold(name);
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (fold(it->path().filename().string()) == wanted) return it->path();
  }
  return folder / name;
}

}  // namespace

void FileSystem::mapDrive(char letter, const std::filesystem::path& hostFolder) {
  drives_[static_cast<char>(upper(static_cast<char16_t>(letter)))] = hostFolder;
}

std::u16string FileSystem::fold(std::u16string_view path) {
  std::u16string out(path);
  for (auto& c : out) c = isSeparator(c) ? u'\\' : upper(c);
  return out;
}

std::u16string FileSystem::absolute(std::u16string_view path) const {
  const std::u16string& cwd = facts_.currentDirectory;
  if (hasDrive(path)) return std::u16string(path);
  if (!path.empty() && isSeparator(path[0])) return cwd.substr(0, 2) + std::u16string(path);
  std::u16string base = cwd;
  if (!base.empty() && !isSeparator(base.back())) base += u'\\';
  return base + std::u16string(path);
}

void FileSystem::mapFolder(std::u16string_view windowsFolder, const std::filesystem::path& hostFolder,
                           std::optional<std::filesystem::path> lower) {
  std::u16string key = fold(absolute(windowsFolder));
  while (key.size() > 3 && key.back() == u'\\') key.pop_back();
  folders_[key] = {hostFolder, std::move(lower)};
}

std::optional<std::filesystem::path> FileSystem::toHost(std::u16string_view windowsPath) const {
  const std::u16string full = absolute(windowsPath);
  if (!hasDrive(full)) return std::nullopt;
  // The deepest mapped folder that holds the path, else its drive.
  const std::u16string folded = fold(full);
  const FolderMapping* folder = nullptr;
  std::size_t i = 2;
  for (const auto& [key, mapping] : folders_) {
    const bool holds = folded.compare(0, key.size(), key) == 0 &&
                       (folded.size() == key.size() || isSeparator(folded[key.size()]));
    if (holds && key.size() >= i) folder = &mapping, i = key.size();
  }
  std::filesystem::path root;
  if (folder) {
    root = folder->host;
  } else {
    const auto drive = drives_.find(static_cast<char>(upper(full[0])));
    if (drive == drives_.end()) return std::nullopt;
    root = drive->second;
  }
  std::filesystem::path host = root, lower = folder && folder->lower ? *folder->lower : std::filesystem::path{};
  while (i < full.size()) {
    while (i < full.size() && isSeparator(full[i])) ++i;
    std::size_t j = i;
    while (j < full.size() && !isSeparator(full[j])) ++j;
    if (j > i) {
      const std::string part = os::toUtf8(std::u16string_view(full).substr(i, j - i));
      if (part == "..") {
        if (host != root) host = host.parent_path(), lower = lower.empty() ? lower : lower.parent_path();
      } else if (part != ".") {
        host = matchEntry(host, part);
        if (!lower.empty()) lower = matchEntry(lower, part);
      }
    }
    i = j;
  }
  std::error_code ec;
  if (!lower.empty() && !std::filesystem::exists(host, ec) && std::filesystem::exists(lower, ec)) return lower;
  return host;
}

bool FileSystem::exists(std::u16string_view windowsPath) const {
  const auto host = toHost(windowsPath);
  std::error_code ec;
  return host && std::filesystem::is_regular_file(*host, ec);
}

void FileSystem::failOpen(std::u16string_view windowsPath, std::uint32_t error) {
  const std::u16string key = fold(absolute(windowsPath));
  std::lock_guard lock(mutex_);
  openFaults_[key] = error;
}

void FileSystem::failWrites(std::u16string_view windowsPath) {
  const std::u16string key = fold(absolute(windowsPath));
  std::lock_guard lock(mutex_);
  writeFaults_.insert(key);
}

os::Handle FileSystem::createFile(std::u16string_view path, std::uint32_t access, std::uint32_t share,
                                  std::uint32_t disposition) {
  if (path.empty()) return fail(os::kErrorPathNotFound);
  const std::u16string full = absolute(path);
  if (path.size() >= os::kMaxPath || full.size() >= os::kMaxPath) return fail(os::kErrorPathNotFound);
  const std::u16string key = fold(full);
  bool failsWrites = false;
  {
    std::lock_guard lock(mutex_);
    if (const auto fault = openFaults_.find(key); fault != openFaults_.end()) return fail(fault->second);
    failsWrites = writeFaults_.count(key) > 0;
  }
  const auto host = toHost(full);
  if (!host) return fail(os::kErrorPathNotFound);
  const os::Handle h = os::openHostPath(host->string(), access, share, disposition);
  if (os::isValid(h) && failsWrites) {
    std::lock_guard lock(mutex_);
    failingHandles_.insert(h);
  }
  return h;
}

os::Handle FileSystem::createFileA(std::string_view path, std::uint32_t access, std::uint32_t share,
                                   std::uint32_t disposition) {
  return createFile(std::u16string(path.begin(), path.end()), access, share, disposition);
}

bool FileSystem::readFile(os::Handle file, void* buffer, std::uint32_t size, std::uint32_t* read) {
  return os::hostFiles().readFile(file, buffer, size, read);
}

bool FileSystem::writeFile(os::Handle file, const void* data, std::uint32_t size, std::uint32_t* written) {
  bool fails = false;
  {
    std::lock_guard lock(mutex_);
    fails = failingHandles_.count(file) > 0;
  }
  // Arguments the call refuses are refused before the full medium shows.
  if (fails && written && (data || size == 0)) {
    os::setLastError(os::kErrorDiskFull);
    return false;
  }
  return os::hostFiles().writeFile(file, data, size, written);
}

bool FileSystem::fileSize(os::Handle file, std::uint64_t* size) { return os::hostFiles().fileSize(file, size); }

bool FileSystem::seekToEnd(os::Handle file) { return os::hostFiles().seekToEnd(file); }

bool FileSystem::closeFile(os::Handle file) {
  {
    std::lock_guard lock(mutex_);
    failingHandles_.erase(file);
  }
  return os::hostFiles().closeFile(file);
}

}  // namespace sim
