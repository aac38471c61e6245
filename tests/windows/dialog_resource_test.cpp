// The dialog templates in Spanfinder64.exe: byte for byte what the program's own
// template rows say (the source the native build runs), and as the system's dialog
// manager creates them.
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

#include "app/dialog_templates.h"
#include "tests/windows/check.h"
#include "tests/windows/win32_helpers.h"

namespace {

// One DLGTEMPLATEEX as the resource holds it.
struct ItemRecord {
  DWORD exStyle = 0, style = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  DWORD id = 0;
  std::wstring className;  // a predefined class by its name
  std::wstring text;
  WORD textOrdinal = 0;    // a text given as a resource number (icon statics)
};
struct DialogRecord {
  DWORD exStyle = 0, style = 0;
  short cx = 0, cy = 0;
  std::wstring title, font;
  WORD pointSize = 0;
  std::vector<ItemRecord> items;
};

class Reader {
 public:
  explicit Reader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  template <typename T>
  T take() {
    T value{};
    if (at_ + sizeof(T) <= bytes_.size()) std::memcpy(&value, bytes_.data() + at_, sizeof(T));
    at_ += sizeof(T);
    return value;
  }
  std::wstring text() {
    std::wstring s;
    while (wchar_t c = take<wchar_t>()) s += c;
    return s;
  }
  // sz_Or_Ord: nothing, a number after 0xFFFF, or a text.
  std::wstring textOrNumber(WORD* number) {
    const WORD first = peek();
    if (first == 0xFFFF) {
      take<WORD>();
      *number = take<WORD>();
      return {};
    }
    return text();
  }
  void alignTo4() { at_ = (at_ + 3) & ~std::size_t{3}; }

