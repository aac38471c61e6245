#pragma once
// The machine of the controller target: SiI3132 controllers on the PCI bus with
// their flash chips (the first one's image from the input), the link-speed
// filter's driver file, BIOS image files of any content, and the faults the input
// brings between two calls of the library.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cfgprobe/cfgprobe.h"
#include "sim/machine.h"

namespace fuzz {

constexpr sim::PciLocation kFirstController{2, 0, 0};
// Where another controller may be added: before the first, after it, and at a bus
// number whose text holds the first one's.
constexpr sim::PciLocation kOtherPlaces[] = {{1, 0, 0}, {3, 0, 0}, {12, 0, 0}};

bool sameLocation(sim::PciLocation a, const DEVICEENTRY& entry);

class ControllerMachine {
 public:
  // The first controller, perhaps a second one, perhaps the filter's driver file.
  ControllerMachine(sim::Machine& machine, FuzzedDataProvider& input);

  // Controllers come and go, chips erase slowly or answer other codes, the device
  // registry fails. Only while no worker runs: a worker uses the chip's registers
  // without the bus's knowledge.
  void changeHardware();
  // All driver requests, or those of one kind after some are served, fail.
  void failRequests();
  void clearRequestFaults();
  // An image file cannot be opened, or written.
  void fileFault();
  // One of the image files the exports are given gets new content: nothing, a few
  // bytes, erased pointers, a whole image with any text, the first chip's image.
  void writeImageFile();

  // What a controller's block reads return: its chip's contents in read mode, all
  // ones where no controller answers; unknown for a chip in another mode.
  std::optional<std::vector<std::uint8_t>> chipAt(const DEVICEENTRY& entry);
  // Whether a controller is at the entry's location now (not pulled out).
  bool present(const DEVICEENTRY& entry) const;
  int chipErases();
  int controllersPresent() const;
  // No request fault about, the library's device open and every chip in read mode:
  // a search finds exactly the controllers present, a chip reads as it holds.
  bool behaves();

  bool requestFaults() const { return requestFaults_; }
  bool everyRequestFails() const { return everyRequestFails_; }
  bool fileFaults() const { return fileFaults_; }

 private:
  std::vector<std::uint8_t> firstImage();
  std::vector<std::uint8_t> versionedImage(const std::string& version, const std::string& date, std::uint8_t v,
                                           std::uint8_t d);
  void addController(sim::PciLocation at, std::vector<std::uint8_t> image);
  void putFilterDriverFile();

  sim::Machine& machine_;
  FuzzedDataProvider& input_;
  bool requestFaults_ = false;
  bool everyRequestFails_ = false;
  bool fileFaults_ = false;
  std::vector<std::uint32_t> failingCodes_;
};

}  // namespace fuzz
