// Host file system with the Windows rules the program relies on: a file opened
// with share mode 0 cannot be opened again until it is closed, paths of MAX_PATH
// characters or more do not open, and a missing folder differs from a missing file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>

#include "os/posix/host.h"
#include "os/text.h"

namespace os {
namespace {

struct OpenFile {
  int fd = -1;
  dev_t device = 0;
  ino_t inode = 0;
  std::uint32_t access = 0;
  std::uint32_t share = 0;
};

std::uint32_t errorFromErrno(int e, const std::string& path) {
  switch (e) {
    case ENOENT: {
      const auto slash = path.find_last_of('/');
      if (slash == std::string::npos || slash == 0) return kErrorFileNotFound;
      struct stat st {};
      return ::stat(path.substr(0, slash).c_str(), &st) == 0 ? kErrorFileNotFound : kErrorPathNotFound;
    }
    case ENOTDIR: return kErrorPathNotFound;
    case EEXIST: return kErrorFileExists;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return kErrorAccessDenied;
    case ENAMETOOLONG: return kErrorFilenameExcedRange;
    case ENOSPC: return kErrorDiskFull;
    default: return kErrorIoDevice;
  }
}

class HostFiles final : public Files {
 public:
  Handle createFile(std::u16string_view path, std::uint32_t access, std::uint32_t share,
                    std::uint32_t disposition) override {
    if (path.size() >= kMaxPath) return failOpen(kErrorPathNotFound);
    return open(hostPath(path), access, share, disposition);
  }

  Handle createFileA(std::string_view path, std::uint32_t access, std::uint32_t share,
                     std::uint32_t disposition) override {
    if (path.size() >= kMaxPath) return failOpen(kErrorPathNotFound);
    std::u16string wide(path.begin(), path.end());  // 8-bit text is taken byte for byte
    return open(hostPath(wide), access, share, disposition);
  }

  bool readFile(Handle file, void* buffer, std::uint32_t size, std::uint32_t* read) override {
    if (!read || (size && !buffer)) return failIo(kErrorInvalidParameter);
    OpenFile* f = find(file);
    if (!f) return failIo(kErrorInvalidHandle);
    if (!(f->access & kGenericRead)) return failIo(kErrorAccessDenied);
    auto* p = static_cast<char*>(buffer);
    std::uint32_t done = 0;
    while (done < size) {
      const ssize_t n = ::read(f->fd, p + done, size - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return failIo(errorFromErrno(errno, {}));
      if (n == 0) break;
      done += static_cast<std::uint32_t>(n);
    }
    *read = done;
    return true;
  }

  bool writeFile(Handle file, const void* data, std::uint32_t size, std::uint32_t* written) override {
    if (!written || (size && !data)) return failIo(kErrorInvalidParameter);
    OpenFile* f = find(file);
    if (!f) return failIo(kErrorInvalidHandle);
    if (!(f->access & kGenericWrite)) return failIo(kErrorAccessDenied);
    const auto* p = static_cast<const char*>(data);
    std::uint32_t done = 0;
    while (done < size) {
      const ssize_t n = ::write(f->fd, p + done, size - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return failIo(errorFromErrno(n < 0 ? errno : ENOSPC, {}));
      done += static_cast<std::uint32_t>(n);
    }
    *written = done;
    return true;
  }

  bool fileSize(Handle file, std::uint64_t* size) override {
    if (!size) return failIo(kErrorInvalidParameter);
    OpenFile* f = find(file);
    struct stat st {};
    if (!f || ::fstat(f->fd, &st) != 0) return failIo(kErrorInvalidHandle);
    *size = static_cast<std::uint64_t>(st.st_size);
    return true;
  }

  bool seekToEnd(Handle file) override {
    OpenFile* f = find(file);
    if (!f || ::lseek(f->fd, 0, SEEK_END) < 0) return failIo(kErrorInvalidHandle);
    return true;
  }

  bool closeFile(Handle file) override {
    std::lock_guard lock(mutex_);
    const auto it = files_.find(file);
    if (it == files_.end()) {
      setLastError(kErrorInvalidHandle);
      return false;
    }
    ::close(it->second->fd);
    files_.erase(it);
    return true;
  }

  static Handle failOpen(std::uint32_t code) {
    setLastError(code);
    return invalidHandle();
  }
  static bool failIo(std::uint32_t code) {
    setLastError(code);
    return false;
  }

  Handle open(const std::string& path, std::uint32_t access, std::uint32_t share, std::uint32_t disposition) {
    int flags = O_CLOEXEC;
    const bool rd = access & kGenericRead, wr = access & kGenericWrite;
    flags |= (rd && wr) ? O_RDWR : wr ? O_WRONLY : O_RDONLY;
    switch (disposition) {
      case kCreateNew: flags |= O_CREAT | O_EXCL; break;
      case kCreateAlways: flags |= O_CREAT; break;  // emptied below, once the share check passed
      case kOpenExisting: break;
      case kOpenAlways: flags |= O_CREAT; break;
      default: return failOpen(kErrorInvalidParameter);
    }
    std::lock_guard lock(mutex_);
    const int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) return failOpen(errorFromErrno(errno, path));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
      ::close(fd);
      return failOpen(kErrorAccessDenied);
    }
    for (const auto& [handle, other] : files_) {
      if (other->device != st.st_dev || other->inode != st.st_ino) continue;
      const bool theyAllow = (!rd || (other->share & kFileShareRead)) && (!wr || (other->share & kFileShareWrite));
      const bool weAllow = (!(other->access & kGenericRead) || (share & kFileShareRead)) &&
                           (!(other->access & kGenericWrite) || (share & kFileShareWrite));
      if (!theyAllow || !weAllow) {
        ::close(fd);
        return failOpen(kErrorSharingViolation);
      }
    }
    if (disposition == kCreateAlways && ::ftruncate(fd, 0) != 0) {
      ::close(fd);
      return failOpen(kErrorAccessDenied);
    }
    auto f = std::make_unique<OpenFile>(OpenFile{fd, st.st_dev, st.st_ino, access, share});
    Handle h = f.get();
    files_.emplace(h, std::move(f));
    setLastError(kErrorSuccess);
    return h;
  }

 private:
  OpenFile* find(Handle h) {
    std::lock_guard lock(mutex_);
    const auto it = files_.find(h);
    return it == files_.end() ? nullptr : it->second.get();
  }

  std::mutex mutex_;
  std::map<Handle, std::unique_ptr<OpenFile>> files_;
};

}  // namespace

std::string hostPath(std::u16string_view windowsPath) {
  std::string path = toUtf8(windowsPath);
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

namespace {
HostFiles& hostFilesInstance() {
  static HostFiles instance;
  return instance;
}
}  // namespace

Files& hostFiles() { return hostFilesInstance(); }

Handle openHostPath(const std::string& hostPath, std::uint32_t access, std::uint32_t share,
                    std::uint32_t disposition) {
  return hostFilesInstance().open(hostPath, access, share, disposition);
}

}  // namespace os
