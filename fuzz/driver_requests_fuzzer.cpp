// The access driver's request dispatch (driver/access_requests.c) with any code,
// buffer sizes and bytes, on a small machine the input describes: SiI3132
// controllers and another device anywhere on the bus, their base registers of any
// type and value (I/O, 64-bit with any upper dword, in RAM, at 0), RAM up to any
// address, and flash cycles that end after any number of reads or never. Every
// hardware access goes through a table that checks it against what the machine
// really decodes:
//   - no port is written but the configuration address (0xCF8);
//   - no memory is mapped or reached outside a controller's windows as its base
//     registers place them within the 32-bit space, and none that is RAM;
//   - every mapping is given back before the request returns;
//   - no flash data register is read while a flash cycle runs;
// and every reply keeps to its buffer: no more bytes returned than the output holds.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstring>
#include <map>
#include <vector>

#include "driver/access_requests.h"
#include "fuzz/check.h"

namespace {

struct Shape {
  std::uint32_t code, input, output;
};
constexpr Shape kShapes[] = {{0x9C402410, 2, 4},  {0x9C402414, 76, 4}, {0x9C402418, 4, 1},
                             {0x9C40241C, 76, 4}, {0x9C402428, 4, 4},  {0x9C40242C, 76, 4},
                             {0x9C402430, 76, 4}, {0x9C402434, 76, 76}};
constexpr std::uint32_t kStart = 1u << 25;
constexpr std::uint32_t kGlobalSize = 0x80, kPortSize = 0x8000, kCommand = 0x70, kData = 0x74;
constexpr std::uintptr_t kMappedTag = std::uintptr_t{1} << 32;

struct Function {
  std::array<std::uint32_t, 64> config{};  // dword registers
};

struct Controller {
  std::uint32_t global = 0, ports = 0;  // the windows it decodes; 0: none reachable
  std::array<std::uint8_t, kGlobalSize> globalRegs{};
  std::vector<std::uint8_t> portRegs = std::vector<std::uint8_t>(kPortSize);
  int cycleReads = 0;  // reads of the command register before the running cycle ends
};

struct Machine {
  std::map<std::uint32_t, Function> functions;  // by bus << 8 | device << 3 | function
  std::vector<Controller> controllers;
  std::uint64_t ramEnd = 0;
  int cycleLength = 0;  // < 0: a cycle never ends
  std::uint32_t configAddress = 0;
  int mapped = 0;
};
Machine machine;

// Where a 32-bit BAR pair puts a window of size bytes, as the bus decodes it.
std::uint32_t decoded(std::uint32_t low, std::uint32_t high, std::uint32_t size) {
  if (low & 1) return 0;
  if ((low & 6) == 4 && high != 0) return 0;
  const std::uint32_t base = low & ~0xFu;
  return base == 0 || base > UINT32_MAX - (size - 1) ? 0 : base;
}

// The register a range of a window is, or null: the range must lie in one window
// that is not RAM.
FUZZ_UNGUIDED std::uint8_t* reach(std::uint32_t address, std::uint32_t size, Controller** owner = nullptr,
                                  std::uint32_t* offset = nullptr) {
  if (address < machine.ramEnd) return nullptr;
  for (Controller& c : machine.controllers) {
    if (c.global && address >= c.global && address - c.global + std::uint64_t{size} <= kGlobalSize) {
      if (owner) *owner = &c;
      if (offset) *offset = address - c.global;
      return &c.globalRegs[address - c.global];
    }
    if (c.ports && address >= c.ports && address - c.ports + std::uint64_t{size} <= kPortSize) {
      if (owner) *owner = nullptr;
      return &c.portRegs[address - c.ports];
    }
  }
  return nullptr;
}

std::uint32_t addressOf(volatile void* mapped) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(mapped) & 0xFFFFFFFFu);
}

FUZZ_UNGUIDED void read(volatile void* reg, std::uint32_t size, std::uint8_t* out) {
  Controller* c = nullptr;
  std::uint32_t offset = 0;
  std::uint8_t* at = reach(addressOf(reg), size, &c, &offset);
  FUZZ_CHECK(at != nullptr);
  if (c && offset < kCommand + 4 && offset + size > kCommand && c->cycleReads > 0 && --c->cycleReads == 0)
    c->globalRegs[kCommand + 3] &= ~(kStart >> 24);
  if (c) FUZZ_CHECK(!(offset < kData + 4 && offset + size > kData && (c->globalRegs[kCommand + 3] & (kStart >> 24))));
  std::memcpy(out, at, size);
}

FUZZ_UNGUIDED void write(volatile void* reg, std::uint32_t size, const std::uint8_t* in) {
  Controller* c = nullptr;
  std::uint32_t offset = 0;
  std::uint8_t* at = reach(addressOf(reg), size, &c, &offset);
  FUZZ_CHECK(at != nullptr);
  std::memcpy(at, in, size);
  if (!c || offset >= kCommand + 4 || offset + size <= kCommand) return;
  const bool started = c->globalRegs[kCommand + 3] & (kStart >> 24);
  c->cycleReads = !started ? 0 : machine.cycleLength < 0 ? -1 : machine.cycleLength;
  if (started && machine.cycleLength == 0) c->globalRegs[kCommand + 3] &= ~(kStart >> 24);
}

