#pragma once
// A host folder of the fuzzing process's own (in memory when the host offers
// /dev/shm), made on first use and removed when the process ends, for the files
// a target writes (reports, INI files, the drives of a simulated machine).
#include <filesystem>

namespace fuzz {

const std::filesystem::path& scratchFolder();

}  // namespace fuzz
