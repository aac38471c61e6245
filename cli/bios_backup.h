#pragma once
// What bios write and bios erase keep of the chip before they touch it: the name of
// the backup file, when none is given, and the command that writes it back.
#include <ctime>
#include <string>
#include <vector>

#include "cfgprobe/cfgprobe.h"

namespace cli {

// "controller-B-D-F-YYYYMMDD-HHMMSS.bin" in the current folder for the controller
// at that place and that local time; "-2", "-3", ... before ".bin" while a file of
// that name exists, so that an earlier backup is never replaced.
std::string defaultBackupName(const SIIDEVICEINFO& place, std::time_t now);

// "spanfinder bios write INDEX BACKUP [--force] [place arguments]", the words that
// need it quoted; --force when the backup itself is not a BIOS for this controller
// (an erased chip's is not).
std::string restoreCommand(int index, const std::string& backup, const std::vector<std::string>& placeArguments);

}  // namespace cli
