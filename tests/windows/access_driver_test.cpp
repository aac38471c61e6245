// Cfgprobe64.sys, the real access driver, started by Wine's service manager through
// the real Cfgprobe64.dll. Under Wine the ports trap, device memory cannot be mapped
// and the kernel cannot list its RAM (its MmGetPhysicalMemoryRanges is a stub that
// ends the driver's host), so no port read or memory request is sent here: only
// the start and stop, the one handle, the refusals of malformed requests, and of
// port writes the driver must never carry out.
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

std::uint32_t resultOf(const Answer& a) {
  std::uint32_t word = 0;
  if (a.done && a.output.size() >= 4) std::memcpy(&word, a.output.data(), 4);
  return word;
}

std::uint32_t readPort(HANDLE device, std::uint16_t port) {
  return resultOf(ask(device, kReadPort, {static_cast<std::uint8_t>(port), static_cast<std::uint8_t>(port >> 8)}, 4));
}

void writePort(HANDLE device, std::uint16_t port, std::uint32_t value) {
  ask(device, kWritePort, record(76, port, value), 4);
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

// Port writes other than the configuration address's never reach a port: under
// Wine a port instruction would trap and end the driver's host, so a driver that
// refuses them with result 0 and answers afterwards did not execute one.
WIN_TEST(AccessDriver, StrayPortWritesAreRefusedBeforeAnyPortIsTouched) {
  DriverFolder folder(L"driver-stray-ports");
  REQUIRE(folder.ready());
  const HANDLE device = folder.openThroughLibrary();
  REQUIRE(device != nullptr);
  for (const std::uint32_t port : {0xCFCu, 0xCF9u, 0x64u, 0x80u, 0x10CF8u}) {
    const Answer a = ask(device, kWritePort, record(76, port, 0x06), 4);
    CHECK(a.done);
    CHECK_EQ(a.returned, DWORD{4});
    CHECK(a.output == std::vector<std::uint8_t>(4, 0));
  }
  CHECK_EQ(ask(device, kReadPort, {}, 4).error, DWORD{ERROR_INVALID_PARAMETER});  // still answering
  folder.closeThroughLibrary();
}

// The model build (bin/model/Cfgprobe64.sys): the same driver on a small simulated
// PC, started the same way. Here well-formed requests go all the way: through the
// library's members, Wine's device manager and the driver's request path to the
// model's ports, registers and flash chip.
WIN_TEST(AccessModel, PortsAndRegistersAnswerWellFormedRequests) {
  DriverFolder folder(L"model-registers", L"model\\Cfgprobe64.sys");
  REQUIRE(folder.ready());
  const HANDLE device = folder.openThroughLibrary();
  REQUIRE(device != nullptr);
  // The KB20 on bus 1 and the controller on bus 2; nothing at bus 0, device 0.
  CHECK_EQ(resultOf(ask(device, kWritePort, record(76, 0xCF8, 0x80010000), 4)), 1u);
  CHECK_EQ(readPort(device, 0xCFC), 0x01021195u);
  writePort(device, 0xCF8, 0x80010094);
  CHECK_EQ(readPort(device, 0xCFC), 0x01021195u);
  writePort(device, 0xCF8, 0x80000000);
  CHECK_EQ(readPort(device, 0xCFC), 0xFFFFFFFFu);
  KxULong base = 0;
  CHECK_EQ(folder.library().GetPCIConfig(0x01021195, 0x01021195, 0x10, &base), 1);
  CHECK_EQ(base, KxULong{0xF2000000});
  // The controller's global registers: a dword written and read back, a byte too.
  CHECK_EQ(resultOf(ask(device, kWriteMemDword, record(76, 0xF3000010, 0xCAFEF00D), 4)), 1u);
  CHECK_EQ(resultOf(ask(device, kReadMemDword, record(4, 0xF3000010), 4)), 0xCAFEF00Du);
  CHECK_EQ(resultOf(ask(device, kWriteMemByte, record(76, 0xF3000013, 0x5A), 4)), 1u);
  const Answer byte = ask(device, kReadMemByte, record(4, 0xF3000013), 1);
  CHECK(byte.done);
  CHECK_EQ(byte.returned, DWORD{1});
  CHECK_EQ(int{byte.output[0]}, 0x5A);
}

// Memory outside the controller's two windows (0xF3000000 + 0x80, 0xF3010000 +
// 0x8000) is refused, the KB20's window included, while configuration reads and the
// controller's flash registers are served: the chip identifies itself through them.
WIN_TEST(AccessModel, MemoryOutsideTheControllersWindowsIsRefused) {
  DriverFolder folder(L"model-reach", L"model\\Cfgprobe64.sys");
  REQUIRE(folder.ready());
  const HANDLE device = folder.openThroughLibrary();
  REQUIRE(device != nullptr);
  for (const std::uint32_t address : {0xF2000000u, 0xF3000080u, 0xF300007Eu, 0xF3018000u, 0xF4000000u}) {
    const Answer read = ask(device, kReadMemDword, record(4, address), 4);
    CHECK(!read.done);
    CHECK_EQ(read.error, DWORD{ERROR_ACCESS_DENIED});
    CHECK(untouched(read));
    CHECK_EQ(resultOf(ask(device, kWriteMemDword, record(76, address, 1), 4)), 0u);
  }
  CHECK_EQ(resultOf(ask(device, kWritePort, record(76, 0xCFC, 0xF4000000), 4)), 0u);
  writePort(device, 0xCF8, 0x80020000);
  CHECK_EQ(readPort(device, 0xCFC), 0x31321095u);
  // The chip's identification through single register writes and reads, each
  // command's cycle awaited by the driver before the data register is read.
  const auto flashWrite = [&](std::uint32_t address, std::uint32_t value) {
    CHECK_EQ(resultOf(ask(device, kWriteMemByte, record(76, 0xF3000074, value), 4)), 1u);
    CHECK_EQ(resultOf(ask(device, kWriteMemDword, record(76, 0xF3000070, 0x02000000 | address), 4)), 1u);
  };
  const auto flashRead = [&](std::uint32_t address) {
    CHECK_EQ(resultOf(ask(device, kWriteMemDword, record(76, 0xF3000070, 0x03000000 | address), 4)), 1u);
    return int{ask(device, kReadMemByte, record(4, 0xF3000074), 1).output[0]};
  };
  flashWrite(0x5555, 0xAA), flashWrite(0x2AAA, 0x55), flashWrite(0x5555, 0x90);
  CHECK_EQ(flashRead(0), 0xBF);
  CHECK_EQ(flashRead(1), 0xB5);
  flashWrite(0, 0xF0);
}

// The model's RAM is its first 2 GiB: no request maps it, whatever the code.
WIN_TEST(AccessModel, MemoryRequestsForRamAreRefused) {
  DriverFolder folder(L"model-ram", L"model\\Cfgprobe64.sys");
  REQUIRE(folder.ready());
  const HANDLE device = folder.openThroughLibrary();
  REQUIRE(device != nullptr);
  for (const std::uint32_t address : {0x00000000u, 0x00100000u, 0x7FFFFFFCu}) {
    for (const auto& [code, size] : {std::pair{kReadMemByte, DWORD{1}}, std::pair{kReadMemDword, DWORD{4}}}) {
      const Answer read = ask(device, code, record(4, address), size);
      CHECK(!read.done);
      CHECK_EQ(read.error, DWORD{ERROR_ACCESS_DENIED});
      CHECK(untouched(read));
    }
    CHECK_EQ(ask(device, kReadBlock, record(76, address, 0), 76).error, DWORD{ERROR_ACCESS_DENIED});
    for (const DWORD code : {kWriteMemByte, kWriteMemDword, kWriteBlock}) {
      const Answer write = ask(device, code, record(76, address, 0xAA), 4);
      CHECK(write.done);
      CHECK_EQ(write.returned, DWORD{4});
      CHECK(write.output == std::vector<std::uint8_t>(4, 0));  // result 0: refused
    }
  }
}

// Block requests on the controller's flash command register (0xF3000070): an erased
// block takes 64 programmed bytes and reads them back; programming can only clear
// bits, so a byte that needs one set again never reads back and fails the block.
WIN_TEST(AccessModel, FlashBlocksAreProgrammedAndReadThroughTheCommandRegister) {
  DriverFolder folder(L"model-blocks", L"model\\Cfgprobe64.sys");
  REQUIRE(folder.ready());
  const HANDLE device = folder.openThroughLibrary();
  REQUIRE(device != nullptr);
  CHECK_EQ(folder.library().ChipErase(device, 2, 0, 0), 1);
  std::vector<std::uint8_t> program = record(76, 0xF3000070);
  const std::uint32_t command = 0x02000000 | 0x1FFC0;  // the last block
  std::memcpy(program.data() + 4, &command, 4);
  for (int i = 0; i < 64; ++i) program[12 + i] = static_cast<std::uint8_t>(0x80 ^ (i * 7));
  const Answer written = ask(device, kWriteBlock, program, 4);
  CHECK(written.done);
  CHECK(written.output == std::vector<std::uint8_t>({1, 0, 0, 0}));

  std::vector<std::uint8_t> read = record(76, 0xF3000070);
  const std::uint32_t readCommand = 0x03000000 | 0x1FFC0;
  std::memcpy(read.data() + 4, &readCommand, 4);
  const Answer back = ask(device, kReadBlock, read, 76);
  CHECK(back.done);
  CHECK_EQ(back.returned, DWORD{76});
  CHECK(std::vector<std::uint8_t>(back.output.begin() + 12, back.output.end()) ==
        std::vector<std::uint8_t>(program.begin() + 12, program.end()));
  CHECK(std::vector<std::uint8_t>(back.output.begin(), back.output.begin() + 12) ==
        std::vector<std::uint8_t>(read.begin(), read.begin() + 12));

  for (int i = 0; i < 64; ++i) program[12 + i] = 0xFF;  // not erased since
  CHECK(ask(device, kWriteBlock, program, 4).output == std::vector<std::uint8_t>(4, 0));
}
