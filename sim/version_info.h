#pragma once
// The simulated machine's program files and their version resources: the path of
// the running program, and for each file the string values of its version block
// by their query path (for example "\StringFileInfo\040903a4\ProductVersion").
// The block handed out is this back end's own layout, read only by queryValue.
#include <map>
#include <string>

#include "os/version_info.h"

namespace sim {

class VersionInfo final : public os::VersionInfo {
 public:
  using Strings = std::map<std::u16string, std::u16string>;

  std::u16string programPath = u"C:\\Tools\\Spanfinder64.exe";

  // Gives the file at path a version resource with these values (an empty map: a
  // file without version resource).
  void setVersionResource(std::u16string_view path, Strings values);

  std::uint32_t getModuleFileName(char16_t* buffer, std::uint32_t size) override;
  std::uint32_t getFileVersionInfoSize(std::u16string_view path) override;
  bool getFileVersionInfo(std::u16string_view path, std::uint32_t size, void* block) override;
  bool queryValue(const void* block, std::u16string_view subBlock, const char16_t** value,
                  std::uint32_t* length) override;

 private:
  const std::u16string* blockOf(std::u16string_view path);

  std::map<std::u16string, std::u16string> blocks_;  // folded path -> serialised block
};

}  // namespace sim
