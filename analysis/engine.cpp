#include "analysis/engine.h"

#include "resources/messages.h"

namespace analysis {

Engine::Engine(EngineHost& host, os::Files& files) : m_host(host), m_files(files) {}

void Engine::ShowResultError(int code) {
  const bool known = code >= kResultNoWindowsDirectory && code <= kResultNoIoSpace;
  const auto id = known ? static_cast<std::uint16_t>(resources::msg::kResultMessageBase + (code - 100))
                        : resources::msg::kUnexpected;
  showMessage(id);
}

void Engine::showMessage(std::uint16_t id) { m_host.showAppMessage(id, m_host.messageText(id, m_host.language())); }

}  // namespace analysis
