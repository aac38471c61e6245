#pragma once
// The kernel access driver: loaded by the service manager from Cfgprobe64.sys, it
// creates the device "\\.\KxACS" and serves the eight control codes through the
// driver's own request code (driver/access_requests.c), compiled for this machine
// and run on a hardware table backed by the machine's I/O ports and physical
// memory. So the simulated driver and the real one share one reach: port reads,
// port writes of the configuration address only, memory only inside a SiI3132's
// register windows, never RAM (this machine has none the bus could reach).
//
// A request comes as Windows hands it to a driver: in one system buffer as large
// as the larger of its input and output, the completion status turned into the
// Windows error the caller sees. Requests are served one at a time.
//
// Every request is counted per code, the last one is kept for inspection, and
// requests can be made to fail.
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "driver/access_hardware.h"
#include "driver/access_requests.h"
#include "sim/clock.h"
#include "sim/device_io.h"
#include "sim/kernel_driver.h"

namespace sim {

class IoPorts;
class PhysicalMemory;

namespace access {
constexpr std::uint32_t kReadPort = 0x9C402410;
constexpr std::uint32_t kWritePort = 0x9C402414;
constexpr std::uint32_t kReadMemByte = 0x9C402418;
constexpr std::uint32_t kWriteMemByte = 0x9C40241C;
constexpr std::uint32_t kReadMemDword = 0x9C402428;
constexpr std::uint32_t kWriteMemDword = 0x9C40242C;
constexpr std::uint32_t kWriteBlock = 0x9C402430;
constexpr std::uint32_t kReadBlock = 0x9C402434;
constexpr std::uint32_t kRecordSize = 76;
constexpr std::uint32_t kBlockSize = 64;
}  // namespace access

struct AccessDriverParts;

class AccessDriver final : public KernelDriver, public DeviceHandler {
 public:
  static constexpr char kDeviceName[] = "KxACS";

  AccessDriver(DeviceIo& devices, IoPorts& ports, PhysicalMemory& memory, Clock& clock);

  // Fault: the next count requests (count < 0: all, 0: none) fail with error
  // (ERROR_GEN_FAILURE by default), leaving their output untouched.
  void failRequests(int count, std::uint32_t error = os::kErrorGenFailure);
  // Fault: after the next `after` requests of one code are served, count of them
  // (count < 0: all that follow, 0: none) fail with error.
  void failRequestsOf(std::uint32_t code, std::uint64_t after, int count = -1,
                      std::uint32_t error = os::kErrorGenFailure);

  // Called with the code and the number of earlier requests of that code (counted
  // from the last resetCounts) before each request is served, on the requesting
  // thread and outside the driver's lock, so that a test can hold a thread at a
  // chosen request while it looks at what that thread has done so far.
  using RequestHook = std::function<void(std::uint32_t code, std::uint64_t earlier)>;
  void onRequest(RequestHook hook);

  // Called whenever the driver stalls the processor (its waits for a flash cycle),
  // inside the request and under the driver's lock, as other processors run on
  // meanwhile: a test can let other threads go there.
  void onStall(std::function<void()> hook);

  bool running() const;
  std::uint64_t requests() const;                      // all requests received
  std::uint64_t requests(std::uint32_t code) const;    // requests of one code
  void resetCounts();
  std::uint32_t lastCode() const;
  // The last request's input bytes (up to the record's 76), and the sizes of its
  // input and output buffers as the caller passed them.
  std::array<std::uint8_t, access::kRecordSize> lastInput() const;
  std::uint32_t lastInputSize() const;
  std::uint32_t lastOutputSize() const;
  // Microseconds the driver has stalled the processor (its waits for the flash);
  // the machine's clock moves on by every whole millisecond of them.
  std::uint64_t stalledMicroseconds() const;

  std::uint32_t load() override;
  void unload(std::function<void()> stopped) override;
  std::uint32_t control(std::uint32_t code, const std::uint8_t* input, std::uint32_t inputSize,
                        std::uint8_t* output, std::uint32_t outputSize, std::uint32_t* returned) override;

 private:
  friend struct AccessDriverParts;
  std::uint32_t serve(std::uint32_t code, const std::uint8_t* input, std::uint32_t inputSize, std::uint8_t* output,
                      std::uint32_t outputSize, std::uint32_t* returned);
  std::uint64_t& countOf(std::uint32_t code);
  static const AccessHardware kHardwareTable;

  DeviceIo& devices_;
  IoPorts& ports_;
  PhysicalMemory& memory_;
  Clock& clock_;
  AccessHardware hardware_;
  AccessReach reach_{};  // what the driver found, kept from load to unload
  mutable std::mutex mutex_;
  bool running_ = false;
  int failuresLeft_ = 0;
  std::uint32_t failure_ = os::kErrorGenFailure;
  struct CodeFault {
    std::uint64_t skip = 0;  // requests of the code still served before the first failure
    int count = 0;
    std::uint32_t error = 0;
  };
  std::map<std::uint32_t, CodeFault> codeFaults_;
  std::shared_ptr<const RequestHook> hook_;  // shared, so that a request takes it without a copy
  std::function<void()> stallHook_;
  std::uint64_t total_ = 0;
  std::array<std::uint64_t, 16> perFunction_{};      // the driver's codes, by function number
  std::map<std::uint32_t, std::uint64_t> perOther_;  // any other code
  std::uint32_t lastCode_ = 0;
  std::array<std::uint8_t, access::kRecordSize> lastInput_{};  // valid for its first lastInputKept_ bytes
  std::uint32_t lastInputKept_ = 0;
  std::uint32_t lastInputSize_ = 0;
  std::uint32_t lastOutputSize_ = 0;
  std::uint64_t stalled_ = 0;
};

}  // namespace sim