 private:
  WORD peek() const {
    WORD w = 0;
    if (at_ + 2 <= bytes_.size()) std::memcpy(&w, bytes_.data() + at_, 2);
    return w;
  }
  const std::vector<std::uint8_t>& bytes_;
  std::size_t at_ = 0;
};

std::wstring predefinedClass(WORD ordinal) {
  switch (ordinal) {
    case 0x80: return L"button";
    case 0x81: return L"edit";
    case 0x82: return L"static";
    default: return L"?";
  }
}

std::wstring lower(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(::towlower(c));
  return s;
}

DialogRecord parse(const std::vector<std::uint8_t>& bytes) {
  Reader r(bytes);
  DialogRecord d;
  const WORD version = r.take<WORD>(), signature = r.take<WORD>();
  if (version != 1 || signature != 0xFFFF) return d;
  r.take<DWORD>();  // help id
  d.exStyle = r.take<DWORD>();
  d.style = r.take<DWORD>();
  const WORD count = r.take<WORD>();
  r.take<short>();
  r.take<short>();
  d.cx = r.take<short>();
  d.cy = r.take<short>();
  WORD unused = 0;
  r.textOrNumber(&unused);  // menu
  r.textOrNumber(&unused);  // class
  d.title = r.text();
  if (d.style & DS_SETFONT) {
    d.pointSize = r.take<WORD>();
    r.take<WORD>();  // weight
    r.take<BYTE>();  // italic
    r.take<BYTE>();  // character set
    d.font = r.text();
  }
  for (WORD i = 0; i < count; ++i) {
    r.alignTo4();
    ItemRecord item;
    r.take<DWORD>();  // help id
    item.exStyle = r.take<DWORD>();
    item.style = r.take<DWORD>();
    item.x = r.take<short>();
    item.y = r.take<short>();
    item.cx = r.take<short>();
    item.cy = r.take<short>();
    item.id = r.take<DWORD>();
    WORD classOrdinal = 0;
    const std::wstring name = r.textOrNumber(&classOrdinal);
    item.className = name.empty() ? predefinedClass(classOrdinal) : lower(name);
    item.text = r.textOrNumber(&item.textOrdinal);
    const WORD extra = r.take<WORD>();
    for (WORD k = 0; k < extra; ++k) r.take<BYTE>();
    d.items.push_back(item);
  }
  return d;
}

const wchar_t* expectedClass(ui::ControlClass c) {
  switch (c) {
    case ui::ControlClass::Button: return L"button";
    case ui::ControlClass::Edit: return L"edit";
    case ui::ControlClass::Static: return L"static";
  }
  return L"";
}

std::wstring wide(std::u16string_view s) { return std::wstring(s.begin(), s.end()); }

HMODULE programImage() {
  static const HMODULE module = ::LoadLibraryExW(wintest::builtFile(L"Spanfinder64.exe").c_str(), nullptr,
                                                 LOAD_LIBRARY_AS_DATAFILE);
  return module;
}

DialogRecord programDialog(WORD id) {
  return parse(wintest::resourceBytes(programImage(), MAKEINTRESOURCEW(5) /*RT_DIALOG*/, MAKEINTRESOURCEW(id)));
}

INT_PTR CALLBACK quietProcedure(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

}  // namespace

WIN_TEST(DialogResources, EveryTemplateIsThePortableOneExactly) {
  REQUIRE(programImage() != nullptr);
  for (const ui::DialogTemplate& t : app::programResources().dialogs) {
    const DialogRecord d = programDialog(t.id);
    CHECK_EQ(d.style, t.style);
    CHECK_EQ(d.exStyle, t.exStyle);
    CHECK_EQ(d.cx, t.cx);
    CHECK_EQ(d.cy, t.cy);
    CHECK_EQ(d.title, wide(t.title));
    CHECK_EQ(d.font, wide(t.fontFace));
    CHECK_EQ(d.pointSize, t.pointSize);
    REQUIRE(d.items.size() == t.controls.size());
    for (std::size_t i = 0; i < d.items.size(); ++i) {
      const ItemRecord& item = d.items[i];
      const ui::ControlTemplate& c = t.controls[i];
      CHECK_EQ(item.id, DWORD{c.id});
      CHECK_EQ(item.className, std::wstring(expectedClass(c.controlClass)));
      // Every control of a dialog is a visible child, whatever else its row says.
      CHECK_EQ(item.style, c.style | WS_CHILD | WS_VISIBLE);
      CHECK_EQ(item.exStyle, DWORD{0});
      CHECK_EQ(item.x, c.x);
      CHECK_EQ(item.y, c.y);
      CHECK_EQ(item.cx, c.cx);
      CHECK_EQ(item.cy, c.cy);
      if (c.iconId) {
        CHECK_EQ(item.textOrdinal, c.iconId);
      } else {
        CHECK_EQ(item.text, wide(c.text));
      }
    }
  }
}

// A few values of the main dialog and the About box as literals, so that a change of
// the portable rows themselves shows here too.
WIN_TEST(DialogResources, MainDialogAndAboutBoxHaveTheirDocumentedShape) {
  const DialogRecord main = programDialog(102);
  CHECK_EQ(main.title, std::wstring(L"resource range automatic search tool"));
  CHECK_EQ(main.font, std::wstring(L"MS UI Gothic"));
  CHECK_EQ(main.pointSize, WORD{9});
  CHECK_EQ(main.cx, short{207});
  CHECK_EQ(main.cy, short{324});
  CHECK_EQ(main.exStyle, DWORD{WS_EX_APPWINDOW});
  CHECK((main.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)) == 0);
  CHECK_EQ(main.style & (WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
           DWORD{WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME});
  REQUIRE(main.items.size() == 18);
  const ItemRecord& result = main.items[13];
  CHECK_EQ(result.id, DWORD{1019});
  CHECK_EQ(result.style, DWORD{WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | WS_VSCROLL | ES_AUTOVSCROLL |
                               ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP});
  CHECK_EQ(result.x, short{14});
  CHECK_EQ(result.y, short{155});
  CHECK_EQ(result.cx, short{178});
  CHECK_EQ(result.cy, short{128});
  CHECK_EQ(main.items[0].id, DWORD{1});
  CHECK_EQ(main.items[0].text, std::wstring(L"Exit"));
  CHECK_EQ(main.items[0].style & 0xF, DWORD{BS_DEFPUSHBUTTON});
  CHECK_EQ(main.items[3].style & (WS_GROUP | 0xF), DWORD{WS_GROUP | BS_AUTORADIOBUTTON});

  const DialogRecord about = programDialog(100);
  CHECK_EQ(about.title, std::wstring(L"About"));
  CHECK_EQ(about.cx, short{235});
  CHECK_EQ(about.cy, short{78});
  REQUIRE(about.items.size() == 4);
  CHECK_EQ(about.items[0].textOrdinal, WORD{128});
  CHECK_EQ(about.items[0].style & SS_TYPEMASK, DWORD{SS_ICON});
  CHECK_EQ(about.items[1].id, DWORD{1010});
  CHECK_EQ(about.items[1].text, std::wstring(L"Spanfinder Tool Version 2.00"));
  CHECK(about.items[1].style & SS_NOPREFIX);
}

// The dialog manager makes each row a window of the row's class, id, text and place.
WIN_TEST(DialogResources, TheSystemCreatesTheControlsAsTheRowsSay) {
  REQUIRE(programImage() != nullptr);
  for (const ui::DialogTemplate& t : app::programResources().dialogs) {
    const HWND dialog =
        ::CreateDialogParamW(programImage(), MAKEINTRESOURCEW(t.id), nullptr, &quietProcedure, 0);
    REQUIRE(dialog != nullptr);
    const std::vector<HWND> children = wintest::childWindows(dialog);
    CHECK_EQ(children.size(), t.controls.size());
    for (std::size_t i = 0; i < children.size() && i < t.controls.size(); ++i) {
      const HWND child = children[i];
      const ui::ControlTemplate& c = t.controls[i];
      CHECK_EQ(lower(wintest::className(child)), std::wstring(expectedClass(c.controlClass)));
      CHECK_EQ(::GetDlgCtrlID(child) & 0xFFFF, int{c.id});
      // Place and size are each converted from dialog units, as the dialog manager does.
      RECT place{c.x, c.y, c.cx, c.cy};
      ::MapDialogRect(dialog, &place);
      RECT actual{};
      ::GetWindowRect(child, &actual);
      ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
      CHECK_EQ(actual.left, place.left);
      CHECK_EQ(actual.top, place.top);
      if (c.iconId) {
        // An icon static takes the size of its icon.
        CHECK(::SendMessageW(child, STM_GETICON, 0, 0) != 0);
      } else {
        CHECK_EQ(actual.right - actual.left, place.right);
        CHECK_EQ(actual.bottom - actual.top, place.bottom);
        CHECK_EQ(wintest::windowText(child), wide(c.text));
      }
    }
    ::DestroyWindow(dialog);
  }
}
