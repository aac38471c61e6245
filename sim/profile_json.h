#pragma once
// Checked reading of a profile's JSON: every value carries its key path (such as
// pci[1].config."0x10"), and every check that fails throws ProfileInvalid with
// that path and a short reason. Only parseProfile calls these, and it turns the
// exception into its ProfileError before returning, so that no exception leaves
// the profile reader.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/profile.h"

namespace sim::profile_json {

struct ProfileInvalid {
  ProfileError error;
};

// A profile is a page of text; anything far larger is not one, and is refused
// before it is parsed.
constexpr std::size_t kMaxDocumentBytes = 4 * 1024 * 1024;
// A profile nests four levels deep; a document nested far deeper is refused as
// soon as the parser reaches that depth, before it is built.
constexpr std::size_t kMaxDepth = 32;

// key appended to a parent path: plain when it is a name, in double quotes (JSON
// escapes included) when it is not, such as a register offset.
std::string memberPath(const std::string& parent, std::string_view key);
std::string elementPath(const std::string& parent, std::size_t index);

// Parses the text. Refuses malformed JSON (with its line, column and byte), a key
// given twice in one object, nesting beyond kMaxDepth and more than
// kMaxDocumentBytes.
nlohmann::json parseDocument(std::string_view text);

// "0x" and one or more hexadecimal digits whose value fits in 32 bits; path names
// the value (or the key) in the error.
std::uint32_t hexNumber(std::string_view text, const std::string& path);

class Object;

// A value of the document and its key path. Holds a reference: the document must
// outlive it.
class Value {
 public:
  Value(const nlohmann::json& json, std::string path) : json_(json), path_(std::move(path)) {}

  const std::string& path() const { return path_; }
  [[noreturn]] void fail(std::string reason) const;

  // A non-empty string on one line: no TAB, line break or other control character.
  std::string line() const;
  bool flag() const;
  bool isString() const { return json_.is_string(); }
  std::int64_t integer(std::int64_t min, std::int64_t max) const;
  std::uint32_t hex32() const;
  std::uint64_t hex64() const;  // the same, up to 64 bits
  std::vector<Value> list() const;
  // An object whose keys must all be among names.
  Object object(std::initializer_list<std::string_view> names) const;
  // An object whose keys are data (such as register offsets): each key's text and value.
  std::vector<std::pair<std::string, Value>> entries() const;

 private:
  const nlohmann::json& json_;
  std::string path_;
};

class Object {
 public:
  Object(const nlohmann::json& json, std::string path) : json_(json), path_(std::move(path)) {}

  std::optional<Value> optional(std::string_view key) const;
  Value required(std::string_view key) const;

 private:
  const nlohmann::json& json_;
  std::string path_;
};

}  // namespace sim::profile_json
