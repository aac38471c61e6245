#include "resources/script/resource_script.h"

#include <cstdio>

#include "app/version_resource.h"
#include "os/text.h"
#include "ui/win32_values.h"

namespace resources::script {
namespace {

// WS_CHILD: every control is a child of its dialog.
constexpr std::uint32_t kWsChild = 0x40000000u;

std::string hex(std::uint32_t value, int digits = 8) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, static_cast<unsigned>(value));
  return text;
}

const char* className(ui::ControlClass c) {
  switch (c) {
    case ui::ControlClass::Button: return "\"Button\"";
    case ui::ControlClass::Edit: return "\"Edit\"";
    case ui::ControlClass::Static: return "\"Static\"";
  }
  return "\"Static\"";
}

struct Message {
  std::uint16_t id;
  const char16_t* english;
  const char16_t* japanese;
};

#define NONE nullptr
#define SPANFINDER_MESSAGE(id, en, ja) {id, en, ja},
constexpr Message kMessages[] = {
#include "resources/messages.def"
};
#undef SPANFINDER_MESSAGE
#undef NONE

void writeStringTable(std::ostream& out, const char* language, const char* comment, bool japanese) {
  out << "// " << comment << "\nLANGUAGE " << language << "\nSTRINGTABLE\nBEGIN\n";
  for (const Message& m : kMessages) {
    const char16_t* text = japanese ? m.japanese : m.english;
    if (text) out << "  " << m.id << ", " << quoted(text) << "\n";
  }
  out << "END\n\n";
}

}  // namespace

std::string quoted(std::u16string_view text) {
  std::string out = "\"";
  for (const char c : os::toUtf8(text)) {
    switch (c) {
      case '"': out += "\"\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out + "\"";
}

void writeDialog(std::ostream& out, const ui::DialogTemplate& d) {
  out << d.id << " DIALOGEX 0, 0, " << d.cx << ", " << d.cy << "\n"
      << "STYLE " << hex(d.style) << "\n"
      << "EXSTYLE " << hex(d.exStyle) << "\n"
      << "CAPTION " << quoted(d.title) << "\n"
      << "FONT " << d.pointSize << ", " << quoted(d.fontFace) << "\n"
      << "BEGIN\n";
  for (const ui::ControlTemplate& c : d.controls) {
    // An icon static names its icon resource by number in place of a text.
    const std::string text = c.iconId ? std::to_string(c.iconId) : quoted(c.text);
    out << "  CONTROL " << text << ", " << c.id << ", " << className(c.controlClass) << ", "
        << hex(kWsChild | ui::kWsVisible | c.style) << ", " << c.x << ", " << c.y << ", " << c.cx << ", " << c.cy
        << "\n";
  }
  out << "END\n\n";
}

void writeStringTables(std::ostream& out) {
  writeStringTable(out, "0x09, 0x01", "English (United States), 0x0409", false);
  writeStringTable(out, "0x11, 0x01", "Japanese, 0x0411", true);
  out << "LANGUAGE 0x09, 0x01\n\n";
}

void writeVersionBlock(std::ostream& out) {
  const auto& v = app::kFileVersion;
  const std::string version =
      std::to_string(v[0]) + "," + std::to_string(v[1]) + "," + std::to_string(v[2]) + "," + std::to_string(v[3]);
  out << "1 VERSIONINFO\n"
      << "FILEVERSION " << version << "\n"
      << "PRODUCTVERSION " << version << "\n"
      << "FILEFLAGSMASK 0x3F\nFILEFLAGS 0x0\n"
      << "FILEOS 0x40004\n"  // VOS_NT_WINDOWS32
      << "FILETYPE 0x1\n"    // VFT_APP
      << "FILESUBTYPE 0x0\n"
      << "BEGIN\n  BLOCK \"StringFileInfo\"\n  BEGIN\n    BLOCK " << quoted(app::kVersionTableKey) << "\n    BEGIN\n";
  for (const app::VersionString& s : app::kVersionStrings)
    out << "      VALUE " << quoted(s.name) << ", " << quoted(s.value) << "\n";
  out << "    END\n  END\n  BLOCK \"VarFileInfo\"\n  BEGIN\n"
      << "    VALUE \"Translation\", " << hex(app::kVersionLanguage, 4) << ", " << app::kVersionCodePage
      << "\n  END\nEND\n";
}

}  // namespace resources::script
