#include "app/texts.h"

namespace app {

resources::Language uiLanguage(const os::Platform& facilities) {
  return resources::languageFor(facilities.system->userInterfaceLanguage());
}

std::u16string LoadText(const os::Platform& facilities, std::uint16_t id) {
  return resources::loadMessage(id, uiLanguage(facilities));
}

int LoadMessageChecked(ui::Application& app, std::uint16_t id, std::u16string& target) {
  std::u16string text = LoadText(app.facilities(), id);
  if (text.empty()) {
    app.messageBox(LoadText(app.facilities(), resources::msg::kUnexpected));
    return 0;
  }
  target = std::move(text);
  return 1;
}

}  // namespace app
