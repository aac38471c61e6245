#include "ui/message_map.h"

namespace ui {

MessageMap& MessageMap::on(std::uint32_t message, Handler handler) {
  entries_.push_back(Entry{message, false, 0, 0, std::move(handler)});
  return *this;
}

MessageMap& MessageMap::onCommand(std::uint16_t id, std::uint16_t notification, Handler handler) {
  entries_.push_back(Entry{kWmCommand, true, id, notification, std::move(handler)});
  return *this;
}

const MessageMap::Handler* MessageMap::find(const Message& message) const {
  for (const Entry& e : entries_) {
    if (e.message != message.id) continue;
    if (e.isCommand &&
        (lowWord(message.wParam) != e.id || highWord(message.wParam) != e.notification))
      continue;
    return &e.handler;
  }
  return nullptr;
}

const MessageMap& CommandTarget::messageMap() const {
  static const MessageMap empty;
  return empty;
}

}  // namespace ui
