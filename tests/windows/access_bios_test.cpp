// A BIOS image written to the SiI3132's flash chip, read back and compared, all
// through the real Cfgprobe64.dll and the model build of the access driver: the
// library's worker threads send the driver's block requests through Wine's device
// manager, and each operation ends with its one posted window message.
#include <cstring>
#include <string>
#include <vector>

#include "tests/windows/access_driver_session.h"
#include "tests/windows/check.h"

namespace {

constexpr UINT kDoneMessage = WM_APP + 7;
constexpr std::size_t kImageSize = 128 * 1024;

struct Completion {
  bool arrived = false;
  WPARAM status = 0;
  LPARAM result = 0;
};

// The next completion message for window, waited for up to timeoutMs, and then the
// library back to idle: the worker gives the status back just after it posts.
Completion waitForCompletion(HWND window, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    MSG message;
    if (::PeekMessageW(&message, window, kDoneMessage, kDoneMessage, PM_REMOVE)) {
      KxLong status = -1;
      for (int i = 0; i < 200 && (KX_GetBiosOperationProgress(&status), status != 0); ++i) ::Sleep(10);
      return {true, message.wParam, message.lParam};
    }
    const DWORD waited = ::GetTickCount() - start;
    if (waited >= timeoutMs) return {};
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - waited, QS_POSTMESSAGE);
  }
}

std::vector<std::uint8_t> image() {
  std::vector<std::uint8_t> bytes(kImageSize);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>((i * 131 + (i >> 9)) ^ 0x5A);
  bytes[0] = 0x55, bytes[1] = 0xAA;  // an option ROM's signature
  return bytes;
}

std::vector<std::uint8_t> readFile(const std::wstring& path) {
  const std::string text = wintest::readTextFile(path);
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

using IndexFile = int(__stdcall*)(int, char*);

IndexFile export_(const char* name) {
  return reinterpret_cast<IndexFile>(
      reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(L"Cfgprobe64.dll"), name)));
}

}  // namespace

WIN_TEST(AccessModel, ABiosImageIsWrittenReadAndComparedThroughTheDriversBlockRequests) {
  wintest::DriverFolder folder(L"model-bios", L"model\\Cfgprobe64.sys");
  REQUIRE(folder.ready());
  REQUIRE(folder.init() == 1);
  const HWND window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  REQUIRE(window != nullptr);
  CHECK_EQ(KX_SetWindowMessage(window, kDoneMessage), 1);
  int count = 0;
  CHECK_EQ(KX_GetSiI3132Device(&count), 1);
  CHECK_EQ(count, 1);

  const std::wstring sourceFile = folder.folder() + L"\\image.bin", savedFile = folder.folder() + L"\\saved.bin";
  std::string source = wintest::narrow(sourceFile), saved = wintest::narrow(savedFile);
  const std::vector<std::uint8_t> bytes = image();
  REQUIRE(wintest::writeBinaryFile(sourceFile, bytes));
  const IndexFile setBios = export_("KX_SetBiosData"), getBios = export_("KX_GetBiosData"),
                  compareBios = export_("KX_CompareBiosData");
  REQUIRE(setBios && getBios && compareBios);

  // Write: the chip erased on this thread, then 2048 blocks programmed by the worker.
  REQUIRE(setBios(1, source.data()) == 1);
  Completion written = waitForCompletion(window, 60000);
  CHECK(written.arrived);
  CHECK_EQ(written.status, WPARAM{1});
  CHECK_EQ(written.result, LPARAM{1});
  KxLong status = 0;
  CHECK_EQ(KX_GetBiosOperationProgress(&status), 100);

  // Read: the chip into a new file, byte for byte the image.
  REQUIRE(getBios(1, saved.data()) == 1);
  Completion read = waitForCompletion(window, 60000);
  CHECK_EQ(read.status, WPARAM{2});
  CHECK_EQ(read.result, LPARAM{1});
  CHECK(readFile(savedFile) == bytes);

  // Compare: equal, then one byte of the file changed in the last block.
  REQUIRE(compareBios(1, source.data()) == 1);
  Completion same = waitForCompletion(window, 60000);
  CHECK_EQ(same.status, WPARAM{3});
  CHECK_EQ(same.result, LPARAM{1});
  std::vector<std::uint8_t> changed = bytes;
  changed[kImageSize - 3] ^= 0x01;
  REQUIRE(wintest::writeBinaryFile(sourceFile, changed));
  REQUIRE(compareBios(1, source.data()) == 1);
  Completion differs = waitForCompletion(window, 60000);
  CHECK_EQ(differs.status, WPARAM{3});
  CHECK_EQ(differs.result, LPARAM{-205});

  // A read without a file is refused before it starts and gives the progress back
  // to 0, as a library that ran nothing has it: the other checks of this process
  // share the library's state.
  CHECK_EQ(getBios(1, nullptr), -10);
  CHECK_EQ(KX_GetBiosOperationProgress(&status), 0);

  ::DestroyWindow(window);
  CHECK_EQ(folder.exit(), 1);
  CHECK(wintest::deviceGone(5000));
}
