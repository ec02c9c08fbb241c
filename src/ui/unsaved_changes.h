#pragma once
// Whether the window holds what its file does not: what Save would write,
// folded into one number, compared with the number taken when the file was
// last opened or saved.
#include <cstdint>

#include "config/config_file_host.h"
#include "config/program_settings.h"
#include "model/group_dev.h"

namespace pelko {

// Folds the settings and the devices Save would keep (those in the group, or
// every one when none is) with their names, passwords, parameter blocks and
// cards. Line state and marks are left out: they are not saved.
std::uint64_t SavedFingerprint(const ProgramSettings& settings, const TGroupDev& group, ConfigFileHost& host);

}  // namespace pelko
