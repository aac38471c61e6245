#include "app/texts.h"

namespace app {

resources::Language uiLanguage(const os::Platform& facilities) {
  return resources::languageFor(facilities.system->userInterfaceLanguage());
}

std::u16string LoadText(ui::Application& app, std::uint16_t id) {
  return app.windowSystem().loadString(id, resources::langIdOf(uiLanguage(app.facilities())));
}

int LoadMessageChecked(ui::Application& app, std::uint16_t id, std::u16string& target) {
  std::u16string text = LoadText(app, id);
  if (text.empty()) {
    app.messageBox(LoadText(app, resources::msg::kUnexpected));
    return 0;
  }
  target = std::move(text);
  return 1;
}

}  // namespace app
