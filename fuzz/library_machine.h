#pragma once
// The access library on a simulated machine, for the fuzz targets that call its
// exports: a machine of each input's own in the scratch folder, with the driver
// file in its current folder C:\Tools, installed as the process's platform, and the
// library's state as it is when the library has just been loaded. Also the faults
// that another program or the hardware brings between two calls, as the input
// picks them.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>

#include "sim/machine.h"

namespace fuzz {

class LibraryMachine {
 public:
  LibraryMachine();
  ~LibraryMachine();
  LibraryMachine(const LibraryMachine&) = delete;
  LibraryMachine& operator=(const LibraryMachine&) = delete;

  sim::Machine& machine() { return *machine_; }
  // Handles open to the access driver's device.
  int driverHandles() const;
  // The driver file goes, or comes back.
  void toggleDriverFile();

 private:
  std::unique_ptr<sim::Machine> machine_;
  std::filesystem::path driverFile_;
};

bool oneOf(int value, std::initializer_list<int> codes);

// A Windows error the input picks: one of those the library tells apart, or any.
std::uint32_t anyError(FuzzedDataProvider& input);

// What another program (or an administrator) does to the driver's service between
// two requests of the library: stops it, deletes it, or both.
void touchDriverService(sim::Machine& machine, FuzzedDataProvider& input);

}  // namespace fuzz
