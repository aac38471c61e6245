#pragma once
// The simulated machine's loadable libraries: each is a name and a table of
// entries (plain functions with the entry's real signature). A library can be
// made to fail its next N loads with a given error, as a library whose
// initialisation fails does. Names the machine does not hold can be handed to a
// real loader (the host's dlopen), so that a real shared library runs on the
// simulated machine.
#include <map>
#include <string>

#include "os/modules.h"

namespace sim {

class Modules final : public os::Modules {
 public:
  using Entries = std::map<std::string, os::ProcAddress>;

  // Makes a library loadable under name (compared without regard to case).
  void add(std::u16string_view name, Entries entries);
  void remove(std::u16string_view name);
  // The next count loads of name fail with error (then loads succeed again).
  void failLoads(std::u16string_view name, int count, std::uint32_t error);

  // Loads of names this machine does not hold go to loader (nullptr: they fail).
  void fallBackTo(os::Modules* loader) { fallback_ = loader; }

  int loadCount(std::u16string_view name) const;    // successful loads so far
  int loadedNow(std::u16string_view name) const;    // loads not yet freed

  os::Handle loadLibrary(std::u16string_view name) override;
  os::ProcAddress getProcAddress(os::Handle module, const char* name) override;
  bool freeLibrary(os::Handle module) override;

 private:
  struct Library {
    Entries entries;
    int loads = 0;
    int references = 0;
    int failuresLeft = 0;
    std::uint32_t failure = 0;
  };
  static std::u16string key(std::u16string_view name);
  Library* find(os::Handle module);

  std::map<std::u16string, Library> libraries_;
  os::Modules* fallback_ = nullptr;
  std::map<os::Handle, int> fallbackLoads_;  // modules the fallback loaded, by reference count
};

}  // namespace sim
