#include "cli/console_host.h"

#include "resources/messages.h"

namespace cli {

void ConsoleHost::show(std::uint16_t id, bool dialog) {
  messages.push_back({id, resources::loadMessage(id, m_language), dialog});
}

}  // namespace cli
