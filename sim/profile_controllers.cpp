#include "sim/profile_controllers.h"

#include <cstdio>
#include <map>
#include <tuple>

#include "sim/bios_image.h"
#include "sim/sii3132.h"

namespace sim::profile_json {
namespace {

std::uint32_t placeOf(PciLocation at) {
  return static_cast<std::uint32_t>(at.bus) << 8 | static_cast<std::uint32_t>(at.device) << 3 | at.function;
}

std::uint8_t byteCode(const Value& value) {
  const std::uint32_t code = value.hex32();
  if (code > 0xFF) value.fail("must fit in 8 bits (\"0x00\" to \"0xFF\")");
  return static_cast<std::uint8_t>(code);
}

// Text of the given shape: '9' a digit, any other character itself.
bool shaped(std::string_view text, std::string_view shape) {
  if (text.size() != shape.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (shape[i] == '9' ? !digit : text[i] != shape[i]) return false;
  }
  return true;
}

std::vector<std::uint8_t> builtImage(const Value& value) {
  const Object image = value.object({"version", "date"});
  const Value version = image.required("version");
  const Value date = image.required("date");
  const std::string versionText = version.line(), dateText = date.line();
  if (!shaped(versionText, "9.9.99"))
    version.fail("must be a digit, a dot, a digit, a dot and two digits, such as \"7.3.15\"");
  if (!shaped(dateText, "99/99/9999")) date.fail("must be month/day/year in digits, such as \"10/27/2010\"");
  return buildBiosImage(versionText, dateText);
}

void readFlash(const Value& value, ControllerProfile& controller) {
  const Object flash = value.object({"manufacturer", "device", "image", "chipEraseMs"});
  if (const auto manufacturer = flash.optional("manufacturer")) controller.flashManufacturer = byteCode(*manufacturer);
  if (const auto device = flash.optional("device")) controller.flashDevice = byteCode(*device);
  if (const auto eraseMs = flash.optional("chipEraseMs"))
    controller.flashChipEraseMs = static_cast<std::uint32_t>(eraseMs->integer(1, 60000));
  const auto image = flash.optional("image");
  if (!image) return;
  if (image->isString())
    controller.imageFile = image->line();
  else
    controller.image = builtImage(*image);
}

// A register window's base: not 0 and aligned to its size, as a BAR is.
std::uint64_t windowBase(const Value& value, std::uint32_t size) {
  const std::uint64_t base = value.hex64();
  if (base == 0 || base % size != 0)
    value.fail("must be a non-zero multiple of 0x" + [size] {
      char text[16];
      std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(size));
      return std::string(text);
    }() + " (the window's size)");
  return base;
}

struct Window {
  std::uint64_t first, last;
  std::string path;
};

}  // namespace

std::vector<ControllerProfile> readControllers(const Value& value, const std::vector<PciFunctionProfile>& pci) {
  std::map<std::uint32_t, std::string> taken;  // place -> the key path that put a function there
  for (std::size_t i = 0; i < pci.size(); ++i) taken.emplace(placeOf(pci[i].location), elementPath("pci", i));
  std::vector<Window> windows;
  std::vector<ControllerProfile> controllers;
  for (const Value& entry : value.list()) {
    const Object fields = entry.object({"bus", "device", "function", "globalRegisters", "portRegisters", "revision",
                                        "flash", "sControl", "description", "hardwareIds", "location",
                                        "hardwareKey"});
    ControllerProfile c;
    c.location.bus = static_cast<std::uint8_t>(fields.required("bus").integer(0, 255));
    c.location.device = static_cast<std::uint8_t>(fields.required("device").integer(0, 31));
    c.location.function = static_cast<std::uint8_t>(fields.required("function").integer(0, 7));
    if (const auto [it, added] = taken.emplace(placeOf(c.location), entry.path()); !added)
      entry.fail("the same bus, device and function as " + it->second);

    const Value global = fields.required("globalRegisters");
    const Value port = fields.required("portRegisters");
    c.globalRegisters = windowBase(global, SiI3132::kGlobalWindowSize);
    c.portRegisters = windowBase(port, SiI3132::kPortWindowSize);
    for (const auto& [base, size, at] : {std::tuple{c.globalRegisters, SiI3132::kGlobalWindowSize, &global},
                                         std::tuple{c.portRegisters, SiI3132::kPortWindowSize, &port}}) {
      const Window mine{base, base + (size - 1), at->path()};
      for (const Window& other : windows)
        if (mine.first <= other.last && other.first <= mine.last) at->fail("overlaps the window of " + other.path);
      windows.push_back(mine);
    }

    if (const auto revision = fields.optional("revision"))
      c.revision = static_cast<std::uint8_t>(revision->integer(0, 255));
    if (const auto flash = fields.optional("flash")) readFlash(*flash, c);
    if (const auto sControl = fields.optional("sControl")) {
      const std::vector<Value> ports = sControl->list();
      if (ports.size() != 2) sControl->fail("must list two values, port 0's and port 1's");
      for (int p = 0; p < 2; ++p) c.sControl[p] = ports[p].hex32();
    }
    if (const auto description = fields.optional("description")) c.description = description->line();
    if (const auto ids = fields.optional("hardwareIds")) {
      std::vector<std::string> hardwareIds;
      for (const Value& id : ids->list()) hardwareIds.push_back(id.line());
      if (hardwareIds.empty()) ids->fail("must list at least one hardware ID");
      c.hardwareIds = std::move(hardwareIds);
    }
    if (const auto location = fields.optional("location")) c.locationText = location->line();
    if (const auto key = fields.optional("hardwareKey")) c.hardwareKey = key->flag();
    controllers.push_back(std::move(c));
  }
  return controllers;
}

std::vector<std::string> readDriverFiles(const Value& value) {
  std::vector<std::string> files;
  for (const Value& file : value.list()) {
    const std::string name = file.line();
    if (name.find_first_of("\\/:*?\"<>|") != std::string::npos || name == "." || name == "..")
      file.fail("must be a file name, without a folder");
    files.push_back(name);
  }
  return files;
}

}  // namespace sim::profile_json
