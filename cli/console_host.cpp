#include "cli/console_host.h"

#include "resources/messages.h"

namespace cli {
namespace {

// The messages the engine shows by itself; the host learns their numbers back
// from their texts.
constexpr std::uint16_t kEngineMessages[] = {700, 701, 702, 703, 704, 705, 706, 9999};

}  // namespace

void ConsoleHost::show(std::uint16_t id, bool dialog) {
  messages.push_back({id, resources::loadMessage(id, m_language), dialog});
}

void ConsoleHost::record(std::u16string_view text, bool dialog) {
  ShownMessage shown{0, std::u16string(text), dialog};
  for (std::uint16_t id : kEngineMessages)
    if (resources::loadMessage(id, m_language) == text) shown.id = id;
  messages.push_back(std::move(shown));
}

}  // namespace cli
