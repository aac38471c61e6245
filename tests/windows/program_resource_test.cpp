// The other resources of both deliverables, read back from the built files: the two
// string tables, the version blocks, the manifest and the program icon.
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "resources/messages.h"
#include "tests/windows/check.h"
#include "tests/windows/win32_helpers.h"

namespace {

constexpr WORD kEnglish = 0x0409, kJapanese = 0x0411;

HMODULE image(const wchar_t* file) {
  return ::LoadLibraryExW(wintest::builtFile(file).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

HMODULE program() {
  static const HMODULE module = image(L"Spanfinder64.exe");
  return module;
}

// String id of the table of one language, as the string resource block holds it;
// nothing when the table lacks it.
std::optional<std::u16string> tableString(WORD id, WORD language) {
  const auto block = wintest::resourceBytes(program(), MAKEINTRESOURCEW(6) /*RT_STRING*/,
                                            MAKEINTRESOURCEW((id >> 4) + 1), language);
  std::size_t at = 0;
  for (WORD index = 0; at + 2 <= block.size(); ++index) {
    WORD length = 0;
    std::memcpy(&length, block.data() + at, 2);
    at += 2;
    if (index == (id & 15)) {
      if (length == 0 || at + length * 2u > block.size()) return std::nullopt;
      std::u16string text(length, u'\0');
      std::memcpy(text.data(), block.data() + at, length * 2u);
      return text;
    }
    at += length * 2u;
  }
  return std::nullopt;
}

std::u16string versionValue(const std::wstring& file, const std::wstring& key) {
  DWORD unused = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &unused);
  std::vector<std::uint8_t> block(size);
  if (!size || !::GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return u"<no version block>";
  void* value = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(block.data(), key.c_str(), &value, &length) || !value) return u"<missing>";
  return std::u16string(static_cast<const char16_t*>(value));
}

struct FixedVersion {
  DWORD fileMS = 0, fileLS = 0, translation = 0, fileType = 0, fileSubtype = 0;
};
FixedVersion fixedVersion(const std::wstring& file) {
  DWORD unused = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &unused);
  std::vector<std::uint8_t> block(size);
  FixedVersion v;
  if (!size || !::GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return v;
  void* value = nullptr;
  UINT length = 0;
  if (::VerQueryValueW(block.data(), L"\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(value);
    v.fileMS = info->dwFileVersionMS;
    v.fileLS = info->dwFileVersionLS;
    v.fileType = info->dwFileType;
    v.fileSubtype = info->dwFileSubtype;
  }
  if (::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length) && length >= 4)
    std::memcpy(&v.translation, value, 4);
  return v;
}

}  // namespace

WIN_TEST(StringTables, EnglishAndJapaneseTextsArriveIntact) {
  struct Row {
    WORD id;
    const char16_t* english;
    const char16_t* japanese;
  };
  const Row rows[] = {
      {101, u"About...", u"バージョン情報"},
      {102, u"Nordvale series, resource range automatic search tool", u"Nordvaleシリーズ リソース範囲自動検索ツール"},
      {505, u"[Memory]", u"[メモリ]"},
      {508, u"[Problem Devices]", u"[問題のあるデバイス]"},
      {511, u"[I/O]", u"[I/O]"},
      {600, u"Courier New", u"ＭＳ ゴシック"},
      {705, u"I/O resources is not free of 0x3000 bytes.", u"I/O リソースに 0x3000 バイトの空きがありません。"},
      // The Japanese text keeps its trailing blank.
      {900, u"Failed to initialize application.", u"ライブラリ初期化時に予期せぬエラーが発生しました。 "},
      {9999, u"An unexpected error has occurred.", u"予期せぬエラーです。"},
  };
  for (const Row& row : rows) {
    CHECK_EQ(tableString(row.id, kEnglish).value_or(u"<missing>"), std::u16string(row.english));
    CHECK_EQ(tableString(row.id, kJapanese).value_or(u"<missing>"), std::u16string(row.japanese));
  }
  // A line break inside a text is a line feed of the text.
  CHECK_EQ(tableString(504, kJapanese).value_or(u""),
           std::u16string(u"指定のデバイスが検出できませんでした。\nボードが正しく装着されているか、もう一度ご確認してから実行してください。"));
}

WIN_TEST(StringTables, HoldExactlyTheMessageTableOfTheProgram) {
  for (WORD id = 100; id <= 10000; ++id) {
    for (WORD language : {kEnglish, kJapanese}) {
      const auto text = resources::loadMessage(
          id, language == kJapanese ? resources::Language::Japanese : resources::Language::English);
      const auto stored = tableString(id, language);
      if (text.empty()) {
        if (stored) wintest::fail(__FILE__, __LINE__, "string " + std::to_string(id) + " is not in the table");
      } else {
        CHECK_EQ(stored.value_or(u"<missing>"), text);
      }
    }
  }
  // Numbers outside the table stay out in both languages.
  for (WORD id : {105, 110, 200, 500, 506, 507, 901, 902}) {
    CHECK(!tableString(id, kEnglish));
    CHECK(!tableString(id, kJapanese));
  }
}

WIN_TEST(VersionBlocks, ProgramCarriesVersion200InItsOneStringTable) {
  const std::wstring file = wintest::builtFile(L"Spanfinder64.exe");
  const FixedVersion v = fixedVersion(file);
  CHECK_EQ(v.fileMS, DWORD{0x00020000});
  CHECK_EQ(v.fileLS, DWORD{0});
  CHECK_EQ(v.translation, DWORD{(932u << 16) | 0x0409u});
  CHECK_EQ(versionValue(file, L"\\StringFileInfo\\040903a4\\ProductVersion"), std::u16string(u"2.00"));
  CHECK_EQ(versionValue(file, L"\\StringFileInfo\\040903a4\\FileVersion"), std::u16string(u"2.00"));
  CHECK_EQ(versionValue(file, L"\\StringFileInfo\\040903a4\\OriginalFilename"), std::u16string(u"Spanfinder64.exe"));
}

WIN_TEST(VersionBlocks, LibraryDescribesItselfAsTheConfigurationAccessProgram) {
  const std::wstring file = wintest::builtFile(L"Cfgprobe64.dll");
  const FixedVersion v = fixedVersion(file);
  CHECK_EQ(v.fileMS, DWORD{0x00010000});
  CHECK_EQ(v.fileLS, DWORD{0});
  CHECK_EQ(v.translation, DWORD{(1200u << 16) | 0x0409u});
  const std::wstring table = L"\\StringFileInfo\\040904b0\\";
  CHECK_EQ(versionValue(file, table + L"FileDescription"), std::u16string(u"PCI Configuration header access program"));
  CHECK_EQ(versionValue(file, table + L"ProductName"), std::u16string(u"PCI Configuration header access program"));
  CHECK_EQ(versionValue(file, table + L"FileVersion"), std::u16string(u"1, 0, 0, 0"));
  CHECK_EQ(versionValue(file, table + L"ProductVersion"), std::u16string(u"1, 0, 0, 0"));
  CHECK_EQ(versionValue(file, table + L"InternalName"), std::u16string(u"Cfgprobe"));
  CHECK_EQ(versionValue(file, table + L"OriginalFilename"), std::u16string(u"Cfgprobe.dll"));
}

// The driver's block says what it is: a system driver (VFT_DRV, VFT2_DRV_SYSTEM)
// whose description names the access driver.
WIN_TEST(VersionBlocks, DriverDescribesItselfAsTheAccessDriver) {
  const std::wstring file = wintest::builtFile(L"Cfgprobe64.sys");
  const FixedVersion v = fixedVersion(file);
  CHECK_EQ(v.fileMS, DWORD{0x00010000});
  CHECK_EQ(v.translation, DWORD{(1200u << 16) | 0x0409u});
  const std::wstring table = L"\\StringFileInfo\\040904b0\\";
  CHECK_EQ(versionValue(file, table + L"FileDescription"), std::u16string(u"Cfgprobe64 hardware access driver"));
  CHECK_EQ(versionValue(file, table + L"CompanyName"), std::u16string(u"Nordvale"));
  CHECK_EQ(versionValue(file, table + L"OriginalFilename"), std::u16string(u"Cfgprobe64.sys"));
  CHECK_EQ(v.fileType, DWORD{VFT_DRV});
  CHECK_EQ(v.fileSubtype, DWORD{VFT2_DRV_SYSTEM});
}

WIN_TEST(Manifest, AsksForAdministratorRightsAndCommonControls6) {
  const auto bytes = wintest::resourceBytes(program(), MAKEINTRESOURCEW(24) /*RT_MANIFEST*/, MAKEINTRESOURCEW(1));
  const std::string manifest(bytes.begin(), bytes.end());
  for (const char* part : {"name=\"Spanfinder64.exe\"", "version=\"1.0.0.0\"", "processorArchitecture=\"amd64\"",
                           "type=\"win32\"", "<description>Spanfinder64.exe</description>",
                           "name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
                           "level=\"requireAdministrator\"", "uiAccess=\"false\""}) {
    if (manifest.find(part) == std::string::npos) wintest::fail(__FILE__, __LINE__, std::string("lacks ") + part);
  }
}

WIN_TEST(ProgramIcon, Group128Has48And32And16PixelsAtThreeDepths) {
  const auto group = wintest::resourceBytes(program(), MAKEINTRESOURCEW(14) /*RT_GROUP_ICON*/, MAKEINTRESOURCEW(128));
  REQUIRE(group.size() >= 6);
  WORD count = 0;
  std::memcpy(&count, group.data() + 4, 2);
  REQUIRE(group.size() >= 6u + 14u * count);
  std::vector<std::pair<int, int>> images;  // size, bits
  for (WORD i = 0; i < count; ++i) {
    const std::uint8_t* entry = group.data() + 6 + 14 * i;
    WORD bits = 0;
    std::memcpy(&bits, entry + 6, 2);
    images.emplace_back(entry[0], bits);
  }
  for (int size : {48, 32, 16})
    for (int bits : {4, 8, 24}) {
      bool found = false;
      for (const auto& image : images) found = found || image == std::make_pair(size, bits);
      if (!found) wintest::fail(__FILE__, __LINE__, "no " + std::to_string(size) + " px image at " + std::to_string(bits) + " bits");
    }
  // The system finds it by number, as the dialog and the About box load it.
  CHECK(::LoadImageW(program(), MAKEINTRESOURCEW(128), IMAGE_ICON, 48, 48, 0) != nullptr);
}
