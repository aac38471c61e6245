// A stand-in access library for a PC with a KB20 board, built as Cfgprobe64.dll
// (bin/kb20/): KX_GetPCIConfig finds the function of identity 0x01021195 and
// match word 0x01021195, whose register 0x10 holds 0xF2000000 and register 0x1C
// 0xC001, and no other.
//
// Once a Search has read the I/O register, the library points its export
// KX_GetPCIConfig at a second function that finds nothing: a program that looks
// the entry up at every Search meets the second one at its next Search, one that
// kept the first address does not.
//
// It also records, for the checks, what the program's window shows: while it is
// initialised a hook on the program's user-interface thread notes every text put
// into the Start, End, result and Space Size boxes (WM_SETTEXT, EM_REPLACESEL) and
// every message box as it comes up (caption, text, icon, owner). Each call and
// each of these is one line (UTF-8, bare line feed) in the file SPANFINDER_FAKE_LOG
// names.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "os/win32/windows_api.h"

namespace {

constexpr std::uint32_t kIdentity = 0x01021195, kMatch = 0x01021195;
constexpr int kResultBox = 1019;

void logLine(const std::string& line) {
  const char* path = std::getenv("SPANFINDER_FAKE_LOG");
  if (std::FILE* log = path ? std::fopen(path, "ab") : nullptr) {
    std::fprintf(log, "%s\n", line.c_str());
    std::fclose(log);
  }
}

// UTF-8 with line breaks and TABs written out, so that one text is one log line.
std::string visible(const wchar_t* text) {
  std::string out;
  for (; text && *text; ++text) {
    if (*text == L'\r') out += "\\r";
    else if (*text == L'\n') out += "\\n";
    else if (*text == L'\t') out += "\\t";
    else {
      char bytes[8] = {};
      const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, 1, bytes, sizeof bytes, nullptr, nullptr);
      out.append(bytes, n > 0 ? n : 0);
    }
  }
  return out;
}

std::wstring textOf(HWND window) {
  wchar_t text[2048] = {};
  ::GetWindowTextW(window, text, 2048);
  return text;
}

bool isClass(HWND window, const wchar_t* name) {
  wchar_t found[64] = {};
  ::GetClassNameW(window, found, 64);
  return ::lstrcmpiW(found, name) == 0;
}

// A message box as its user sees it: every static text, and its icon.
struct BoxContents {
  std::wstring text;
  HICON icon = nullptr;
};

BOOL CALLBACK readBoxChild(HWND child, LPARAM param) {
  auto* box = reinterpret_cast<BoxContents*>(param);
  if (!isClass(child, L"Static")) return TRUE;
  if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    // Read as the box initialises, before it is shown: a box without an icon has
    // the icon control all the same, holding none.
    box->icon = reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0));
  } else if (!textOf(child).empty()) {
    box->text += (box->text.empty() ? L"" : L"|") + textOf(child);
  }
  return TRUE;
}

void noteMessageBox(HWND box) {
  BoxContents contents;
  ::EnumChildWindows(box, &readBoxChild, reinterpret_cast<LPARAM>(&contents));
  const HWND owner = ::GetWindow(box, GW_OWNER);
  const bool ownerIsMain = owner && ::GetDlgItem(owner, kResultBox) != nullptr;
  const char* icon = !contents.icon                                        ? "none"
                     : contents.icon == ::LoadIconW(nullptr, IDI_EXCLAMATION) ? "exclamation"
                                                                              : "other";
  logLine(std::string("box owner=") + (ownerIsMain ? "main" : owner ? "other" : "none") + " icon=" + icon +
          " caption=" + visible(textOf(box).c_str()) + " text=" + visible(contents.text.c_str()));
}

HHOOK g_hook = nullptr;

LRESULT CALLBACK watchWindows(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto* m = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    const int id = ::GetDlgCtrlID(m->hwnd);
    // The four edit boxes of the main dialog: Start, End, result, Space Size.
    const bool watched = (::GetWindowLongW(m->hwnd, GWL_STYLE) & WS_CHILD) != 0 && id >= 1017 && id <= 1020;
    // The text a box holds once WM_SETTEXT is done: for a text sent from another
    // process the message's own copy is gone by then.
    if (m->message == WM_SETTEXT && watched && isClass(m->hwnd, L"Edit"))
      logLine("settext " + std::to_string(id) + " " + visible(textOf(m->hwnd).c_str()));
    else if (m->message == EM_REPLACESEL && watched)
      logLine("replacesel " + std::to_string(id) + " " + visible(reinterpret_cast<const wchar_t*>(m->lParam)));
    else if (m->message == WM_INITDIALOG && isClass(m->hwnd, L"#32770") && !::GetDlgItem(m->hwnd, kResultBox))
      noteMessageBox(m->hwnd);
  }
  return ::CallNextHookEx(g_hook, code, wParam, lParam);
}

std::string hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

// Points the named entry of this library's export table at function, as if the
// library had been built that way: the next GetProcAddress finds function.
void pointExportAt(const char* name, const void* function) {
  HMODULE self = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&pointExportAt), &self);
  auto* base = reinterpret_cast<std::uint8_t*>(self);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
  const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  const auto* ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
  auto* functions = reinterpret_cast<DWORD*>(base + exports->AddressOfFunctions);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    if (std::strcmp(reinterpret_cast<const char*>(base + names[i]), name) != 0) continue;
    DWORD* slot = &functions[ordinals[i]];
    DWORD protection = 0;
    ::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    *slot = static_cast<DWORD>(static_cast<const std::uint8_t*>(function) - base);
    ::VirtualProtect(slot, sizeof *slot, protection, &protection);
  }
}

int __stdcall findsNothing(int identity, int match, int offset, unsigned*) {
  logLine("second config " + hex(identity) + " " + hex(match) + " " + hex(offset) + ": 0");
  return 0;
}

}  // namespace

extern "C" {

__declspec(dllexport) int __stdcall KX_InitLibrary() {
  logLine("init");
  g_hook = ::SetWindowsHookExW(WH_CALLWNDPROCRET, &watchWindows, nullptr, ::GetCurrentThreadId());
  return 1;
}

__declspec(dllexport) int __stdcall KX_ExitLibrary() {
  logLine("exit");
  if (g_hook) ::UnhookWindowsHookEx(g_hook);
  g_hook = nullptr;
  return 1;
}

__declspec(dllexport) int __stdcall KX_GetPCIConfig(int identity, int match, int offset, unsigned* value) {
  const bool board = static_cast<std::uint32_t>(identity) == kIdentity && static_cast<std::uint32_t>(match) == kMatch;
  logLine("config " + hex(identity) + " " + hex(match) + " " + hex(offset) + ": " + (board ? "1" : "0"));
  if (!board) return 0;
  if (value) *value = offset == 0x10 ? 0xF2000000u : offset == 0x1C ? 0xC001u : 0u;
  if (offset == 0x1C) pointExportAt("KX_GetPCIConfig", reinterpret_cast<const void*>(&findsNothing));
  return 1;
}

}  // extern "C"
