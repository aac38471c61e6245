#pragma once
// The program's numbered texts, loaded afresh at each use from the program's string
// resources, in the table of the user-interface language.
#include <cstdint>
#include <string>

#include "os/platform.h"
#include "resources/messages.h"
#include "ui/application.h"

namespace app {

resources::Language uiLanguage(const os::Platform& facilities);
std::u16string LoadText(ui::Application& app, std::uint16_t id);

// Loads text id into target and returns 1; when the text is empty (missing or
// empty entry) shows message 9999 in an application message box, leaves target
// unchanged and returns 0.
int LoadMessageChecked(ui::Application& app, std::uint16_t id, std::u16string& target);

}  // namespace app
