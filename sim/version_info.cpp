#include "sim/version_info.h"

#include <cstring>

#include "sim/fold_case.h"

namespace sim {

// Block layout: a count of UTF-16 units, then "name\0value\0" pairs, then "\0".
// The count lets queryValue stay inside the block whatever the caller passes.

void VersionInfo::setVersionResource(std::u16string_view path, Strings values) {
  if (values.empty()) {
    blocks_.erase(foldCase(path));
    return;
  }
  std::u16string body;
  for (const auto& [name, value] : values) {
    body += foldCase(name);
    body += u'\0';
    body += value;
    body += u'\0';
  }
  body += u'\0';
  std::u16string block(2, u'\0');
  const auto units = static_cast<std::uint32_t>(body.size());
  block[0] = static_cast<char16_t>(units & 0xFFFF);
  block[1] = static_cast<char16_t>(units >> 16);
  blocks_[foldCase(path)] = block + body;
}

const std::u16string* VersionInfo::blockOf(std::u16string_view path) {
  const auto it = blocks_.find(foldCase(path));
  return it == blocks_.end() ? nullptr : &it->second;
}

std::uint32_t VersionInfo::getModuleFileName(char16_t* buffer, std::uint32_t size) {
  if (!buffer || size == 0) {
    os::setLastError(os::kErrorInsufficientBuffer);
    return 0;
  }
  if (programPath.size() + 1 > size) {
    std::memcpy(buffer, programPath.data(), (size - 1) * sizeof(char16_t));
    buffer[size - 1] = u'\0';
    os::setLastError(os::kErrorInsufficientBuffer);
    return size;
  }
  std::memcpy(buffer, programPath.data(), programPath.size() * sizeof(char16_t));
  buffer[programPath.size()] = u'\0';
  return static_cast<std::uint32_t>(programPath.size());
}

std::uint32_t VersionInfo::getFileVersionInfoSize(std::u16string_view path) {
  const std::u16string* block = blockOf(path);
  if (!block) {
    os::setLastError(os::kErrorResourceTypeNotFound);
    return 0;
  }
  return static_cast<std::uint32_t>(block->size() * sizeof(char16_t));
}

bool VersionInfo::getFileVersionInfo(std::u16string_view path, std::uint32_t size, void* block) {
  const std::u16string* source = blockOf(path);
  if (!source) {
    os::setLastError(os::kErrorResourceTypeNotFound);
    return false;
  }
  const std::size_t bytes = source->size() * sizeof(char16_t);
  if (!block || size < bytes) {
    os::setLastError(os::kErrorInsufficientBuffer);
    return false;
  }
  std::memcpy(block, source->data(), bytes);
  return true;
}

bool VersionInfo::queryValue(const void* block, std::u16string_view subBlock, const char16_t** value,
                             std::uint32_t* length) {
  if (value) *value = nullptr;
  if (length) *length = 0;
  if (!block) return false;
  const auto* units = static_cast<const char16_t*>(block);
  const std::uint32_t count = units[0] | (static_cast<std::uint32_t>(units[1]) << 16);
  const std::u16string_view body(units + 2, count);
  const std::u16string wanted = foldCase(subBlock);
  std::size_t pos = 0;
  while (pos < body.size() && body[pos] != u'\0') {
    const std::size_t nameEnd = body.find(u'\0', pos);
    const std::size_t valueEnd = nameEnd == body.npos ? body.npos : body.find(u'\0', nameEnd + 1);
    if (valueEnd == body.npos) return false;
    if (body.substr(pos, nameEnd - pos) == wanted) {
      if (value) *value = body.data() + nameEnd + 1;
      if (length) *length = static_cast<std::uint32_t>(valueEnd - nameEnd);
      return true;
    }
    pos = valueEnd + 1;
  }
  return false;
}

}  // namespace sim
