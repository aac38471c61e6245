#include "app/dialog_templates.h"

#include <array>

#include "app/resource_ids.h"
#include "resources/messages.h"
#include "ui/win32_values.h"

namespace app {
namespace {

using ui::ControlClass;
using ui::ControlTemplate;
using namespace ui;  // style constants

constexpr std::uint32_t kTemplateFontSize = 9;
constexpr std::u16string_view kTemplateFont = u"MS UI Gothic";
constexpr std::uint16_t kStatic = kNoControlId;
constexpr std::uint32_t kReadOnlyBox = kEsReadOnly | kEsCenter | kWsBorder | kEsAutoHScroll | kWsTabStop;

// Template order is tab order.
constexpr std::array kMainControls = {
    ControlTemplate{kExitButton, ControlClass::Button, u"Exit", 0, 114, 301, 50, 16, kBsDefPushButton | kWsTabStop},
    ControlTemplate{kSearchButton, ControlClass::Button, u"Search", 0, 41, 301, 50, 16, kBsPushButton | kWsTabStop},
    ControlTemplate{kStatic, ControlClass::Button, u"Target Device", 0, 7, 7, 193, 40, kBsGroupBox},
    ControlTemplate{kRadioKA10, ControlClass::Button, u"KA10", 0, 30, 27, 31, 10, kBsAutoRadioButton | kWsGroup},
    ControlTemplate{kRadioKB20, ControlClass::Button, u"KB20", 0, 79, 27, 33, 10, kBsAutoRadioButton},
    ControlTemplate{kRadioKB40, ControlClass::Button, u"KB40", 0, 134, 27, 33, 10, kBsAutoRadioButton},
    ControlTemplate{kStatic, ControlClass::Button, u"Search Address", 0, 7, 51, 193, 40, kBsGroupBox},
    ControlTemplate{kStartBox, ControlClass::Edit, u"", 0, 48, 67, 40, 14, kReadOnlyBox},
    ControlTemplate{kEndBox, ControlClass::Edit, u"", 0, 126, 67, 40, 14, kReadOnlyBox},
    ControlTemplate{kStatic, ControlClass::Static, u"Start", 0, 30, 71, 15, 8, kSsLeft | kWsGroup},
    ControlTemplate{kStatic, ControlClass::Static, u"End", 0, 110, 71, 12, 8, kSsLeft | kWsGroup},
    ControlTemplate{kStatic, ControlClass::Static, u"H", 0, 91, 71, 8, 8, kSsLeft | kWsGroup},
    ControlTemplate{kStatic, ControlClass::Static, u"H", 0, 169, 71, 8, 8, kSsLeft | kWsGroup},
    ControlTemplate{kResultBox, ControlClass::Edit, u"", 0, 14, 155, 178, 128,
                    kEsMultiLine | kEsReadOnly | kWsVScroll | kEsAutoVScroll | kEsAutoHScroll | kWsBorder | kWsTabStop},
    ControlTemplate{kStatic, ControlClass::Button, u"Search Free Space", 0, 7, 139, 193, 154, kBsGroupBox},
    ControlTemplate{kStatic, ControlClass::Button, u"Space Size", 0, 7, 95, 193, 40, kBsGroupBox},
    ControlTemplate{kSpaceSizeBox, ControlClass::Edit, u"", 0, 48, 111, 40, 14,
                    kEsCenter | kWsBorder | kEsAutoHScroll | kWsTabStop},
    ControlTemplate{kStatic, ControlClass::Static, u"H", 0, 91, 115, 8, 8, kSsLeft | kWsGroup},
};

constexpr std::array kAboutControls = {
    ControlTemplate{kStatic, ControlClass::Static, u"", kProgramIcon, 11, 17, 20, 20, kSsIcon},
    ControlTemplate{kVersionStatic, ControlClass::Static, u"Spanfinder Tool Version 2.00", 0, 40, 17, 188, 8,
                    kSsLeft | kSsNoPrefix},
    ControlTemplate{kNoticeStatic, ControlClass::Static, u"", 0, 40, 30, 119, 8, kSsLeft},
    ControlTemplate{kIdOk, ControlClass::Button, u"OK", 0, 178, 55, 50, 16, kBsDefPushButton | kWsGroup | kWsTabStop},
};

constexpr std::array kDialogs = {
    ui::DialogTemplate{kAboutTemplate, u"About", 235, 78, kTemplateFont, kTemplateFontSize,
                       kWsPopup | kWsCaption | kWsSysMenu | kDsModalFrame | kDsSetFont, 0, kAboutControls},
    ui::DialogTemplate{kMainTemplate, u"resource range automatic search tool", 207, 324, kTemplateFont,
                       kTemplateFontSize,
                       kWsPopup | kWsVisible | kWsCaption | kWsSysMenu | kDsModalFrame | kDsSetFont,
                       kWsExAppWindow, kMainControls},
};

constexpr std::array<std::uint16_t, 1> kIcons = {kProgramIcon};

// The STRINGTABLEs made from the message table: English (0x0409) for every
// language but Japanese (0x0411).
std::u16string programString(std::uint16_t id, std::uint16_t langId) {
  return resources::loadMessage(id, resources::languageFor(langId));
}

}  // namespace

const ui::ResourceSet& programResources() {
  static const ui::ResourceSet resources{kDialogs, kIcons, &programString};
  return resources;
}

}  // namespace app
