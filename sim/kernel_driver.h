#pragma once
// A kernel driver as the simulated service manager loads it from its image file.
#include <cstdint>
#include <functional>

namespace sim {

class KernelDriver {
 public:
  virtual ~KernelDriver() = default;
  // The driver's entry: 0 once it runs, or the Windows error its start fails with.
  virtual std::uint32_t load() = 0;
  // Stops the driver. stopped runs once it has gone, which waits for the last
  // open handle to its device.
  virtual void unload(std::function<void()> stopped) = 0;
};

}  // namespace sim