const AccessHardware kChecked = {
    nullptr,
    [](void*, std::uint16_t port) -> std::uint32_t {
      if (port == 0xCF8) return machine.configAddress;
      if (port != 0xCFC || !(machine.configAddress & 0x80000000u)) return 0xFFFFFFFFu;
      const auto f = machine.functions.find((machine.configAddress >> 8) & 0xFFFF);
      return f == machine.functions.end() ? 0xFFFFFFFFu : f->second.config[(machine.configAddress & 0xFC) / 4];
    },
    [](void*, std::uint16_t port, std::uint32_t value) {
      FUZZ_CHECK(port == 0xCF8);
      machine.configAddress = value & 0x80FFFFFCu;
    },
    [](void*, std::uint32_t address, std::uint32_t size) -> volatile void* {
      FUZZ_CHECK(reach(address, size) != nullptr);
      ++machine.mapped;
      return reinterpret_cast<volatile void*>(kMappedTag | address);
    },
    [](void*, volatile void*, std::uint32_t) { --machine.mapped; },
    [](void*, volatile void* reg) -> std::uint8_t {
      std::uint8_t value;
      read(reg, 1, &value);
      return value;
    },
    [](void*, volatile void* reg) -> std::uint32_t {
      std::uint8_t bytes[4];
      read(reg, 4, bytes);
      std::uint32_t value;
      std::memcpy(&value, bytes, 4);
      return value;
    },
    [](void*, volatile void* reg, std::uint8_t value) { write(reg, 1, &value); },
    [](void*, volatile void* reg, std::uint32_t value) {
      std::uint8_t bytes[4];
      std::memcpy(bytes, &value, 4);
      write(reg, 4, bytes);
    },
    [](void*, std::uint32_t address, std::uint32_t size) -> int {
      return address < machine.ramEnd || address + std::uint64_t{size} - 1 < machine.ramEnd;
    },
    [](void*, std::uint32_t) {},
};

void addFunction(FuzzedDataProvider& input, std::uint32_t identity) {
  const std::uint32_t bus = input.ConsumeIntegral<std::uint8_t>(), device = input.ConsumeIntegralInRange(0, 31),
                      function = input.ConsumeIntegralInRange(0, 7);
  Function f;
  f.config[0] = identity;
  for (int bar = 4; bar < 10; ++bar) f.config[bar] = input.ConsumeIntegral<std::uint32_t>();
  machine.functions[bus << 8 | device << 3 | function] = f;
  // A function above 0 is found only behind a multi-function function 0.
  Function& first = machine.functions[bus << 8 | device << 3];
  if (first.config[0] == 0) first.config[0] = 0x12348086;
  if (function != 0) first.config[3] |= 0x00800000;
  if (identity != 0x31321095) return;
  Controller c;
  c.global = decoded(f.config[4], f.config[5], kGlobalSize);
  c.ports = decoded(f.config[6], f.config[7], kPortSize);
  machine.controllers.push_back(std::move(c));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  machine = Machine{};
  machine.ramEnd = input.ConsumeBool() ? input.ConsumeIntegral<std::uint32_t>() : 0x80000000u;
  machine.cycleLength = input.ConsumeIntegralInRange(-1, 4);
  const int controllers = input.ConsumeIntegralInRange(0, 3);
  for (int i = 0; i < controllers; ++i) addFunction(input, 0x31321095);
  if (input.ConsumeBool()) addFunction(input, input.ConsumeIntegral<std::uint32_t>());
  AccessReach reach{};
  for (int requests = 0; requests < 16 && input.remaining_bytes() > 0; ++requests) {
    // Mostly one of the driver's codes with its own sizes; any code and sizes too.
    Shape shape = kShapes[input.ConsumeIntegralInRange(0, 7)];
    if (!input.ConsumeBool()) shape.code = input.ConsumeIntegral<std::uint32_t>();
    if (!input.ConsumeBool()) {
      shape.input = input.ConsumeIntegralInRange(0, 96);
      shape.output = input.ConsumeIntegralInRange(0, 96);
    }
    const std::uint32_t code = shape.code, inputSize = shape.input, outputSize = shape.output;
    std::vector<std::uint8_t> buffer = input.ConsumeBytes<std::uint8_t>(std::max(inputSize, outputSize));
    buffer.resize(std::max(inputSize, outputSize));
    std::uint32_t returned = 0;
    serveAccessRequest(&kChecked, &reach, code, buffer.empty() ? nullptr : buffer.data(), inputSize, outputSize,
                       &returned);
    FUZZ_CHECK(machine.mapped == 0);
    FUZZ_CHECK(returned <= outputSize);
  }
  return 0;
}
