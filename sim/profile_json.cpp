#include "sim/profile_json.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <set>

#include "os/text.h"

namespace sim::profile_json {
namespace {

using nlohmann::json;

constexpr const char* kHexForm = "must be a string of \"0x\" and hexadecimal digits, such as \"0xF0000000\"";

bool isName(std::string_view key) {
  const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  return !key.empty() && letter(key[0]) &&
         std::all_of(key.begin() + 1, key.end(), [&](char c) { return letter(c) || digit(c); });
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Follows the parser through the document so that a key given twice, or nesting
// beyond kMaxDepth, is refused with the key path where it happens. The parser
// would otherwise keep the last of two equal keys without a word, and build a
// document of any depth.
class ParseWatch {
 public:
  bool operator()(int, json::parse_event_t event, json& parsed) {
    switch (event) {
      case json::parse_event_t::object_start:
      case json::parse_event_t::array_start:
        enter();
        if (frames_.size() >= kMaxDepth)
          throw ProfileInvalid{{path(), "nested deeper than " + std::to_string(kMaxDepth) + " levels"}};
        frames_.emplace_back().array = event == json::parse_event_t::array_start;
        break;
      case json::parse_event_t::key: {
        Frame& object = frames_.back();
        object.key = parsed.get<std::string>();
        if (!object.keys.insert(*object.key).second) throw ProfileInvalid{{path(), "given twice"}};
        break;
      }
      case json::parse_event_t::value:
        enter();
        break;
      case json::parse_event_t::object_end:
      case json::parse_event_t::array_end:
        frames_.pop_back();
        break;
    }
    return true;
  }

 private:
  struct Frame {
    bool array = false;
    std::size_t elements = 0;        // of an array: how many have started
    std::optional<std::string> key;  // of an object: the key being read
    std::set<std::string> keys;      // of an object: the keys read so far
  };

  // A value starts at the current place.
  void enter() {
    if (!frames_.empty() && frames_.back().array) ++frames_.back().elements;
  }

  std::string path() const {
    std::string path;
    for (const Frame& frame : frames_) {
      if (frame.array && frame.elements > 0) path = elementPath(path, frame.elements - 1);
      else if (!frame.array && frame.key) path = memberPath(path, *frame.key);
    }
    return path;
  }

  std::vector<Frame> frames_;
};

// The parser shows the control characters it quotes as <U+XXXX>, but not DEL or
// the C1 controls (U+0080 to U+009F), which a terminal may act on; they are shown
// the same way, so that the message stays one plain line.
std::string printable(std::u16string_view text) {
  std::u16string out;
  for (char16_t c : text) {
    if (c >= 0x20 && !(c >= 0x7F && c <= 0x9F)) {
      out.push_back(c);
      continue;
    }
    char code[16];
    std::snprintf(code, sizeof code, "<U+%04X>", static_cast<unsigned>(c));
    out.append(code, code + std::strlen(code));
  }
  return os::toUtf8(out);
}

std::string malformed(const json::exception& e) {
  // what() reads "[json.exception.parse_error.101] parse error at line 3, column 5: ...";
  // the bracketed tag says nothing to the author of the profile.
  std::string text = e.what();
  if (const auto tagEnd = text.find("] "); text.rfind("[json.exception.", 0) == 0 && tagEnd != std::string::npos)
    text.erase(0, tagEnd + 2);
  // The parser quotes what it last read, which may be the very bytes that are not UTF-8.
  return "malformed JSON: " + printable(os::fromUtf8(text));
}

}  // namespace

// A key in double quotes with JSON's escapes. The serializer escapes the control
// characters below U+0020 only; DEL and the C1 controls (U+0080 to U+009F) get
// \u escapes too, so that a key path stays one plain line.
std::string quotedKey(std::string_view key) {
  const std::string dumped = json(std::string(key)).dump(-1, ' ', false, json::error_handler_t::replace);
  std::string quoted;
  for (std::size_t i = 0; i < dumped.size(); ++i) {
    const auto c = static_cast<unsigned char>(dumped[i]);
    const bool c1 = c == 0xC2 && i + 1 < dumped.size() && static_cast<unsigned char>(dumped[i + 1]) <= 0x9F;
    if (c != 0x7F && !c1) {
      quoted.push_back(dumped[i]);
      continue;
    }
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04x", c1 ? static_cast<unsigned char>(dumped[++i]) : c);
    quoted += escape;
  }
  return quoted;
}

std::string memberPath(const std::string& parent, std::string_view key) {
  const std::string part = isName(key) ? std::string(key) : quotedKey(key);
  return parent.empty() ? part : parent + "." + part;
}

std::string elementPath(const std::string& parent, std::size_t index) {
  return parent + "[" + std::to_string(index) + "]";
}

json parseDocument(std::string_view text) {
  if (text.size() > kMaxDocumentBytes)
    throw ProfileInvalid{{"", "larger than " + std::to_string(kMaxDocumentBytes / (1024 * 1024)) + " MiB"}};
  ParseWatch watch;
  try {
    return json::parse(text.begin(), text.end(), std::ref(watch));
  } catch (const json::parse_error& e) {
    throw ProfileInvalid{{"", malformed(e) + " (byte " + std::to_string(e.byte) + ")"}};
  } catch (const json::exception& e) {
    throw ProfileInvalid{{"", malformed(e)}};
  }
}

namespace {

std::uint64_t hexValue(std::string_view text, const std::string& path, int bits) {
  if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) throw ProfileInvalid{{path, kHexForm}};
  const std::uint64_t largest = bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
  std::uint64_t value = 0;
  for (char c : text.substr(2)) {
    const int digit = hexDigit(c);
    if (digit < 0) throw ProfileInvalid{{path, kHexForm}};
    if (value > largest >> 4) throw ProfileInvalid{{path, "does not fit in " + std::to_string(bits) + " bits"}};
    value = value << 4 | static_cast<std::uint64_t>(digit);
  }
  return value;
}

}  // namespace

std::uint32_t hexNumber(std::string_view text, const std::string& path) {
  return static_cast<std::uint32_t>(hexValue(text, path, 32));
}

void Value::fail(std::string reason) const { throw ProfileInvalid{{path_, std::move(reason)}}; }

std::string Value::line() const {
  if (!json_.is_string()) fail("must be a string");
  const auto& text = json_.get_ref<const std::string&>();
  if (text.empty()) fail("must not be empty");
  // A TAB or a line break would split the report's rows and cells.
  if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
    fail("must be one line, without TAB or other control characters");
  return text;
}

bool Value::flag() const {
  if (!json_.is_boolean()) fail("must be true or false");
  return json_.get<bool>();
}

std::int64_t Value::integer(std::int64_t min, std::int64_t max) const {
  if (json_.is_number_unsigned()) {
    const auto value = json_.get<std::uint64_t>();
    if (value <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
      const auto signedValue = static_cast<std::int64_t>(value);
      if (signedValue >= min && signedValue <= max) return signedValue;
    }
  } else if (json_.is_number_integer()) {
    const auto value = json_.get<std::int64_t>();
    if (value >= min && value <= max) return value;
  }
  fail("must be a whole number from " + std::to_string(min) + " to " + std::to_string(max));
}

std::uint32_t Value::hex32() const {
  if (!json_.is_string()) fail(kHexForm);
  return hexNumber(json_.get_ref<const std::string&>(), path_);
}

std::uint64_t Value::hex64() const {
  if (!json_.is_string()) fail(kHexForm);
  return hexValue(json_.get_ref<const std::string&>(), path_, 64);
}

std::vector<Value> Value::list() const {
  if (!json_.is_array()) fail("must be a list");
  std::vector<Value> elements;
  elements.reserve(json_.size());
  for (std::size_t i = 0; i < json_.size(); ++i) elements.emplace_back(json_[i], elementPath(path_, i));
  return elements;
}

Object Value::object(std::initializer_list<std::string_view> names) const {
  if (!json_.is_object()) fail("must be an object");
  for (const auto& item : json_.items()) {
    if (std::find(names.begin(), names.end(), item.key()) != names.end()) continue;
    std::string expected;
    for (std::string_view name : names) expected += (expected.empty() ? "" : ", ") + std::string(name);
    throw ProfileInvalid{{memberPath(path_, item.key()), "unknown key (known here: " + expected + ")"}};
  }
  return Object(json_, path_);
}

std::vector<std::pair<std::string, Value>> Value::entries() const {
  if (!json_.is_object()) fail("must be an object");
  std::vector<std::pair<std::string, Value>> entries;
  for (const auto& item : json_.items())
    entries.emplace_back(item.key(), Value(item.value(), memberPath(path_, item.key())));
  return entries;
}

std::optional<Value> Object::optional(std::string_view key) const {
  const auto it = json_.find(key);
  if (it == json_.end()) return std::nullopt;
  return Value(*it, memberPath(path_, key));
}

Value Object::required(std::string_view key) const {
  if (auto value = optional(key)) return *value;
  throw ProfileInvalid{{memberPath(path_, key), "missing"}};
}

}  // namespace sim::profile_json
