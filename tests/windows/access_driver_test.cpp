// Cfgprobe64.sys, the real access driver, started by Wine's service manager through
// the real Cfgprobe64.dll. Under Wine the ports trap, device memory cannot be mapped
// and the kernel cannot list its RAM (its MmGetPhysicalMemoryRanges is a stub that
// ends the driver's host), so no well-formed port or memory request is sent here:
// only the start and stop, the one handle, and the refusals of malformed requests.
// The request path itself runs on the model build (access_model_test.cpp).
#include <cstring>
#include <string>
#include <vector>

#include "cfgprobe/cfgprobe.h"
#include "tests/windows/access_driver_session.h"
#include "tests/windows/check.h"

namespace {

using wintest::DriverFolder;

constexpr DWORD kReadPort = 0x9C402410, kWritePort = 0x9C402414, kReadMemByte = 0x9C402418,
                kWriteMemByte = 0x9C40241C, kReadMemDword = 0x9C402428, kWriteMemDword = 0x9C40242C,
                kWriteBlock = 0x9C402430, kReadBlock = 0x9C402434;

struct Shape {
  DWORD code, input, output;
};
constexpr Shape kShapes[] = {{kReadPort, 2, 4},      {kWritePort, 76, 4},      {kReadMemByte, 4, 1},
                             {kWriteMemByte, 76, 4}, {kReadMemDword, 4, 4},    {kWriteMemDword, 76, 4},
                             {kWriteBlock, 76, 4},   {kReadBlock, 76, 76}};

struct Answer {
  bool done = false;
  DWORD error = 0, returned = 0;
  std::vector<std::uint8_t> output;
};

// One request on the device with the given input and an output buffer of
// outputSize bytes filled with 0xA5 beforehand.
Answer ask(HANDLE device, DWORD code, const std::vector<std::uint8_t>& input, DWORD outputSize) {
  Answer a;
  a.output.assign(outputSize, 0xA5);
  std::vector<std::uint8_t> in = input;
  ::SetLastError(0);
  a.done = ::DeviceIoControl(device, code, in.empty() ? nullptr : in.data(), static_cast<DWORD>(in.size()),
                             a.output.empty() ? nullptr : a.output.data(), outputSize, &a.returned, nullptr);
  a.error = a.done ? 0 : ::GetLastError();
  return a;
}

bool untouched(const Answer& a) {
  for (std::uint8_t b : a.output)
    if (b != 0xA5) return false;
  return true;
}

// A request record with the address at offset 0 and the value at offset 8; the
// port of a well-formed request would be 0x0080, which these requests never reach.
std::vector<std::uint8_t> record(DWORD size, std::uint32_t address, std::uint32_t value = 0) {
  std::vector<std::uint8_t> r(size, 0);
  if (size >= 4) std::memcpy(r.data(), &address, 4);
  if (size >= 12) std::memcpy(r.data() + 8, &value, 4);
  return r;
}

}  // namespace

WIN_TEST(AccessDriver, TheLibraryStartsItFromTheCurrentFolderAndItsExitRemovesIt) {
  DriverFolder folder(L"driver-lifecycle");
  REQUIRE(folder.ready());
  CHECK_EQ(folder.init(), 1);
  const wintest::ServiceState running = wintest::driverService();
  CHECK(running.exists);
  CHECK_EQ(running.state, DWORD{SERVICE_RUNNING});
  CHECK_EQ(running.binaryPath, folder.driverPath());
  // The library holds the one handle the device allows: a second is refused at the
  // open (Windows) or, where the open is not the driver's to refuse (Wine), every
  // request on it is, before the request is looked at.
  const HANDLE second = ::CreateFileA("\\\\.\\KxACS", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (second != INVALID_HANDLE_VALUE) {
    const Answer a = ask(second, 0x9C402400, record(76, 0x0080), 76);
    CHECK(!a.done);
    CHECK_EQ(a.error, DWORD{ERROR_ACCESS_DENIED});
    CHECK(untouched(a));
    ::CloseHandle(second);
  }

  CHECK_EQ(folder.exit(), 1);
  CHECK(!wintest::driverService().exists);
  CHECK(wintest::deviceGone(5000));
}

WIN_TEST(AccessDriver, RequestsOfAWrongSizeAreRefusedWithoutEffect) {
  DriverFolder folder(L"driver-sizes");
  REQUIRE(folder.ready());
  const HANDLE device = folder.openThroughLibrary();
  REQUIRE(device != nullptr);
  for (const Shape& shape : kShapes) {
    std::vector<std::pair<DWORD, DWORD>> wrong = {{shape.input + 1, shape.output}, {shape.input, shape.output + 1},
                                                  {0, shape.output}, {shape.input, 0}, {76, 76}};
    if (shape.input > 0) wrong.emplace_back(shape.input - 1, shape.output);
    if (shape.output > 0) wrong.emplace_back(shape.input, shape.output - 1);
    for (const auto& [input, output] : wrong) {
      if (input == shape.input && output == shape.output) continue;
      const Answer a = ask(device, shape.code, record(input, 0x0080, 0x12345678), output);
      const std::string what = "code " + std::to_string(shape.code) + " in " + std::to_string(input) + " out " +
                               std::to_string(output);
      if (a.done || a.error != ERROR_INVALID_PARAMETER || a.returned != 0 || !untouched(a))
        wintest::fail(__FILE__, __LINE__, what + ": done " + std::to_string(a.done) + " error " +
                                              std::to_string(a.error) + " returned " + std::to_string(a.returned));
    }
  }
  // Codes of the same device type that the driver does not have.
  for (const DWORD code : {0x9C402400u, 0x9C40240Cu, 0x9C402438u, 0x9C402411u, 0x9C406410u, 0x00222410u}) {
    const Answer a = ask(device, code, record(76, 0x0080), 76);
    CHECK(!a.done);
    CHECK_EQ(a.error, DWORD{ERROR_INVALID_FUNCTION});
    CHECK(untouched(a));
  }
  // Still serving: a malformed request made no difference to the driver.
  CHECK_EQ(ask(device, kReadPort, {}, 4).error, DWORD{ERROR_INVALID_PARAMETER});
  folder.closeThroughLibrary();
}
