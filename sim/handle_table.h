#pragma once
// The handles the simulated Windows facilities hand out. Every facility keeps the
// objects behind its handles in a HandleTable, so that one rule holds for all of
// them: a handle is the table's kind in bits 31-24 and its slot plus one below,
// never null, far from the addresses the other tables hand out; a closed handle,
// one of another kind, or one never handed out finds nothing. The lowest free slot
// is taken first, so a handle value comes back after its close, as on Windows.
//
// A table does no locking: the facility holding it does.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "os/types.h"

namespace sim {

// Which table a handle comes from: one kind per table on the machine.
enum class HandleKind : std::uint8_t {
  RegistryKey = 0x0A,    // DeviceSetup: a device's hardware or driver key
  DeviceInfoSet = 0x0B,  // DeviceSetup
  Service = 0x0C,        // ServiceManager: the manager and its services
  Device = 0x0D,         // DeviceIo: a "\\.\Name" device
  Event = 0x0E,          // DeviceIo
};

template <typename T>
class HandleTable {
 public:
  explicit HandleTable(HandleKind kind) : tag_(std::uintptr_t{static_cast<std::uint8_t>(kind)} << 24) {}

  os::Handle open(T object) {
    std::size_t slot = 0;
    while (slot < slots_.size() && slots_[slot]) ++slot;
    if (slot == slots_.size()) slots_.emplace_back();
    slots_[slot].emplace(std::move(object));
    ++open_;
    return reinterpret_cast<os::Handle>(tag_ | (slot + 1));
  }

  // The object behind an open handle of this table, or null.
  T* find(os::Handle handle) {
    const std::size_t slot = slotOf(handle);
    return slot < slots_.size() && slots_[slot] ? &*slots_[slot] : nullptr;
  }
  const T* find(os::Handle handle) const { return const_cast<HandleTable*>(this)->find(handle); }

  // Closes an open handle and gives back its object; nothing where find finds nothing.
  std::optional<T> close(os::Handle handle) {
    T* object = find(handle);
    if (!object) return std::nullopt;
    std::optional<T> closed(std::move(*object));
    slots_[slotOf(handle)].reset();
    --open_;
    return closed;
  }

  int openCount() const { return open_; }

  // Calls f(object) for every open handle's object, in slot order.
  template <typename F>
  void forEach(F&& f) const {
    for (const std::optional<T>& slot : slots_)
      if (slot) f(*slot);
  }

 private:
  static constexpr std::uintptr_t kSlotMask = 0x00FFFFFF;

  // The slot a handle of this table names, or a slot past every table for any other.
  std::size_t slotOf(os::Handle handle) const {
    const auto raw = reinterpret_cast<std::uintptr_t>(handle);
    if ((raw & ~kSlotMask) != tag_ || (raw & kSlotMask) == 0) return SIZE_MAX;
    return (raw & kSlotMask) - 1;
  }

  std::uintptr_t tag_;
  std::vector<std::optional<T>> slots_;
  int open_ = 0;
};

}  // namespace sim
