#pragma once
// The program's version resource: file version 2.0.0.0 and one string table, for
// language 0x0409 with code page 932 (key "040903a4"), which the About box reads.
#include <array>
#include <cstdint>
#include <string_view>

namespace app {

// FILEVERSION and PRODUCTVERSION, most significant part first.
inline constexpr std::array<std::uint16_t, 4> kFileVersion = {2, 0, 0, 0};
// The one translation: its language, code page and the string table key they make.
inline constexpr std::uint16_t kVersionLanguage = 0x0409;
inline constexpr std::uint16_t kVersionCodePage = 932;
inline constexpr std::u16string_view kVersionTableKey = u"040903a4";

struct VersionString {
  std::u16string_view name;
  std::u16string_view value;
};

inline constexpr std::array kVersionStrings = {
    VersionString{u"CompanyName", u"Nordvale"},
    VersionString{u"FileDescription", u"resource range automatic search tool"},
    VersionString{u"FileVersion", u"2.00"},
    VersionString{u"InternalName", u"Spanfinder"},
    VersionString{u"LegalCopyright", u"Copyright (C) Nordvale"},
    VersionString{u"OriginalFilename", u"Spanfinder64.exe"},
    VersionString{u"ProductName", u"Spanfinder"},
    VersionString{u"ProductVersion", u"2.00"},
};

}  // namespace app
