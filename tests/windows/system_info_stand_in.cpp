// A stand-in for the system-information tool, installed as system32\msinfo32.exe
// in the checks' Wine prefix (whose own msinfo32 writes no report). It writes one
// fixed report to the path after /report, with the headings of the user-interface
// language (English or Japanese) and in the layout the real tool writes: UTF-16LE
// with a byte-order mark, CR LF line ends, bracketed headings, TAB-separated cells
// each ending with a TAB. Its arguments go, one line, to the file
// SPANFINDER_MSINFO_LOG names; it ends with the status SPANFINDER_MSINFO_EXIT names
// (0 when unset), having written no report for a status other than 0.
//
// The machine it describes has a KB20 at memory address 0xF2000000 and I/O
// address 0xC001: I/O window 0x0D00-0xFFFF with room, memory window
// 0xF0000000-0xF3FFFFFF (in it, the root port's 0xF2000000-0xF2FFFFFF, which the
// free-space search does not count, and 0xF0000000-0xF00FFFFF and the board's
// registers, which it does), and one problem device that is not the board's.
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "os/win32/windows_api.h"

namespace {

// The headings and column titles of the report in the two languages the real
// tool writes for this system, which follows the user-interface language.
struct Texts {
  const wchar_t *systemName, *memory, *problems, *resourceColumns, *problemColumns;
};
constexpr Texts kEnglish{L"System Name: ", L"[Memory]", L"[Problem Devices]", L"Resource\tDevice\tStatus\t",
                         L"Device\tPNP Device ID\tError Code\t"};
constexpr Texts kJapanese{L"システム名: ", L"[メモリ]", L"[問題のあるデバイス]", L"リソース\tデバイス\t状態\t",
                          L"デバイス\tPNP デバイス ID\tエラー コード\t"};

std::wstring report(const Texts& t) {
  return std::wstring(L"\xFEFF") + t.systemName + L"CHECK-PC\r\n"
         L"\r\n"
         L"[I/O]\r\n"
         L"\r\n" + t.resourceColumns + L"\r\n"
         L"0x00000000-0x00000CF7\tPCI bus\tOK\t\r\n"
         L"0x00000D00-0x0000FFFF\tPCI bus\tOK\t\r\n"
         L"0x0000E000-0x0000EFFF\tPCI Express Root Port\tOK\t\r\n"
         L"0x0000E000-0x0000E0FF\tSATA Controller\tOK\t\r\n"
         L"\r\n" + t.memory + L"\r\n"
         L"\r\n" + t.resourceColumns + L"\r\n"
         L"0xF0000000-0xF3FFFFFF\tPCI bus\tOK\t\r\n"
         L"0xF0000000-0xF00FFFFF\tGraphics Controller\tOK\t\r\n"
         L"0xF2000000-0xF2FFFFFF\tPCI Express Root Port\tOK\t\r\n"
         L"0xF2000000-0xF2003FFF\tNordvale KB20 Bridge\tOK\t\r\n"
         L"0xFED00000-0xFED003FF\tHigh precision event timer\tOK\t\r\n"
         L"\r\n" + t.problems + L"\r\n"
         L"\r\n" + t.problemColumns + L"\r\n"
         L"PCI Device\tPCI\\VEN_8086&DEV_1C3A&SUBSYS_04B21028&REV_04\\3&11583659&0&B0\t"
         L"The drivers for this device are not installed. (Code 28)\t\r\n";
}

void logArguments(int argc, wchar_t** argv) {
  const wchar_t* path = _wgetenv(L"SPANFINDER_MSINFO_LOG");
  std::FILE* log = path ? _wfopen(path, L"ab") : nullptr;
  if (!log) return;
  std::wstring line;
  for (int i = 1; i < argc; ++i) line += (i > 1 ? L" " : L"") + std::wstring(argv[i]);
  // UTF-8, one line ending in a bare line feed.
  char text[4096] = {};
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), text,
                                           sizeof text - 1, nullptr, nullptr);
  std::fprintf(log, "%.*s\n", length, text);
  std::fclose(log);
}

}  // namespace

extern "C" int wmain(int argc, wchar_t** argv) {
  logArguments(argc, argv);
  const wchar_t* status = _wgetenv(L"SPANFINDER_MSINFO_EXIT");
  const int exitStatus = status ? static_cast<int>(std::wcstol(status, nullptr, 10)) : 0;
  if (exitStatus != 0) return exitStatus;
  const wchar_t* reportPath = nullptr;
  for (int i = 1; i + 1 < argc; ++i)
    if (_wcsicmp(argv[i], L"/report") == 0) reportPath = argv[i + 1];
  if (!reportPath) return 2;
  std::FILE* file = _wfopen(reportPath, L"wb");
  if (!file) return 4;
  const std::wstring text = report(PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_JAPANESE ? kJapanese : kEnglish);
  const bool written = std::fwrite(text.data(), sizeof(wchar_t), text.size(), file) == text.size();
  return std::fclose(file) == 0 && written ? 0 : 4;
}
