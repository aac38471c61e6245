#include "os/win32/adapters.h"
#include "os/win32/windows_api.h"

namespace os::win32 {
namespace {

class Win32Files final : public Files {
 public:
  Handle createFile(std::u16string_view path, std::uint32_t access, std::uint32_t share,
                    std::uint32_t disposition) override {
    if (path.size() >= kMaxPath) return tooLong();
    return ::CreateFileW(terminated(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  }
  Handle createFileA(std::string_view path, std::uint32_t access, std::uint32_t share,
                     std::uint32_t disposition) override {
    if (path.size() >= kMaxPath) return tooLong();
    return ::CreateFileA(terminated(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  }
  bool readFile(Handle file, void* buffer, std::uint32_t size, std::uint32_t* read) override {
    if (!read || (size && !buffer)) return invalidParameter();
    DWORD done = 0;
    if (!::ReadFile(file, buffer, size, &done, nullptr)) return false;
    *read = done;
    return true;
  }
  bool writeFile(Handle file, const void* data, std::uint32_t size, std::uint32_t* written) override {
    if (!written || (size && !data)) return invalidParameter();
    DWORD done = 0;
    if (!::WriteFile(file, data, size, &done, nullptr)) return false;
    *written = done;
    return true;
  }
  bool fileSize(Handle file, std::uint64_t* size) override {
    if (!size) return invalidParameter();
    LARGE_INTEGER length{};
    if (!::GetFileSizeEx(file, &length)) return false;
    *size = static_cast<std::uint64_t>(length.QuadPart);
    return true;
  }
  bool seekToEnd(Handle file) override {
    LARGE_INTEGER zero{};
    return ::SetFilePointerEx(file, zero, nullptr, FILE_END);
  }
  bool closeFile(Handle file) override { return ::CloseHandle(file); }

 private:
  // The interface's limit, the same in every back end: no path of MAX_PATH units
  // or more opens, even where the system would take it.
  static Handle tooLong() {
    ::SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  // The interface's rule for outputs: a null one fails before the system is asked
  // (ReadFile and WriteFile would take it, or fault on it).
  static bool invalidParameter() {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
};

}  // namespace

Files& files() {
  static Win32Files instance;
  return instance;
}

}  // namespace os::win32
