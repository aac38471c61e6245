// Which of the two tables a user-interface language reads, apart from the table
// itself: the Windows program loads its texts from its string resources.
#include "os/system.h"
#include "resources/messages.h"

namespace resources {

Language languageFor(std::uint16_t langId) {
  return (langId & 0x3FF) == (os::kLangJapanese & 0x3FF) ? Language::Japanese : Language::English;
}

std::uint16_t langIdOf(Language language) { return language == Language::Japanese ? 0x0411 : 0x0409; }

}  // namespace resources
