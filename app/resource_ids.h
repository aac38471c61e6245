#pragma once
// Numbers of the program's resources: dialog templates, icon, controls and the
// About command of the system menu.
#include <cstdint>
#include <string_view>

namespace app {

constexpr std::uint16_t kAboutTemplate = 100;
constexpr std::uint16_t kMainTemplate = 102;
constexpr std::uint16_t kProgramIcon = 128;

// About box statics.
constexpr int kVersionStatic = 1010, kNoticeStatic = 1011;
// Main dialog controls.
constexpr int kExitButton = 1, kSearchButton = 1013;
constexpr int kRadioKA10 = 1014, kRadioKB20 = 1015, kRadioKB40 = 1016;
constexpr int kStartBox = 1017, kEndBox = 1018, kResultBox = 1019, kSpaceSizeBox = 1020;

// System menu command of the About item (the system keeps the low four bits).
constexpr std::uint32_t kAboutCommand = 0x0010;

// Names the single-instance mutex and, as a window property, the main dialog.
constexpr std::u16string_view kSingleInstanceId = u"{2990110F-0660-4b54-8794-0725ADFB96D5}";

}  // namespace app
