// A controller's description, as Windows lists its device.
#include "cfgprobe/controller_devices.h"
#include "cfgprobe/library_state.h"
#include "os/platform.h"

namespace {

// Reads the description of every matching device into the caller's buffer, so
// that with several matches the last one remains.
class DescriptionReader final : public cfgprobe::ControllerDeviceVisitor {
 public:
  explicit DescriptionReader(char* description) : description_(description) {}
  bool visit(os::Handle set, os::DevInfoData& device) override {
    return os::platform().setup->getDeviceRegistryPropertyA(set, &device, os::kSpdrpDeviceDesc, nullptr,
                                                            reinterpret_cast<std::uint8_t*>(description_),
                                                            kDescriptionSize, nullptr);
  }

 private:
  char* description_;
};

}  // namespace

int CKXACS::GetDeviceDescription(std::uint8_t bus, std::uint8_t dev, std::uint8_t function, char* description) {
  if (!description) return 0;
  DescriptionReader reader(description);
  return cfgprobe::forEachControllerDevice(bus, dev, function, reader) == cfgprobe::DeviceScan::Done ? 1 : 0;
}
