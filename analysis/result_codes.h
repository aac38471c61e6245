#pragma once
// The engine's result codes: plain integers, 0 for success, 100 to 105 for the
// failures and findings that the Search turns into messages 700 to 705.
namespace analysis {

constexpr int kResultSuccess = 0;
constexpr int kResultNoWindowsDirectory = 100;     // the Windows directory is unavailable
constexpr int kResultCommandFailed = 101;          // the system-information command failed
constexpr int kResultWindowsDirectoryMissing = 102;  // the Windows directory lacks "\WINDOWS"
constexpr int kResultFileOpenFailed = 103;         // the report or the INI file cannot be opened
constexpr int kResultProblemDevice = 104;          // a problem device names one of the board's devices
constexpr int kResultNoIoSpace = 105;              // the I/O window has no free 0x3000-byte hole

// A write to the INI file failed or wrote fewer bytes than asked. The engine has
// already closed the file and shown the file-error report (message 706); the
// Search ends there, without a closing message. Not one of the codes that
// ShowResultError knows, so it would show message 9999 for it.
constexpr int kResultFileWriteFailed = 110;

// ListFreeBlocks' own results besides 103 and 110.
constexpr int kBlocksListed = 1;
constexpr int kNoBlockFits = -1;
// The Search has listed as many blocks as one Search lists (kMaxListedBlocks); more
// would fit. The listing stops there, the rest of the Search goes on.
constexpr int kListingFull = 2;

// One Search lists at most this many blocks: a tiny Space Size in a large window
// would otherwise list and write billions of them, blocking the dialog for hours
// and filling the disk with the INI file.
constexpr unsigned kMaxListedBlocks = 4096;

// A block's line in the result box: "0x%08X-0x%08X" and CR LF, the only line
// break a Windows edit control shows (a bare LF runs the lines together).
constexpr unsigned kBlockLineLength = 23;
// The result box's text limit: room for every block one Search lists. The
// control's default (30,000 characters) would cut the list after 1,304 blocks,
// mid-line and without a word.
constexpr unsigned kResultBoxTextLimit = kMaxListedBlocks * kBlockLineLength;

}  // namespace analysis
