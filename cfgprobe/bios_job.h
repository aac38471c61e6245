#pragma once
// What a BIOS worker thread is handed: one static record per operation kind,
// filled by the starting call while it holds the busy state, and the worker
// procedures that move the 131072-byte image in 2048 blocks of 64 bytes.
#include <cstdint>

#include "os/types.h"

namespace cfgprobe {

constexpr std::uint32_t kImageSize = 131072;
constexpr std::uint32_t kBlockSize = 64;
constexpr std::uint32_t kBlocks = kImageSize / kBlockSize;
constexpr std::uint32_t kFlashCommandOffset = 0x70;
constexpr std::uint32_t kBlockReadCommand = 0x03000000;
constexpr std::uint32_t kBlockProgramCommand = 0x02000000;

struct BiosJob {
  os::Handle device = nullptr;  // the access driver
  std::uint8_t bus = 0;
  std::uint8_t dev = 0;
  std::uint8_t function = 0;
  std::uint32_t globalBase = 0;  // low four bits cleared
  const char* fileName = nullptr;  // one of CKXACS's file-name buffers
};

extern BiosJob ReadJob;
extern BiosJob CompareJob;
extern BiosJob WriteJob;

// Thread procedures; the argument is the operation's BiosJob.
void ReadBiosWorker(void* job);
void CompareBiosWorker(void* job);
void WriteBiosWorker(void* job);

// One block through the driver's block requests. WriteFlashBlock returns the
// driver's result word (0: the block was not programmed, or no answer came);
// ReadFlashBlock whether the 64 bytes arrived: the driver carried the request out
// and filled the whole 76-byte record.
std::uint32_t WriteFlashBlock(os::Handle device, std::uint32_t globalBase, std::uint32_t command,
                              const std::uint8_t* data);
bool ReadFlashBlock(os::Handle device, std::uint32_t globalBase, std::uint32_t command, std::uint8_t* data);

// Progress after blocks done: the whole percentage of the 2048 blocks.
constexpr std::int32_t progressAfter(std::uint32_t blocks) {
  return static_cast<std::int32_t>(blocks * 6400u / kImageSize);
}

}  // namespace cfgprobe
