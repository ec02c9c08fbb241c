#pragma once
// Writes the configuration file: the program settings and every device of
// the group flagged dfInGroup, as windows-1251 text with CR LF line ends.
#include <string>

#include "config/config_file_host.h"
#include "config/program_settings.h"
#include "model/group_dev.h"

namespace pelko {

// The whole document. When no device of a non-empty group is in the group,
// all of them join it first (and stay so) and the host is told.
std::string SaveToFile(const ProgramSettings& settings, TGroupDev& group, ConfigFileHost& host);

}  // namespace pelko
