#include "sim/modules.h"

namespace sim {

std::u16string Modules::key(std::u16string_view name) {
  std::u16string k(name);
  for (auto& c : k)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  return k;
}

void Modules::add(std::u16string_view name, Entries entries) { libraries_[key(name)].entries = std::move(entries); }

void Modules::remove(std::u16string_view name) { libraries_.erase(key(name)); }

void Modules::failLoads(std::u16string_view name, int count, std::uint32_t error) {
  Library& lib = libraries_[key(name)];
  lib.failuresLeft = count;
  lib.failure = error;
}

int Modules::loadCount(std::u16string_view name) const {
  const auto it = libraries_.find(key(name));
  return it == libraries_.end() ? 0 : it->second.loads;
}

int Modules::loadedNow(std::u16string_view name) const {
  const auto it = libraries_.find(key(name));
  return it == libraries_.end() ? 0 : it->second.references;
}

os::Handle Modules::loadLibrary(std::u16string_view name) {
  const auto it = libraries_.find(key(name));
  if (it == libraries_.end() || it->second.entries.empty()) {
    if (fallback_ && (it == libraries_.end() || it->second.failuresLeft == 0)) {
      const os::Handle module = fallback_->loadLibrary(name);
      if (module) ++fallbackLoads_[module];
      return module;
    }
    if (it != libraries_.end() && it->second.failuresLeft > 0) {
      --it->second.failuresLeft;
      os::setLastError(it->second.failure);
      return nullptr;
    }
    os::setLastError(os::kErrorModNotFound);
    return nullptr;
  }
  Library& lib = it->second;
  if (lib.failuresLeft > 0) {
    --lib.failuresLeft;
    os::setLastError(lib.failure);
    return nullptr;
  }
  ++lib.loads;
  ++lib.references;
  return &lib;
}

Modules::Library* Modules::find(os::Handle module) {
  for (auto& [name, lib] : libraries_)
    if (&lib == module && lib.references > 0) return &lib;
  return nullptr;
}

os::ProcAddress Modules::getProcAddress(os::Handle module, const char* name) {
  if (fallbackLoads_.count(module)) return fallback_->getProcAddress(module, name);
  Library* lib = find(module);
  const auto entry = lib && name ? lib->entries.find(name) : Entries::iterator{};
  if (!lib || !name || entry == lib->entries.end()) {
    os::setLastError(lib ? os::kErrorProcNotFound : os::kErrorInvalidHandle);
    return nullptr;
  }
  return entry->second;
}

bool Modules::freeLibrary(os::Handle module) {
  if (const auto loaded = fallbackLoads_.find(module); loaded != fallbackLoads_.end()) {
    if (--loaded->second == 0) fallbackLoads_.erase(loaded);
    return fallback_->freeLibrary(module);
  }
  Library* lib = find(module);
  if (!lib) {
    os::setLastError(os::kErrorInvalidHandle);
    return false;
  }
  --lib->references;
  return true;
}

}  // namespace sim
