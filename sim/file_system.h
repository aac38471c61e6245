#pragma once
// The simulated machine's disks: drive letters mapped to host folders. Windows
// paths resolve case-insensitively, relative paths against the machine's current
// directory; every file operation then runs on the host file system with the
// Windows rules of the native back end. Faults make chosen paths fail to open or
// files fail to be written.
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "os/files.h"

namespace sim {

class SystemFacts;

class FileSystem final : public os::Files {
 public:
  explicit FileSystem(const SystemFacts& facts) : facts_(facts) {}

  // Maps a drive letter (A to Z, either case) to a host folder.
  void mapDrive(char letter, const std::filesystem::path& hostFolder);
  // Maps a folder of a mapped drive (and everything below it) to a host folder of
  // its own, such as the folder a program runs in to the host's working folder.
  // lower, when given, lies beneath it: a name the host folder does not hold is
  // looked up there, as files that ship beside a program are found there without
  // being copied into the folder. New files always go to hostFolder.
  void mapFolder(std::u16string_view windowsFolder, const std::filesystem::path& hostFolder,
                 std::optional<std::filesystem::path> lower = std::nullopt);

  // The host path a Windows path names, or nothing when its drive is not mapped.
  // Existing components are matched without regard to letter case.
  std::optional<std::filesystem::path> toHost(std::u16string_view windowsPath) const;
  bool exists(std::u16string_view windowsPath) const;

  // Faults: opening this path fails with error; writes to files opened from it fail
  // (after writing nothing) with ERROR_DISK_FULL.
  void failOpen(std::u16string_view windowsPath, std::uint32_t error);
  void failWrites(std::u16string_view windowsPath);

  os::Handle createFile(std::u16string_view path, std::uint32_t access, std::uint32_t share,
                        std::uint32_t disposition) override;
  os::Handle createFileA(std::string_view path, std::uint32_t access, std::uint32_t share,
                         std::uint32_t disposition) override;
  bool readFile(os::Handle file, void* buffer, std::uint32_t size, std::uint32_t* read) override;
  bool writeFile(os::Handle file, const void* data, std::uint32_t size, std::uint32_t* written) override;
  bool fileSize(os::Handle file, std::uint64_t* size) override;
  bool seekToEnd(os::Handle file) override;
  bool closeFile(os::Handle file) override;

 private:
  std::u16string absolute(std::u16string_view path) const;
  static std::u16string fold(std::u16string_view path);

  const SystemFacts& facts_;
  struct FolderMapping {
    std::filesystem::path host;
    std::optional<std::filesystem::path> lower;
  };
  std::map<char, std::filesystem::path> drives_;
  std::map<std::u16string, FolderMapping> folders_;  // by folded Windows folder
  mutable std::mutex mutex_;  // the faults: files are opened and written from any thread
  std::map<std::u16string, std::uint32_t> openFaults_;
  std::set<std::u16string> writeFaults_;
  std::set<os::Handle> failingHandles_;
};

}  // namespace sim
