#pragma once
// Message maps: a class's table from window message (or command id and
// notification) to the member that handles it. Entries are made with typed
// helpers, so a handler keeps its natural signature and the table does the
// unpacking of wParam and lParam that the message defines.
#include <cstdint>
#include <functional>
#include <vector>

#include "ui/win32_values.h"
#include "ui/window_system.h"

namespace ui {

class CommandTarget;

class MessageMap {
 public:
  using Handler = std::function<std::intptr_t(CommandTarget&, const Message&)>;

  // Any message, handled by a function that gets it whole.
  MessageMap& on(std::uint32_t message, Handler handler);
  // WM_COMMAND from control (or command) id with the given notification.
  MessageMap& onCommand(std::uint16_t id, std::uint16_t notification, Handler handler);

  // WM_SYSCOMMAND: handler(command id, lParam).
  template <class T>
  MessageMap& sysCommand(void (T::*handler)(std::uint32_t, std::intptr_t)) {
    return on(kWmSysCommand, [handler](CommandTarget& t, const Message& m) -> std::intptr_t {
      (static_cast<T&>(t).*handler)(static_cast<std::uint32_t>(m.wParam), m.lParam);
      return 0;
    });
  }
  // WM_PAINT and WM_DESTROY: handler().
  template <class T>
  MessageMap& paint(void (T::*handler)()) {
    return on(kWmPaint, plain(handler));
  }
  template <class T>
  MessageMap& destroy(void (T::*handler)()) {
    return on(kWmDestroy, plain(handler));
  }
  // WM_QUERYDRAGICON: handler() returns the icon to drag.
  template <class T>
  MessageMap& queryDragIcon(IconHandle (T::*handler)()) {
    return on(kWmQueryDragIcon, [handler](CommandTarget& t, const Message&) -> std::intptr_t {
      return reinterpret_cast<std::intptr_t>((static_cast<T&>(t).*handler)());
    });
  }
  // WM_COMMAND from control id with notification (a button's click by default);
  // the handler's own result, if any, is not used.
  template <class T, class R>
  MessageMap& command(std::uint16_t id, R (T::*handler)(), std::uint16_t notification = kBnClicked) {
    return onCommand(id, notification, [handler](CommandTarget& t, const Message&) -> std::intptr_t {
      (static_cast<T&>(t).*handler)();
      return 0;
    });
  }

  // The entry for a message, first match in table order; nullptr when none.
  const Handler* find(const Message& message) const;

 private:
  template <class T>
  static Handler plain(void (T::*handler)()) {
    return [handler](CommandTarget& t, const Message&) -> std::intptr_t {
      (static_cast<T&>(t).*handler)();
      return 0;
    };
  }

  struct Entry {
    std::uint32_t message;
    bool isCommand;
    std::uint16_t id, notification;
    Handler handler;
  };
  std::vector<Entry> entries_;
};

// Something that has a message map: a window, or the application (which gets the
// commands no window handled).
class CommandTarget {
 public:
  virtual ~CommandTarget() = default;
  virtual const MessageMap& messageMap() const;
};

}  // namespace ui
