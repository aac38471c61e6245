#include "tests/os/file_contract.h"

#include <array>

namespace file_contract {
namespace {

// What an output holds before the call: a failed call must leave it so.
constexpr std::uint64_t kUntouched = 0xA5A5A5A5;

// Errors: 5 ERROR_ACCESS_DENIED, 6 ERROR_INVALID_HANDLE, 87 ERROR_INVALID_PARAMETER.
constexpr std::array kCases = {
    Case{"ReadCountsTheBytes", HandleKind::Reading, Call::Read, 0, 3},
    Case{"WriteCountsTheBytes", HandleKind::Writing, Call::Write, 0, 2},
    Case{"SizeIsTheLength", HandleKind::Reading, Call::Size, 0, 3},
    Case{"SeekToEnd", HandleKind::Reading, Call::SeekToEnd, 0, 0},
    Case{"Close", HandleKind::Reading, Call::Close, 0, 0},
    Case{"ReadWithoutReadAccess", HandleKind::Writing, Call::Read, 5, 0},
    Case{"WriteWithoutWriteAccess", HandleKind::Reading, Call::Write, 5, 0},
    Case{"ReadWithoutCount", HandleKind::Reading, Call::ReadNoCount, 87, 0},
    Case{"ReadWithoutBuffer", HandleKind::Reading, Call::ReadNoBuffer, 87, 0},
    Case{"WriteWithoutCount", HandleKind::Writing, Call::WriteNoCount, 87, 0},
    Case{"SizeWithoutSize", HandleKind::Reading, Call::SizeNoSize, 87, 0},
    Case{"ReadFromNoHandle", HandleKind::None, Call::Read, 6, 0},
    Case{"WriteToNoHandle", HandleKind::None, Call::Write, 6, 0},
    Case{"SizeOfNoHandle", HandleKind::None, Call::Size, 6, 0},
    Case{"SeekOnNoHandle", HandleKind::None, Call::SeekToEnd, 6, 0},
    Case{"CloseNoHandle", HandleKind::None, Call::Close, 6, 0},
    Case{"CloseTwice", HandleKind::Closed, Call::Close, 6, 0},
};

std::string number(std::uint64_t value) { return std::to_string(value); }

// Makes the file with "abc" and opens it as the case asks.
os::Handle prepare(os::Files& files, const std::u16string& path, HandleKind kind, std::string& problem) {
  const os::Handle made = files.createFile(path, os::kGenericWrite, 0, os::kCreateAlways);
  std::uint32_t written = 0;
  if (!os::isValid(made) || !files.writeFile(made, "abc", 3, &written) || !files.closeFile(made)) {
    problem = "the file could not be made";
    return nullptr;
  }
  if (kind == HandleKind::None) return nullptr;
  const os::Handle h = files.createFile(path, kind == HandleKind::Writing ? os::kGenericWrite : os::kGenericRead,
                                        0, os::kOpenExisting);
  if (!os::isValid(h)) problem = "the file could not be opened";
  if (kind == HandleKind::Closed && !files.closeFile(h)) problem = "the file could not be closed";
  return h;
}

}  // namespace

std::span<const Case> cases() { return kCases; }

std::string run(os::Files& files, const std::u16string& folder, const Case& c) {
  const std::u16string path = folder + u"\\contract.txt";
  std::string problem;
  const os::Handle h = prepare(files, path, c.handle, problem);
  if (!problem.empty()) return problem;
  char buffer[8] = {};
  auto count = static_cast<std::uint32_t>(kUntouched);
  std::uint64_t size = kUntouched;
  os::setLastError(0);
  bool ok = false;
  switch (c.call) {
    case Call::Read: ok = files.readFile(h, buffer, sizeof buffer, &count); break;
    case Call::Write: ok = files.writeFile(h, "xy", 2, &count); break;
    case Call::Size: ok = files.fileSize(h, &size); break;
    case Call::SeekToEnd: ok = files.seekToEnd(h); break;
    case Call::Close: ok = files.closeFile(h); break;
    case Call::ReadNoCount: ok = files.readFile(h, buffer, sizeof buffer, nullptr); break;
    case Call::ReadNoBuffer: ok = files.readFile(h, nullptr, sizeof buffer, &count); break;
    case Call::WriteNoCount: ok = files.writeFile(h, "xy", 2, nullptr); break;
    case Call::SizeNoSize: ok = files.fileSize(h, nullptr); break;
  }
  const std::uint32_t error = ok ? 0 : os::lastError();
  const std::uint64_t output = c.call == Call::Size ? size : count;
  const bool hasOutput = c.call == Call::Read || c.call == Call::Write || c.call == Call::Size ||
                         c.call == Call::ReadNoBuffer;
  if (os::isValid(h) && c.handle != HandleKind::Closed && c.call != Call::Close) files.closeFile(h);

  std::string result;
  if (ok != (c.error == 0) || error != c.error)
    result = std::string(ok ? "succeeded" : "failed with " + number(error)) + ", want " +
             (c.error == 0 ? "success" : "failure with " + number(c.error));
  else if (hasOutput && output != (ok ? c.output : kUntouched))
    result = "output " + number(output) + ", want " + number(ok ? c.output : kUntouched);
  // What a failed write did not do: the file is as it was.
  if (result.empty() && !ok && (c.call == Call::Write || c.call == Call::WriteNoCount)) {
    const os::Handle check = files.createFile(path, os::kGenericRead, 0, os::kOpenExisting);
    std::uint64_t length = 0;
    if (!os::isValid(check) || !files.fileSize(check, &length) || length != 3) result = "the file changed";
    if (os::isValid(check)) files.closeFile(check);
  }
  return result;
}

}  // namespace file_contract
