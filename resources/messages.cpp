#include "resources/messages.h"


namespace resources {
namespace {

struct Entry {
  std::uint16_t id;
  const char16_t* english;
  const char16_t* japanese;
};

#define NONE nullptr
#define SPANFINDER_MESSAGE(id, en, ja) {id, en, ja},
constexpr Entry kTable[] = {
#include "resources/messages.def"
};
#undef SPANFINDER_MESSAGE
#undef NONE

}  // namespace

std::u16string loadMessage(std::uint16_t id, Language language) {
  for (const Entry& e : kTable) {
    if (e.id != id) continue;
    const char16_t* text = language == Language::Japanese ? e.japanese : e.english;
    return text ? std::u16string(text) : std::u16string();
  }
  return {};
}

}  // namespace resources
