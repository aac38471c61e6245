#include "tests/windows/win32_helpers.h"

#include <fstream>
#include <sstream>

namespace wintest {

std::wstring programFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L'\\'));
}

std::wstring builtFile(const std::wstring& relative) {
  wchar_t package[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableW(L"SPANFINDER_PACKAGE", package, MAX_PATH);
  if (relative.find(L'\\') == std::wstring::npos && length > 0 && length < MAX_PATH)
    return std::wstring(package, length) + L"\\" + relative;
  return programFolder() + L"\\" + relative;
}

namespace {

void removeTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        removeTree(path);
      else
        ::DeleteFileW(path.c_str());
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryW(folder.c_str());
}

}  // namespace

std::wstring scratchFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring root = std::wstring(temp) + L"spanfinder-checks";
  ::CreateDirectoryW(root.c_str(), nullptr);
  const std::wstring folder = root + L"\\" + name;
  removeTree(folder);
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

bool copyFileInto(const std::wstring& source, const std::wstring& folder, const std::wstring& name) {
  return ::CopyFileW(source.c_str(), (folder + L"\\" + name).c_str(), FALSE);
}

std::string readTextFile(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool writeBinaryFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
  return ok && written == bytes.size();
}

std::string unixLines(std::string text) {
  for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos;) text.erase(at, 1);
  return text;
}

std::string narrow(const std::wstring& path) { return std::string(path.begin(), path.end()); }

Child::Child(const std::wstring& program, const std::wstring& folder) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::wstring commandLine = L"\"" + program + L"\"";
  if (::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                       &startup, &info)) {
    ::CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
  }
}

Child::~Child() {
  if (!process_) return;
  if (::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(process_, 99);
    ::WaitForSingleObject(process_, 5000);
  }
  ::CloseHandle(process_);
}

bool Child::waitForExit(DWORD timeoutMs, DWORD* exitCode) {
  if (!process_ || ::WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  ::GetExitCodeProcess(process_, &code);
  if (exitCode) *exitCode = code;
  return true;
}

Run runToEnd(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder,
             const std::wstring& inputFile, DWORD timeoutMs) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const std::wstring outPath = folder + L"\\stdout.txt", errPath = folder + L"\\stderr.txt";
  const auto open = [&](const std::wstring& path, DWORD access, DWORD disposition) {
    return ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  const HANDLE out = open(outPath, GENERIC_WRITE, CREATE_ALWAYS), err = open(errPath, GENERIC_WRITE, CREATE_ALWAYS);
  const HANDLE in = open(inputFile.empty() ? L"NUL" : inputFile, GENERIC_READ, OPEN_EXISTING);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION info{};
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  Run run;
  if (::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(),
                       &startup, &info)) {
    ::CloseHandle(info.hThread);
    run.ended = ::WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0;
    if (!run.ended) ::TerminateProcess(info.hProcess, 99);
    ::GetExitCodeProcess(info.hProcess, &run.exitCode);
    ::CloseHandle(info.hProcess);
  }
  for (HANDLE h : {in, out, err})
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  run.out = readTextFile(outPath);
  run.err = readTextFile(errPath);
  return run;
}

std::wstring sourceFile(const std::wstring& relative) {
  std::wstring root;
  for (const char c : std::string(SPANFINDER_SOURCE_DIR)) root += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return L"Z:" + root + L"\\" + relative;
}

namespace {

struct Search {
  DWORD process;
  const std::function<bool(HWND)>* matches;
  HWND found;
};

BOOL CALLBACK visit(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != search->process || !::IsWindowVisible(window) || !(*search->matches)(window)) return TRUE;
  search->found = window;
  return FALSE;
}

BOOL CALLBACK collect(HWND window, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

}  // namespace

HWND waitForWindow(DWORD process, const std::function<bool(HWND)>& matches, DWORD timeoutMs) {
  const ULONGLONG end = ::GetTickCount64() + timeoutMs;
  do {
    Search search{process, &matches, nullptr};
    ::EnumWindows(&visit, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    ::Sleep(50);
  } while (::GetTickCount64() < end);
  return nullptr;
}

HWND waitForDialog(DWORD process, const std::wstring& title, DWORD timeoutMs) {
  return waitForWindow(
      process, [&](HWND w) { return className(w) == L"#32770" && windowText(w) == title; }, timeoutMs);
}

// WM_GETTEXT rather than GetWindowTextW, which for a window of another process gives
// only the text the system keeps, not an edit control's own.
std::wstring windowText(HWND window) {
  wchar_t text[1024] = {};
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                             &length))
    return {};
  return std::wstring(text, length < 1024 ? length : 0);
}

std::wstring className(HWND window) {
  wchar_t name[256] = {};
  const int length = ::GetClassNameW(window, name, 256);
  return std::wstring(name, length > 0 ? length : 0);
}

std::vector<HWND> childWindows(HWND parent) {
  std::vector<HWND> children;
  ::EnumChildWindows(parent, &collect, reinterpret_cast<LPARAM>(&children));
  return children;
}

std::wstring allChildTexts(HWND parent) {
  std::wstring all;
  for (HWND child : childWindows(parent)) all += windowText(child) + L"\n";
  return all;
}

std::vector<std::uint8_t> resourceBytes(HMODULE module, const wchar_t* type, const wchar_t* name, WORD language) {
  const HRSRC found = language == MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)
                          ? ::FindResourceW(module, name, type)
                          : ::FindResourceExW(module, type, name, language);
  if (!found) return {};
  const HGLOBAL loaded = ::LoadResource(module, found);
  const auto* bytes = static_cast<const std::uint8_t*>(::LockResource(loaded));
  if (!bytes) return {};
  return std::vector<std::uint8_t>(bytes, bytes + ::SizeofResource(module, found));
}

std::wstring environmentSet(const wchar_t* name, const wchar_t* value) {
  wchar_t before[1024] = {};
  const DWORD length = ::GetEnvironmentVariableW(name, before, 1024);
  ::SetEnvironmentVariableW(name, value);
  return std::wstring(before, length < 1024 ? length : 0);
}

}  // namespace wintest
